// SPDX-License-Identifier: MIT
#pragma once
// The command bytes (request byte 2), and the arguments that select within one.

#include <cstdint>

namespace brixel::protocol {

// Write: one setting (code, value). Read: a register block.
inline constexpr uint8_t commandRegister = 0xE0;
// Read: the 60-byte state block.
inline constexpr uint8_t commandState = 0xE1;
inline constexpr uint8_t commandHdrInfoFrame = 0xE5;
inline constexpr uint8_t commandAviInfoFrame = 0xE6;
inline constexpr uint8_t commandMatrix = 0xE8;
// Read: 16 bytes of the device's EDID. Write: 8 bytes of a custom EDID.
inline constexpr uint8_t commandDeviceEdid = 0xB0;
// Ends a custom EDID write; also closes the status report's further reads.
inline constexpr uint8_t commandEdidCommit = 0xB1;
inline constexpr uint8_t commandReportClose = 0xB1;
// Makes the InfoFrame just written current; its argument says which.
inline constexpr uint8_t commandActivate = 0xB3;
inline constexpr uint8_t activateAvi = 0x80;
inline constexpr uint8_t activateHdr = 0x20;
// Opens the status report's further reads.
inline constexpr uint8_t commandReportOpen = 0xB4;
// Read: 16 bytes of the display's EDID.
inline constexpr uint8_t commandSinkEdid = 0xB5;

}  // namespace brixel::protocol
