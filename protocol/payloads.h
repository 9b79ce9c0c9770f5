// SPDX-License-Identifier: MIT
#pragma once
// The sizes of what the frames carry.

#include <cstddef>

namespace brixel::protocol {

// A base block and one extension block.
inline constexpr std::size_t edidBlockSize = 128;
inline constexpr std::size_t edidSize = 2 * edidBlockSize;
// EDID bytes per read reply and per write frame.
inline constexpr std::size_t edidReadChunk = 16;
inline constexpr std::size_t edidWriteChunk = 8;

// Nine coefficients and three offsets, one 16-bit word each, low byte first.
inline constexpr std::size_t matrixWordCount = 12;
inline constexpr std::size_t matrixWireSize = 2 * matrixWordCount;

// The most an InfoFrame write carries after its header; its length byte is
// the count it does carry.
inline constexpr std::size_t infoFrameAreaSize = 100;

}  // namespace brixel::protocol
