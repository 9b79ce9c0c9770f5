#pragma once

#include <BrixelLibrary.h>

#include "link/transact.h"

namespace brixel {

inline constexpr std::size_t stateBlockSize = 60;
inline constexpr uint8_t firmwareRegister = 7;
inline constexpr uint8_t firmwareCount = 8;
// "BRIXEL FW Ver: 255.255" and its NUL.
inline constexpr std::size_t firmwareTextSize = 23;

// The state read as an echo-tested exchange.
bool readStateBlock(ReplyBuffer reply);

}  // namespace brixel
