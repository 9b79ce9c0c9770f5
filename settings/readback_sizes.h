// SPDX-License-Identifier: MIT
#pragma once
// The buffers the readback functions fill, as BrixelLibrary.h gives them.

#include <cstddef>

#include "protocol/registers.h"

namespace brixel {

// "BRIXEL FW Ver: 255.255" and its NUL: the most getFwVersion writes.
inline constexpr std::size_t firmwareTextSize = 23;
// What getBrixelState fills.
inline constexpr std::size_t stateBlockSize = protocol::stateBlockSize;

}  // namespace brixel
