// SPDX-License-Identifier: MIT
#include "edid_editor/edit_rules.h"

#include <algorithm>

#include "edid_editor/edid_model.h"

namespace brixel::edid_editor {

std::optional<std::string> textProblem(std::string_view what, std::string_view text) {
    if (text.empty()) return std::string(what) + " is empty; give at least one character.";
    if (text.size() > descriptorTextLength)
        return std::string(what) + " " + quoted(text) + " is " + std::to_string(text.size()) +
               " characters long; a descriptor holds 13.";
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }))
        return std::string(what) + " " + quoted(text) + " holds a character that is not printable ASCII.";
    return std::nullopt;
}

std::optional<std::string> manufacturerProblem(std::string_view letters) {
    if (letters.size() == 3 && std::all_of(letters.begin(), letters.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
        return std::nullopt;
    return "The manufacturer is three letters A to Z, like ABC; " + quoted(letters) + " is not.";
}

std::optional<std::string> weekProblem(unsigned week) {
    if (week <= lastWeek) return std::nullopt;
    return "The week of manufacture is 1 to 54, or 0 for none; " + std::to_string(week) + " is not.";
}

std::optional<std::string> yearProblem(unsigned year) {
    if (year >= firstYear && year <= lastYear) return std::nullopt;
    return "The year of manufacture is 1990 to 2245; " + std::to_string(year) + " is not.";
}

std::optional<std::string> maxTmdsProblem(unsigned mhz) {
    if (mhz >= 25 && mhz <= maxTmdsLimitMhz && mhz % tmdsStepMhz == 0) return std::nullopt;
    return "The TMDS limit is 25 to 1275 MHz in steps of 5 MHz, as the HDMI blocks hold it; " + std::to_string(mhz) +
           " is not.";
}

}  // namespace brixel::edid_editor
