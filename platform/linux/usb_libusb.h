// SPDX-License-Identifier: MIT
#pragma once
// The ten operations of the vendor USB layer over libusb-1.0.

#include <BrixelPlatform.h>

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace brixel::platform {

// The layer. Why an open was refused (no permission for the device node, the
// device in use) it tells the user through `warn`, the one given last.
const BRIXEL_USB_LAYER& libusbUsbLayer(Warn warn);

// That explanation of libusb's error on opening the device at `node`; empty
// for an error it has none for.
std::wstring openFailureExplanation(int libusbError, std::string_view node);

// Closes every handle the layer holds and ends its libusb session; the next
// call begins a new one. Tests put a fresh emulated bus in place in between.
void shutdownLibusb();

}  // namespace brixel::platform
