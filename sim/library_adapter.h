// SPDX-License-Identifier: MIT
#pragma once
// Puts a simulator in the library's place of the USB layer and the host
// services, through the seams of BrixelPlatform.h, and takes it out again.
// Whoever uses this links the library: tools the shared one, tests the static.

#include "sim/simulator.h"

namespace brixel::sim {

// False, and nothing changed, while the library holds a device open.
bool install(Simulator& simulator);
// Gives the library back the platform's own layer and host.
void uninstall(Simulator& simulator);

}  // namespace brixel::sim
