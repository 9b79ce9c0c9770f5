// SPDX-License-Identifier: MIT
#include "sim/library_adapter.h"

#include <BrixelPlatform.h>

namespace brixel::sim {

bool install(Simulator& simulator) {
    const BRIXEL_USB_LAYER layer = simulator.usbLayer();
    const BRIXEL_HOST host = simulator.host();
    if (!brixelSetUsbLayer(&layer)) return false;
    brixelSetHost(&host);
    simulator.activate();
    return true;
}

void uninstall(Simulator& simulator) {
    simulator.deactivate();
    // While the library holds a handle the seams stay as they are, and the
    // deactivated trampolines fail every call: an unplugged device.
    brixelSetUsbLayer(nullptr);
    brixelSetHost(nullptr);
}

}  // namespace brixel::sim
