// SPDX-License-Identifier: MIT
// set3x, get3x, reset3x.

#include <BrixelLibrary.h>

#include <array>

#include "link/connection.h"
#include "link/platform_access.h"
#include "link/transact.h"
#include "matrix/matrix_frame.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"

BRIXEL_API bool set3x(SB_VALUES* values) {
    using namespace brixel;
    if (values == nullptr) return false;
    const auto frame = matrixWriteFrame(*values);
    DeviceUse device;
    if (!device) return false;
    std::array<uint8_t, protocol::replySize> reply{};
    const bool ok = transact(reply, frame) && reply[0] == protocol::commandMatrix;
    console(ok ? "Matrix values written..." : "Error Writing matrix values.");
    return ok;
}

BRIXEL_API bool get3x(SB_VALUES* values) {
    using namespace brixel;
    if (values == nullptr) return false;
    std::array<uint8_t, protocol::replySize> reply{};
    // A failed read leaves the caller's record as it was.
    if (!readBlock(protocol::matrixBlock.reg, reply, protocol::matrixBlock.count)) return false;
    *values = decodeMatrixReply(reply);
    return true;
}

BRIXEL_API bool reset3x(SB_VALUES* values) {
    if (values == nullptr) return false;
    *values = brixel::defaultMatrix;
    return true;
}
