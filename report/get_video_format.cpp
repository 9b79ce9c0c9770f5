// SPDX-License-Identifier: MIT
// The report's device traffic; the decoding is in status_decode.cpp.

#include <BrixelLibrary.h>

#include <array>

#include "link/connection.h"
#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "report/status_decode.h"

namespace brixel {
namespace {

// Neither the result nor the reply is looked at.
void sendReportFrame(uint8_t command) {
    DeviceUse device;
    if (!device) return;
    const std::array<uint8_t, protocol::reportStepFrameSize> frame{protocol::requestWrite,
                                                                   protocol::reportStepFrameLength, command, 0x00};
    std::array<uint8_t, protocol::replySize> reply{};
    transact(reply, frame);
}

}  // namespace

void readVideoStatus(VIDEO_STATUS& status) {
    writeStartingLabels(status);
    StatusBlocks blocks{};
    readBlock(protocol::statusBlock.reg, blocks.status, protocol::statusBlock.count);
    if (!reportGateOpen(blocks)) return;

    sendReportFrame(protocol::commandReportOpen);
    for (const auto& further : furtherBlocks) readBlock(further.read.reg, blocks.*further.block, further.read.count);
    sendReportFrame(protocol::commandReportClose);

    decodeVideoStatus(blocks, status);
}

}  // namespace brixel

BRIXEL_API bool getVideoFormat(VIDEO_STATUS* status) {
    if (!status) return false;
    brixel::readVideoStatus(*status);
    return true;
}
