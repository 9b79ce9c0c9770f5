// SPDX-License-Identifier: MIT
#pragma once
// What each edit's value must be, in one place: the option parsers check a
// value as it is typed, and the edits check it again as it is applied, with
// the same sentence. Pure.

#include <optional>
#include <string>
#include <string_view>

namespace brixel::edid_editor {

// A display name or serial descriptor's text.
inline constexpr std::size_t descriptorTextLength = 13;
// The HDMI blocks hold their clocks in steps of 5 MHz.
inline constexpr unsigned tmdsStepMhz = 5;
inline constexpr unsigned maxTmdsLimitMhz = 255 * tmdsStepMhz;
inline constexpr unsigned firstYear = 1990;
inline constexpr unsigned lastYear = firstYear + 255;
inline constexpr unsigned lastWeek = 54;

// How the sentences name the two texts.
inline constexpr std::string_view displayNameText = "The display name";
inline constexpr std::string_view serialTextText = "The serial text";

// Each says why the value cannot be taken, or nullopt when it can.
std::optional<std::string> textProblem(std::string_view what, std::string_view text);
std::optional<std::string> manufacturerProblem(std::string_view letters);
std::optional<std::string> weekProblem(unsigned week);
std::optional<std::string> yearProblem(unsigned year);
std::optional<std::string> maxTmdsProblem(unsigned mhz);

}  // namespace brixel::edid_editor
