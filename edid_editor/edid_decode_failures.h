// SPDX-License-Identifier: MIT
#pragma once
// What edid-decode --check finds wrong, read from its output, so that a
// derived EDID can be held to "no new failure compared with the original".
// Running edid-decode is the caller's part; this reads only text. Pure.

#include <string>
#include <string_view>
#include <vector>

namespace brixel::edid_editor {

// The failures an edid-decode --check output lists, each one line with the
// part it is under: "Block 1, CTA-861 Extension Block: Missing VCDB, ...".
// A failure with detail lines gives a line per detail.
std::vector<std::string> edidDecodeFailures(std::string_view checkOutput);

// The failures `after` lists that `before` does not; a failure listed twice
// counts twice. Details are matched by what they name, not their numbers: a
// timing out of range for the same reason is the same failure.
std::vector<std::string> newEdidDecodeFailures(std::string_view before, std::string_view after);

}  // namespace brixel::edid_editor
