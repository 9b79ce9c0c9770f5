#include "settings/readback.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"

namespace brixel {

bool readStateBlock(ReplyBuffer reply) {
    const std::array<uint8_t, 3> frame{protocol::requestRead, 0x3E, protocol::commandState};
    return echoExchange(frame, protocol::commandState, errorReading, reply);
}

}  // namespace brixel

BRIXEL_API bool getBrixelState(unsigned char* state) {
    if (!state) return false;
    std::array<uint8_t, brixel::protocol::replySize> reply{};
    const bool ok = brixel::readStateBlock(reply);
    std::copy_n(reply.begin() + 2, brixel::protocol::stateBlockSize, state);
    return ok;
}

BRIXEL_API bool getFwVersion(char* version) {
    if (!version) return false;
    std::array<uint8_t, brixel::protocol::replySize> reply{};
    const bool ok =
        brixel::readBlock(brixel::protocol::firmwareBlock.reg, reply, brixel::protocol::firmwareBlock.count);
    std::snprintf(version, brixel::firmwareTextSize, "BRIXEL FW Ver: %d.%d", reply[2], reply[3]);
    return ok;
}
