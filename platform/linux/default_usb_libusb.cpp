// SPDX-License-Identifier: MIT
// Built with libusb-1.0, Linux reaches the device through it.

#include "platform/linux/usb_libusb.h"
#include "platform/platform.h"

namespace brixel::platform {

const BRIXEL_USB_LAYER& defaultUsbLayer(Warn warn) { return libusbUsbLayer(warn); }

}  // namespace brixel::platform
