// SPDX-License-Identifier: MIT
#pragma once
// The matrix as the device carries it: field order on the wire, the write
// frame and the decoding of the register read. Pure.

#include <BrixelLibrary.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "matrix/fixed_point.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/payloads.h"
#include "protocol/registers.h"

namespace brixel {

struct MatrixField {
    double SB_VALUES::*field;
    bool coefficient;
};

// The device's order: coefficients of row 2, row 3, row 1, then the offsets of
// rows 1, 2, 3. The write frame and the register read share it.
inline constexpr std::array<MatrixField, 12> matrixWireOrder{{
    {&SB_VALUES::coef21, true},
    {&SB_VALUES::coef22, true},
    {&SB_VALUES::coef23, true},
    {&SB_VALUES::coef31, true},
    {&SB_VALUES::coef32, true},
    {&SB_VALUES::coef33, true},
    {&SB_VALUES::coef11, true},
    {&SB_VALUES::coef12, true},
    {&SB_VALUES::coef13, true},
    {&SB_VALUES::offset1, false},
    {&SB_VALUES::offset2, false},
    {&SB_VALUES::offset3, false},
}};

using protocol::matrixWireSize;
static_assert(matrixWireOrder.size() == protocol::matrixWordCount);
inline constexpr std::size_t matrixFrameSize = protocol::requestHeaderSize + matrixWireSize;

// BT.709 limited-range YCbCr to RGB.
inline constexpr SB_VALUES defaultMatrix{0.0, 1.164, 0.0, 1.793, 0.0, 1.164, -0.213, -0.533, 0.0, 1.164, 2.112, 0.0};

// The 24 data bytes, each value low byte first.
constexpr std::array<uint8_t, matrixWireSize> matrixWireBytes(const SB_VALUES& values) {
    std::array<uint8_t, matrixWireSize> wire{};
    for (std::size_t k = 0; k < matrixWireOrder.size(); ++k) {
        const auto& [field, coefficient] = matrixWireOrder[k];
        const uint16_t word = coefficient ? coefficientToWire(values.*field) : offsetToWire(values.*field);
        wire[2 * k] = static_cast<uint8_t>(word & 0xFF);
        wire[2 * k + 1] = static_cast<uint8_t>(word >> 8);
    }
    return wire;
}

constexpr std::array<uint8_t, matrixFrameSize> matrixWriteFrame(const SB_VALUES& values) {
    std::array<uint8_t, matrixFrameSize> frame{protocol::requestWrite, static_cast<uint8_t>(matrixWireSize),
                                               protocol::commandMatrix};
    const auto wire = matrixWireBytes(values);
    for (std::size_t k = 0; k < wire.size(); ++k) frame[protocol::requestHeaderSize + k] = wire[k];
    return frame;
}

// Decodes reply bytes 2 to 25 of the register read; bytes the reply lacks are 0.
constexpr SB_VALUES decodeMatrixReply(std::span<const uint8_t> reply) {
    const auto byteAt = [&](std::size_t i) { return i < reply.size() ? reply[i] : uint8_t{0}; };
    SB_VALUES values{};
    for (std::size_t k = 0; k < matrixWireOrder.size(); ++k) {
        const auto& [field, coefficient] = matrixWireOrder[k];
        const std::size_t at = protocol::replyDataOffset + 2 * k;
        const auto word = static_cast<uint16_t>(byteAt(at) | (byteAt(at + 1) << 8));
        values.*field = coefficient ? coefficientFromWire(word) : offsetFromWire(word);
    }
    return values;
}

static_assert(matrixFrameSize == 27);
static_assert(matrixWireBytes(defaultMatrix) == std::array<uint8_t, matrixWireSize>{0x3F, 0x25, 0x30, 0xF9, 0xF2, 0xEE,
                                                                                    0x3F, 0x25, 0x95, 0x43, 0x00, 0x00,
                                                                                    0x3F, 0x25, 0x00, 0x00, 0x60, 0x39,
                                                                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
              "the default matrix on the wire");

}  // namespace brixel
