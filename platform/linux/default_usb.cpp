// SPDX-License-Identifier: MIT
// Built without libusb-1.0, Linux sees no device.

#include "platform/platform.h"

namespace brixel::platform {

const BRIXEL_USB_LAYER& defaultUsbLayer(Warn) { return noDeviceUsbLayer(); }

}  // namespace brixel::platform
