// set3x, get3x, reset3x.

#include <BrixelLibrary.h>

#include <array>
#include <cstdio>

#include "link/connection.h"
#include "link/transact.h"
#include "matrix/matrix_frame.h"

BRIXEL_API bool set3x(SB_VALUES* values) {
    using namespace brixel;
    if (values == nullptr) return false;
    const auto frame = matrixWriteFrame(*values);
    if (!ensureDeviceOpen()) return false;
    std::array<uint8_t, replySize> reply{};
    const bool ok = transact(reply, frame) && reply[0] == commandMatrix;
    std::printf("%s", ok ? "Matrix values written..." : "Error Writing matrix values.");
    releaseDevice();
    return ok;
}

BRIXEL_API bool get3x(SB_VALUES* values) {
    using namespace brixel;
    if (values == nullptr) return false;
    std::array<uint8_t, replySize> reply{};
    // A failed read leaves the caller's record as it was.
    if (!readBlock(matrixReadRegister, reply, matrixReadCount)) return false;
    *values = decodeMatrixReply(reply);
    return true;
}

BRIXEL_API bool reset3x(SB_VALUES* values) {
    if (values == nullptr) return false;
    *values = brixel::defaultMatrix;
    return true;
}
