// SPDX-License-Identifier: MIT
#include "toolkit/edid_decode.h"

// Debian's edid-decode is a Linux program: on Windows each caller says so
// where the Linux build would run it.

namespace brixel::toolkit {

const std::string_view edidDecodeMissing =
    "edid-decode is not available on Windows; on Linux, run it on the bytes `brixelctl edid get -o FILE` writes";

const std::string_view edidDecodeHelpNote = " (not on Windows: edid-decode is a Linux program)";

bool edidDecodeInstalled() { return false; }

std::optional<EdidDecodeRun> runEdidDecodeFor(std::span<const uint8_t>, const std::vector<std::string>&) {
    return std::nullopt;
}

std::optional<std::string> runEdidDecode(std::span<const uint8_t>, std::string_view) { return std::nullopt; }

}  // namespace brixel::toolkit
