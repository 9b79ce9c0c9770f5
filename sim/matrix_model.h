// SPDX-License-Identifier: MIT
#pragma once
// The colour matrix as the host sent it.

#include <array>
#include <cstdint>

#include "protocol/payloads.h"

namespace brixel::sim {

using MatrixWire = std::array<uint8_t, protocol::matrixWireSize>;

// A new device's matrix, as a write frame carries it: BT.709 limited-range
// YCbCr to RGB (R = 1.164 Y + 1.793 Cr, G = 1.164 Y - 0.213 Cb - 0.533 Cr,
// B = 1.164 Y + 2.112 Cb), coefficients in 3.13 fixed point, low byte first,
// rows in the wire's order 2, 3, 1, then three zero offsets.
inline constexpr MatrixWire factoryMatrix{
    0x3F, 0x25, 0x30, 0xF9, 0xF2, 0xEE,  // row 2: Y, Cb, Cr
    0x3F, 0x25, 0x95, 0x43, 0x00, 0x00,  // row 3
    0x3F, 0x25, 0x00, 0x00, 0x60, 0x39,  // row 1
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // offsets of rows 1, 2, 3
};

struct MatrixState {
    // The 24 data bytes of the last matrix write.
    MatrixWire wire = factoryMatrix;
};

}  // namespace brixel::sim
