#pragma once
// The colour matrix as the host sent it.

#include <array>
#include <cstdint>

#include "matrix/matrix_frame.h"

namespace brixel::sim {

struct MatrixState {
    // The 24 data bytes of the last matrix write; a new device holds the default.
    std::array<uint8_t, matrixWireSize> wire = matrixWireBytes(defaultMatrix);
};

}  // namespace brixel::sim
