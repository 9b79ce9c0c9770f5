// SPDX-License-Identifier: MIT
#pragma once
// The shape every request and reply shares.

#include <cstddef>
#include <cstdint>

namespace brixel::protocol {

// Request byte 0.
inline constexpr uint8_t requestWrite = 0x10;
inline constexpr uint8_t requestRead = 0x11;
// Kind, length byte, command byte; arguments or payload follow.
inline constexpr std::size_t requestHeaderSize = 3;
// A reply echoes the command byte in byte 0; byte 1 carries nothing the host
// reads; register and state data start at byte 2.
inline constexpr std::size_t replyDataOffset = 2;
// The largest reply the device sends, and the size of every reply buffer.
inline constexpr std::size_t replySize = 64;
// The longest request frame any operation builds (InfoFrame area plus header).
inline constexpr std::size_t maxFrameSize = 128;

// The setting write's length byte is fixed: not the count of bytes after it.
inline constexpr uint8_t settingFrameLength = 0x04;
inline constexpr std::size_t settingFrameSize = 5;
// An activation frame: header and the byte that says which InfoFrame.
inline constexpr std::size_t activationFrameSize = 4;
// A register block read: header and the register.
inline constexpr std::size_t registerReadFrameSize = 4;
// An EDID frame's header and its offset byte; a write's data follow.
inline constexpr std::size_t edidFrameHeaderSize = 4;
// The status report's open and close frames: a fixed length byte and one zero
// argument.
inline constexpr uint8_t reportStepFrameLength = 0x02;
inline constexpr std::size_t reportStepFrameSize = 4;

}  // namespace brixel::protocol
