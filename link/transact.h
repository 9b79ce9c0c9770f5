// SPDX-License-Identifier: MIT
#pragma once
// One request/reply exchange, the echo-tested exchange built on it, and the
// register block read.

#include <cstdint>
#include <span>

#include "protocol/frame.h"

namespace brixel {

using ReplyBuffer = std::span<uint8_t, protocol::replySize>;

// Writes `frame`, waits for the reply and reads it into `reply`. The caller has
// opened the device. `reply` is zeroed first, so bytes no read delivered are 0.
// `bytesRead`, when given, receives how many reply bytes arrived (0 when none).
bool transact(ReplyBuffer reply, std::span<const uint8_t> frame, uint32_t* bytesRead = nullptr);

// Opens on demand, runs one frame, requires reply byte 0 to be `command`,
// prints `errorLine` on failure, and releases the device.
bool echoExchange(std::span<const uint8_t> frame, uint8_t command, const char* errorLine, ReplyBuffer reply);

// Reads `count` reply bytes of register block `reg` (echo 0xE0).
bool readBlock(uint8_t reg, ReplyBuffer reply, uint8_t count);

inline constexpr const char* errorReading = "Error Reading values\n";
inline constexpr const char* errorWriting = "Error Writing values\n";

}  // namespace brixel
