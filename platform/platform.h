#pragma once
// What each operating system supplies when no one installed a layer or host.

#include <BrixelPlatform.h>

namespace brixel::platform {

const BRIXEL_USB_LAYER& defaultUsbLayer();
const BRIXEL_HOST& defaultHost();

// A layer that sees no device: the fallback where no USB backend is built in.
const BRIXEL_USB_LAYER& noDeviceUsbLayer();

}  // namespace brixel::platform
