#pragma once
// EDID files as people have them: raw 256-byte binaries or hex dumps, and the
// checks made before one is written to the device.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid/catalogue.h"

namespace brixel::cli {

inline constexpr std::size_t edidFileSize = edid::edidSize;

// Raw binary, or hex text in which white space, commas, colons and 0x
// prefixes are skipped. Nullopt with `error` set when neither reads cleanly.
std::optional<std::vector<uint8_t>> parseEdidBytes(std::string_view content, std::string& error);

// Everything that makes `edid` unfit for the device, one line each; empty when
// the header and both checksums are right.
std::vector<std::string> edidProblems(std::span<const uint8_t> edid);

// 16 bytes per line, lower-case hex separated by spaces, as parseEdidBytes reads it back.
std::string hexDump(std::span<const uint8_t> bytes);

}  // namespace brixel::cli
