// SPDX-License-Identifier: MIT
#pragma once
// The InfoFrame text parser and the HDR checksum: pure work, no device.

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/payloads.h"

namespace brixel {

// The text is copied here, with a carriage return where its terminator was.
inline constexpr std::size_t infoFrameTextAreaSize = 200;

// The byte area the parser fills: the data part of the write frame.
using InfoFrameBytes = std::span<uint8_t, protocol::infoFrameAreaSize>;

// One byte from two characters by the device tool's digit arithmetic; any
// character converts, hex digit or not.
constexpr uint8_t hexPairValue(char high, char low) {
    const auto digit = [](char c) {
        auto byte = static_cast<unsigned>(static_cast<unsigned char>(c));
        if (byte >= 'a' && byte <= 'z') byte -= 0x20;
        return (byte <= '9' ? byte - 0x30u : byte - 0x37u) & 0xFFu;
    };
    return static_cast<uint8_t>((digit(high) * 16u + digit(low)) & 0xFFu);
}

// Converts colon-separated hex text into `bytes` (zeroed first), examining
// `span` character positions, and returns the number of bytes stored (at least
// 1). Positions outside `text` read as NUL, so no text makes it read or write
// out of bounds.
uint8_t parseHexBytes(std::span<const char> text, InfoFrameBytes bytes, std::size_t span);

// The Dynamic Range and Mastering InfoFrame checksum over the first `count`
// parsed bytes: type 0x87 and version 0x01 stand in for the first two.
uint8_t hdrChecksum(std::span<const uint8_t, protocol::infoFrameAreaSize> bytes, std::size_t count);

}  // namespace brixel
