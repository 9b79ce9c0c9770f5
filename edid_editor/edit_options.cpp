// SPDX-License-Identifier: MIT
#include <algorithm>
#include <charconv>

#include "edid_editor/edit_rules.h"
#include "edid_editor/edits.h"

namespace brixel::edid_editor {
namespace {

std::optional<unsigned long> parseNumber(std::string_view text, unsigned long max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

std::optional<std::string> notANumber(std::string_view flag, std::string_view text, unsigned long max) {
    return "--" + std::string(flag) + " takes a number from 0 to " + std::to_string(max) + "; " + quoted(text) +
           " is not one.";
}

// "97,96 4": the numbers of a list, each a VIC code.
std::optional<std::string> parseVics(std::string_view flag, std::string_view text, std::vector<unsigned>& vics) {
    std::size_t at = 0;
    bool any = false;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of(", ", at);
        const std::string_view item =
            text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end + 1;
        if (item.empty()) continue;
        const auto vic = parseNumber(item, 255);
        if (!vic || *vic == 0)
            return "--" + std::string(flag) + " takes VIC numbers 1 to 255; " + quoted(item) + " is not one.";
        vics.push_back(static_cast<unsigned>(*vic));
        any = true;
    }
    if (!any) return "--" + std::string(flag) + " takes at least one VIC number.";
    return std::nullopt;
}

template <typename T>
std::optional<std::string> setNumber(std::string_view flag, std::string_view text, unsigned long max,
                                     std::optional<T>& field) {
    const auto value = parseNumber(text, max);
    if (!value) return notANumber(flag, text, max);
    field = static_cast<T>(*value);
    return std::nullopt;
}

}  // namespace

const std::array<EditOption, 14> editOptions{{
    {"--name", "TEXT", "the display name (up to 13 characters), in place of an unused descriptor where there is none",
     false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         if (auto problem = textProblem(displayNameText, text)) return problem;
         e.name = std::string(text);
         return std::nullopt;
     }},
    {"--serial", "N", "the serial number (0 to 4294967295)", false,
     [](std::string_view text, EdidEdits& e) { return setNumber("serial", text, 0xFFFFFFFF, e.serial); }},
    {"--serial-text", "TEXT", "the serial number descriptor's text (up to 13 characters)", false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         if (auto problem = textProblem(serialTextText, text)) return problem;
         e.serialText = std::string(text);
         return std::nullopt;
     }},
    {"--product", "ID", "the product code (0 to 65535, or 0x0000 to 0xFFFF)", false,
     [](std::string_view text, EdidEdits& e) { return setNumber("product", text, 0xFFFF, e.product); }},
    {"--manufacturer", "ABC", "the manufacturer's three letters", false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         std::string letters(text);
         std::transform(letters.begin(), letters.end(), letters.begin(),
                        [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
         if (auto problem = manufacturerProblem(letters)) return problem;
         e.manufacturer = letters;
         return std::nullopt;
     }},
    {"--week", "N", "the week of manufacture (1 to 54, 0 for none)", false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         if (auto problem = setNumber("week", text, lastWeek, e.week)) return problem;
         return weekProblem(*e.week);
     }},
    {"--year", "N", "the year of manufacture (1990 to 2245)", false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         if (auto problem = setNumber("year", text, lastYear, e.year)) return problem;
         return yearProblem(*e.year);
     }},
    {"--drop", "WHAT",
     "take away hdr, hdr10plus, dolby-vision, vrr, allm, audio, 3d or ycbcr420, with what announces it", true,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         std::size_t at = 0;
         while (at <= text.size()) {
             const std::size_t end = std::min(text.find(',', at), text.size());
             const std::string_view name = text.substr(at, end - at);
             const auto feature = featureNamed(name);
             if (!feature) {
                 std::string names;
                 for (const auto& row : featureNames) names += (names.empty() ? "" : ", ") + std::string(row.name);
                 return "--drop takes " + names + "; " + quoted(name) + " is not one of them.";
             }
             if (std::find(e.drop.begin(), e.drop.end(), *feature) == e.drop.end()) e.drop.push_back(*feature);
             at = end + 1;
         }
         return std::nullopt;
     }},
    {"--max-tmds", "MHZ",
     "cap the HDMI blocks' TMDS clocks (steps of 5 MHz) and remove every mode whose pixel clock needs more", false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         if (auto problem = setNumber("max-tmds", text, maxTmdsLimitMhz, e.maxTmdsMhz)) return problem;
         return maxTmdsProblem(*e.maxTmdsMhz);
     }},
    {"--max-mode", "WxH@HZ", "remove every mode wider, taller or faster than this one", false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         std::string error;
         e.maxMode = parseModeRequest(text, error);
         if (!e.maxMode) return error;
         return std::nullopt;
     }},
    {"--audio-from", "FILE", "take the audio and speaker allocation blocks from another EDID (an AV receiver's)", false,
     nullptr},
    {"--add-vic", "N...", "add VICs to the Video Data Block", true,
     [](std::string_view text, EdidEdits& e) { return parseVics("add-vic", text, e.addVics); }},
    {"--remove-vic", "N...", "remove VICs from the video data blocks", true,
     [](std::string_view text, EdidEdits& e) { return parseVics("remove-vic", text, e.removeVics); }},
    {"--preferred", "VIC|WxH@HZ", "make this mode the first and native one, and its detailed timing descriptor 1",
     false,
     [](std::string_view text, EdidEdits& e) -> std::optional<std::string> {
         if (text.find('x') != std::string_view::npos) {
             std::string error;
             const auto request = parseModeRequest(text, error);
             if (!request) return error;
             e.preferred = *request;
             return std::nullopt;
         }
         const auto vic = parseNumber(text, 255);
         if (!vic || *vic == 0)
             return "--preferred takes a VIC number (1 to 255) or a mode WxH@HZ; " + quoted(text) + " is neither.";
         e.preferred = static_cast<unsigned>(*vic);
         return std::nullopt;
     }},
}};

std::optional<std::string> setEditOption(std::string_view flag, std::string_view text, EdidEdits& edits) {
    for (const auto& option : editOptions) {
        if (option.flag != flag && option.flag.substr(2) != flag) continue;
        if (!option.set) return std::string(option.flag) + " takes the bytes of an EDID file, read by the caller.";
        return option.set(text, edits);
    }
    return quoted(flag) + " is not an edit.";
}

std::optional<Feature> featureNamed(std::string_view name) {
    for (const auto& row : featureNames)
        if (row.name == name) return row.feature;
    return std::nullopt;
}

std::string_view featureName(Feature feature) {
    for (const auto& row : featureNames)
        if (row.feature == feature) return row.name;
    return {};
}

}  // namespace brixel::edid_editor
