// SPDX-License-Identifier: MIT
#pragma once
// EDID files as people have them, and the checks made before one is written
// to the device. The forms read: raw binary; hex with any white space,
// commas, colons and 0x (v4l2-ctl, `edid get`); the hex block at the top of
// edid-decode's output (and so `edid get --decode`); C arrays (edid-decode
// -o carray, xxd -i); hexdump -C and xxd dumps; each with or without a UTF-8
// byte-order mark. Pure.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid/catalogue.h"

namespace brixel::toolkit {

inline constexpr std::size_t edidFileSize = edid::edidSize;
// The most an EDID file may hold: edid-decode's output of the largest EDID
// is some tens of kilobytes.
inline constexpr std::size_t edidFileLimit = 1024 * 1024;

struct EdidBytes {
    std::vector<uint8_t> bytes;
    std::string form;  // "raw binary", "a hex dump", "a C array", ...
};

// The bytes `content` holds, in whichever form it has; nullopt with `error`
// saying where it stops making sense.
std::optional<EdidBytes> readEdidBytes(std::string_view content, std::string& error);

// The 256 bytes the device takes: 256 as they are; 128 whose base block
// announces no extension, padded with an empty extension block (said in
// `notes`); anything else nullopt with `error` giving the reason.
std::optional<std::vector<uint8_t>> edidForDevice(const EdidBytes& read, std::vector<std::string>& notes,
                                                  std::string& error);

// Both steps: what the device takes from the file's content.
std::optional<std::vector<uint8_t>> parseEdidBytes(std::string_view content, std::string& error);

// Everything that makes `edid` unfit for the device, one line each; empty when
// the header and both checksums are right.
std::vector<std::string> edidProblems(std::span<const uint8_t> edid);

// The blocks the base block announces (itself and its extensions), as far as
// `edid` holds them: a base block padded with an empty extension is the base
// block alone.
std::span<const uint8_t> announcedBlocks(std::span<const uint8_t> edid);

// Sets each block's last byte to the checksum it needs; a line for each changed.
std::vector<std::string> fixEdidChecksums(std::span<uint8_t> edid);

// 16 bytes per line, lower-case hex separated by spaces, as parseEdidBytes reads it back.
std::string hexDump(std::span<const uint8_t> bytes);

}  // namespace brixel::toolkit
