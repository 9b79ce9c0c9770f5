// SPDX-License-Identifier: MIT
#include "settings/readback.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"

namespace brixel {

bool readStateBlock(ReplyBuffer reply) {
    const std::array<uint8_t, protocol::requestHeaderSize> frame{protocol::requestRead, protocol::stateReplyCount,
                                                                 protocol::commandState};
    return echoExchange(frame, protocol::commandState, errorReading, reply);
}

}  // namespace brixel

BRIXEL_API bool getBrixelState(unsigned char* state) {
    if (!state) return false;
    std::array<uint8_t, brixel::protocol::replySize> reply{};
    const bool ok = brixel::readStateBlock(reply);
    std::copy_n(reply.begin() + brixel::protocol::replyDataOffset, brixel::protocol::stateBlockSize, state);
    return ok;
}

BRIXEL_API bool getFwVersion(char* version) {
    if (!version) return false;
    std::array<uint8_t, brixel::protocol::replySize> reply{};
    const bool ok =
        brixel::readBlock(brixel::protocol::firmwareBlock.reg, reply, brixel::protocol::firmwareBlock.count);
    const uint8_t* numbers = reply.data() + brixel::protocol::replyDataOffset;
    std::snprintf(version, brixel::firmwareTextSize, "BRIXEL FW Ver: %d.%d", numbers[0], numbers[1]);
    return ok;
}
