#pragma once
// Turning the device's status registers into the text lines of VIDEO_STATUS.
// Pure: bytes in, text out, no device.

#include <BrixelLibrary.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "link/timings.h"

namespace brixel {

// Each register block as its reply buffer holds it: byte 0 the echo, byte 1
// spare, the block's content from byte 2 on. Bytes no reply delivered are 0.
struct StatusBlocks {
    using Block = std::array<uint8_t, replySize>;
    Block status{};       // register 6
    Block spd{};          // register 21
    Block hdr{};          // register 30
    Block vendor1{};      // register 31
    Block vendor2{};      // register 37
    Block audio{};        // register 38
    Block avi{};          // register 39
    Block displayName{};  // register 53
};

inline constexpr uint8_t statusRegister = 6;
inline constexpr uint8_t statusCount = 28;
inline constexpr uint8_t infoFrameCount = 33;
inline constexpr uint8_t displayNameRegister = 53;
inline constexpr uint8_t displayNameCount = 15;

// The seven blocks read once the gate is open, in the order they are read.
struct FurtherBlock {
    uint8_t reg;
    uint8_t count;
    StatusBlocks::Block StatusBlocks::*block;
};
inline constexpr std::array<FurtherBlock, 7> furtherBlocks{{
    {21, infoFrameCount, &StatusBlocks::spd},
    {30, infoFrameCount, &StatusBlocks::hdr},
    {31, infoFrameCount, &StatusBlocks::vendor1},
    {37, infoFrameCount, &StatusBlocks::vendor2},
    {38, infoFrameCount, &StatusBlocks::audio},
    {39, infoFrameCount, &StatusBlocks::avi},
    {displayNameRegister, displayNameCount, &StatusBlocks::displayName},
}};

// The two frames that bracket the further reads.
inline constexpr uint8_t reportOpenCommand = 0xB4;
inline constexpr uint8_t reportCloseCommand = 0xB1;

// The application renders these red.
inline constexpr std::string_view warningOpen = "<font color='red'>";
inline constexpr std::string_view warningClose = "</font>";

// The report is decoded only when status byte 27 says so.
bool reportGateOpen(const StatusBlocks& blocks);

// Writes the thirteen starting labels; the other seven fields are not touched.
void writeStartingLabels(VIDEO_STATUS& status);

// The whole report: the labels, and with the gate open all twenty lines.
void decodeVideoStatus(const StatusBlocks& blocks, VIDEO_STATUS& status);

// Reads the blocks from the device and decodes them (get_video_format.cpp).
void readVideoStatus(VIDEO_STATUS& status);

}  // namespace brixel
