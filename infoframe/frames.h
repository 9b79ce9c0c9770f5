#pragma once
// The command bytes of the InfoFrame write and its activation.

#include <cstdint>

namespace brixel {

inline constexpr uint8_t commandAviInfoFrame = 0xE6;
inline constexpr uint8_t commandHdrInfoFrame = 0xE5;
inline constexpr uint8_t commandActivate = 0xB3;
// The activation frame's last byte says which InfoFrame to take.
inline constexpr uint8_t activateAvi = 0x80;
inline constexpr uint8_t activateHdr = 0x20;

}  // namespace brixel
