// The report's device traffic; the decoding is in status_decode.cpp.

#include <BrixelLibrary.h>

#include <array>

#include "link/connection.h"
#include "link/transact.h"
#include "report/status_decode.h"

namespace brixel {
namespace {

// Neither the result nor the reply is looked at.
void sendReportFrame(uint8_t command) {
    if (!ensureDeviceOpen()) return;
    const std::array<uint8_t, 4> frame{requestWrite, 0x02, command, 0x00};
    std::array<uint8_t, replySize> reply{};
    transact(reply, frame);
    releaseDevice();
}

}  // namespace

void readVideoStatus(VIDEO_STATUS& status) {
    writeStartingLabels(status);
    StatusBlocks blocks{};
    readBlock(statusRegister, blocks.status, statusCount);
    if (!reportGateOpen(blocks)) return;

    sendReportFrame(reportOpenCommand);
    for (const auto& further : furtherBlocks) readBlock(further.reg, blocks.*further.block, further.count);
    sendReportFrame(reportCloseCommand);

    decodeVideoStatus(blocks, status);
}

}  // namespace brixel

BRIXEL_API bool getVideoFormat(VIDEO_STATUS* status) {
    if (!status) return false;
    brixel::readVideoStatus(*status);
    return true;
}
