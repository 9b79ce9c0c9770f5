// SPDX-License-Identifier: MIT
#pragma once
// Turning the device's status registers into the text lines of VIDEO_STATUS.
// Pure: bytes in, text out, no device.

#include <BrixelLibrary.h>

#include <array>
#include <cstdint>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "report/status_fields.h"

namespace brixel {

// Each register block as its reply buffer holds it: byte 0 the echo, byte 1
// spare, the block's content from byte 2 on. Bytes no reply delivered are 0.
struct StatusBlocks {
    using Block = std::array<uint8_t, protocol::replySize>;
    Block status{};       // register 6
    Block spd{};          // register 21
    Block hdr{};          // register 30
    Block vendor1{};      // register 31
    Block vendor2{};      // register 37
    Block audio{};        // register 38
    Block avi{};          // register 39
    Block displayName{};  // register 53
};

// The seven blocks read once the gate is open, in the order they are read.
struct FurtherBlock {
    protocol::RegisterBlock read;
    StatusBlocks::Block StatusBlocks::*block;
};
inline constexpr std::array<FurtherBlock, 7> furtherBlocks{{
    {protocol::spdBlock, &StatusBlocks::spd},
    {protocol::hdrBlock, &StatusBlocks::hdr},
    {protocol::vendor1Block, &StatusBlocks::vendor1},
    {protocol::vendor2Block, &StatusBlocks::vendor2},
    {protocol::audioBlock, &StatusBlocks::audio},
    {protocol::aviBlock, &StatusBlocks::avi},
    {protocol::displayNameBlock, &StatusBlocks::displayName},
}};

// The report is decoded only when status byte 27 says so.
bool reportGateOpen(const StatusBlocks& blocks);

// Writes the thirteen starting labels; the other seven fields are not touched.
void writeStartingLabels(VIDEO_STATUS& status);

// The whole report: the labels, and with the gate open all twenty lines.
void decodeVideoStatus(const StatusBlocks& blocks, VIDEO_STATUS& status);

// Reads the blocks from the device and decodes them (get_video_format.cpp).
void readVideoStatus(VIDEO_STATUS& status);

}  // namespace brixel
