// SPDX-License-Identifier: MIT
#pragma once
// The register blocks read with the register command, each with the reply
// count it is asked for (echo and spare byte included), and the state read.

#include <cstddef>
#include <cstdint>

namespace brixel::protocol {

struct RegisterBlock {
    uint8_t reg;
    uint8_t count;
};

inline constexpr RegisterBlock statusBlock{6, 28};
inline constexpr RegisterBlock firmwareBlock{7, 8};
inline constexpr uint8_t infoFrameBlockCount = 33;
inline constexpr RegisterBlock spdBlock{21, infoFrameBlockCount};
inline constexpr RegisterBlock hdrBlock{30, infoFrameBlockCount};
inline constexpr RegisterBlock vendor1Block{31, infoFrameBlockCount};
inline constexpr RegisterBlock vendor2Block{37, infoFrameBlockCount};
inline constexpr RegisterBlock audioBlock{38, infoFrameBlockCount};
inline constexpr RegisterBlock aviBlock{39, infoFrameBlockCount};
inline constexpr RegisterBlock matrixBlock{44, 26};
inline constexpr RegisterBlock displayNameBlock{53, 15};

// The state read has no register: its length byte asks for 62 bytes, the
// echo, a spare byte and the block.
inline constexpr std::size_t stateBlockSize = 60;
inline constexpr uint8_t stateReplyCount = 2 + stateBlockSize;
static_assert(stateReplyCount == 0x3E);

}  // namespace brixel::protocol
