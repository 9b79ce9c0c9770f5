// SPDX-License-Identifier: MIT
#pragma once
// InfoFrames as people hand them to `infoframe decode`: colon hex as the
// status report prints it (87:01:1a:...), hex with blanks, commas or 0x, the
// other dumps EDID files come in, or raw binary as the kernel's debugfs
// InfoFrame files and edid-decode's -I input hold them: the packed frame,
// header and checksum included. Pure.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "infoframe/infoframe_bytes.h"

namespace brixel::toolkit {

// A frame is at least its header and checksum, and at most a whole InfoFrame
// packet: header, checksum and 27 payload bytes.
inline constexpr std::size_t infoFrameMinBytes = infoframe::headerSize;
inline constexpr std::size_t infoFrameMaxBytes = infoframe::hdrMaxBytes;
// Files larger than this are no InfoFrame in any form (a commented hex dump included).
inline constexpr std::size_t infoFrameFileLimit = 64 * 1024;

struct InfoFrameBytes {
    std::vector<uint8_t> bytes;
    std::string form;  // "raw binary", "a hex dump", ...
};

// The frame `content` holds; nullopt with `error`, a sentence, for content
// that is no InfoFrame: empty, not hex, an odd digit, too few or too many bytes.
std::optional<InfoFrameBytes> readInfoFrameBytes(std::string_view content, std::string& error);

}  // namespace brixel::toolkit
