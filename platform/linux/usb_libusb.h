#pragma once
// The ten operations of the vendor USB layer over libusb-1.0.

#include <BrixelPlatform.h>

namespace brixel::platform {

const BRIXEL_USB_LAYER& libusbUsbLayer();

// Closes every handle the layer holds and ends its libusb session; the next
// call begins a new one. Tests put a fresh emulated bus in place in between.
void shutdownLibusb();

}  // namespace brixel::platform
