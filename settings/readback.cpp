#include "settings/readback.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace brixel {

bool readStateBlock(ReplyBuffer reply) {
    const std::array<uint8_t, 3> frame{requestRead, 0x3E, commandState};
    return echoExchange(frame, commandState, errorReading, reply);
}

}  // namespace brixel

BRIXEL_API bool getBrixelState(unsigned char* state) {
    if (!state) return false;
    std::array<uint8_t, brixel::replySize> reply{};
    const bool ok = brixel::readStateBlock(reply);
    std::copy_n(reply.begin() + 2, brixel::stateBlockSize, state);
    return ok;
}

BRIXEL_API bool getFwVersion(char* version) {
    if (!version) return false;
    std::array<uint8_t, brixel::replySize> reply{};
    const bool ok = brixel::readBlock(brixel::firmwareRegister, reply, brixel::firmwareCount);
    std::snprintf(version, brixel::firmwareTextSize, "BRIXEL FW Ver: %d.%d", reply[2], reply[3]);
    return ok;
}
