// SPDX-License-Identifier: MIT
#include "edid/edid_transfer.h"

#include <BrixelLibrary.h>

#include <algorithm>
#include <array>

#include "link/connection.h"
#include "link/platform_access.h"
#include "link/timings.h"
#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/payloads.h"

namespace brixel::edid {

bool readEdid(uint8_t command, std::span<uint8_t, protocol::edidSize> edid, const char* errorLine) {
    DeviceUse device;
    if (!device) return false;
    std::array<uint8_t, protocol::replySize> reply{};
    bool complete = true;
    for (std::size_t offset = 0; offset < protocol::edidSize; offset += protocol::edidReadChunk) {
        const std::array<uint8_t, protocol::edidFrameHeaderSize> frame{protocol::requestRead,
                                                                       static_cast<uint8_t>(protocol::edidReadChunk),
                                                                       command, static_cast<uint8_t>(offset)};
        uint32_t received = 0;
        // A reply too short to hold the chunk would leave zeros posing as EDID bytes.
        if (!transact(reply, frame, &received) || received < protocol::edidReadChunk) {
            complete = false;
            break;
        }
        std::copy_n(reply.begin(), protocol::edidReadChunk, edid.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    // The error line comes after the release step.
    device.release();
    if (!complete && errorLine) console(errorLine);
    return complete;
}

bool writeEdid(std::span<const uint8_t, protocol::edidSize> edid) {
    DeviceUse device;
    if (!device) return false;
    std::array<uint8_t, protocol::replySize> reply{};
    bool everyFrameTaken = true;
    for (std::size_t offset = 0; offset < protocol::edidSize; offset += protocol::edidWriteChunk) {
        std::array<uint8_t, protocol::edidFrameHeaderSize + protocol::edidWriteChunk> frame{
            protocol::requestWrite, static_cast<uint8_t>(protocol::edidWriteChunk), protocol::commandDeviceEdid,
            static_cast<uint8_t>(offset)};
        std::copy_n(edid.begin() + static_cast<std::ptrdiff_t>(offset), protocol::edidWriteChunk,
                    frame.begin() + protocol::edidFrameHeaderSize);
        if (!transact(reply, frame) || reply[0] != protocol::commandDeviceEdid) {
            console(errorWritingEdid);
            everyFrameTaken = false;
        }
        sleepMs(edidFrameWaitMs);
    }
    // The length byte says 8 although no data follow.
    const std::array<uint8_t, protocol::requestHeaderSize> commit{
        protocol::requestWrite, static_cast<uint8_t>(protocol::edidWriteChunk), protocol::commandEdidCommit};
    const bool committed = transact(reply, commit) && reply[0] == protocol::commandEdidCommit;
    console(committed ? edidWritten : errorCommitting);
    return everyFrameTaken && committed;
}

}  // namespace brixel::edid

BRIXEL_API bool getEdid(unsigned char* edid) {
    if (edid == nullptr) return false;
    return brixel::edid::readEdid(brixel::protocol::commandDeviceEdid,
                                  std::span<uint8_t, brixel::protocol::edidSize>(edid, brixel::protocol::edidSize),
                                  brixel::edid::errorReadingEdid);
}

BRIXEL_API bool getSinkEdid(unsigned char* edid) {
    if (edid == nullptr) return false;
    return brixel::edid::readEdid(brixel::protocol::commandSinkEdid,
                                  std::span<uint8_t, brixel::protocol::edidSize>(edid, brixel::protocol::edidSize),
                                  brixel::edid::errorReadingSinkEdid);
}

BRIXEL_API bool setCustomEdid(unsigned char* edid) {
    if (edid == nullptr) return false;
    return brixel::edid::writeEdid(
        std::span<const uint8_t, brixel::protocol::edidSize>(edid, brixel::protocol::edidSize));
}
