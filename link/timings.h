// SPDX-License-Identifier: MIT
#pragma once
// Every time-out and wait of the link and the operations, in one place.

#include <cstdint>

namespace brixel {

// The reply window counts from the start of the exchange, flush and write included.
inline constexpr uint32_t replyWindowMs = 4000;
inline constexpr uint32_t writeTimeoutMs = 4000;
inline constexpr uint32_t readTimeoutMs = 4000;

// The device needs this long to store each 8-byte EDID frame.
inline constexpr uint32_t edidFrameWaitMs = 30;
// Between an InfoFrame and its activation.
inline constexpr uint32_t infoFrameActivationWaitMs = 100;

}  // namespace brixel
