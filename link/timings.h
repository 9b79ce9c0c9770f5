#pragma once
// Every time-out, wait and size of the protocol, in one place.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace brixel {

// The serial string a device must report to be ours.
inline constexpr std::string_view deviceSerial = "2024";
// Buffer handed to the layer for a device's serial string.
inline constexpr std::size_t serialBufferSize = 260;

// The reply window counts from the start of the exchange, flush and write included.
inline constexpr uint32_t replyWindowMs = 4000;
inline constexpr uint32_t writeTimeoutMs = 4000;
inline constexpr uint32_t readTimeoutMs = 4000;
// The largest reply the device sends, and the size of every reply buffer.
inline constexpr std::size_t replySize = 64;
// The longest request frame any operation builds (InfoFrame area plus header).
inline constexpr std::size_t maxFrameSize = 128;

// The device needs this long to store each 8-byte EDID frame.
inline constexpr uint32_t edidFrameWaitMs = 30;
// Between an InfoFrame and its activation.
inline constexpr uint32_t infoFrameActivationWaitMs = 100;

}  // namespace brixel
