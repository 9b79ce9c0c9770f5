// SPDX-License-Identifier: MIT
#pragma once
// Debian's edid-decode run on EDID bytes: for `brixelctl edid ... --decode`
// and `--check`, and for the tests that read the built-in EDIDs through it.
// The bytes go to it through a pipe: no temporary file to leave behind.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::toolkit {

inline constexpr std::string_view edidDecodeProgram = "edid-decode";
// What to do where it is missing (on Windows: that it is Linux's).
extern const std::string_view edidDecodeMissing;
// What the options that run it add to their help: nothing where it runs,
// where it does not, that it cannot.
extern const std::string_view edidDecodeHelpNote;

// True when edid-decode is on the PATH.
bool edidDecodeInstalled();

struct EdidDecodeRun {
    std::string output;   // standard output and standard error
    int exitStatus = -1;  // with --check: 0 when the EDID conforms
};

// edid-decode with `options` (e.g. {"--check"}); nullopt when it is not
// installed. Throws std::runtime_error when it cannot be started.
std::optional<EdidDecodeRun> runEdidDecodeFor(std::span<const uint8_t> edid, const std::vector<std::string>& options);

// Its output alone, for `options` given as one word or none.
std::optional<std::string> runEdidDecode(std::span<const uint8_t> edid, std::string_view options = {});

}  // namespace brixel::toolkit
