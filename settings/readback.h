// SPDX-License-Identifier: MIT
#pragma once

#include <BrixelLibrary.h>

#include "link/transact.h"
#include "protocol/registers.h"
#include "settings/readback_sizes.h"

namespace brixel {

// The state read as an echo-tested exchange.
bool readStateBlock(ReplyBuffer reply);

}  // namespace brixel
