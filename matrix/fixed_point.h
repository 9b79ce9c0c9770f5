// SPDX-License-Identifier: MIT
#pragma once
// The wire form of the matrix values: 16-bit fixed point, 3.13 for the
// coefficients and 8.8 for the offsets. Pure and constexpr.

#include <cstdint>

namespace brixel {

inline constexpr double coefficientScale = 8192.0;  // 2^13
inline constexpr double offsetScale = 256.0;        // 2^8

// Truncation toward zero to 32 bits, with NaN and anything out of range giving
// -2^31 as the x86 conversion does, but without the cast that would be UB.
constexpr int32_t truncateToInt32(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(x);
}

constexpr uint16_t lowWord(int32_t value) { return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu); }

constexpr uint16_t coefficientToWire(double value) { return lowWord(truncateToInt32(value * coefficientScale)); }
constexpr uint16_t offsetToWire(double value) { return lowWord(truncateToInt32(value * offsetScale)); }

// 0x8000 stays positive: it reads back as +4.0.
constexpr double coefficientFromWire(uint16_t word) {
    const int32_t signedWord = word > 0x8000 ? int32_t{word} - 0x10000 : int32_t{word};
    return signedWord / coefficientScale;
}

// Only the whole part comes back, unsigned: the high byte.
constexpr double offsetFromWire(uint16_t word) { return static_cast<double>(word / 256); }

}  // namespace brixel
