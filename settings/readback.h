#pragma once

#include <BrixelLibrary.h>

#include "link/transact.h"
#include "protocol/registers.h"

namespace brixel {

// "BRIXEL FW Ver: 255.255" and its NUL.
inline constexpr std::size_t firmwareTextSize = 23;

// The state read as an echo-tested exchange.
bool readStateBlock(ReplyBuffer reply);

}  // namespace brixel
