// SPDX-License-Identifier: MIT
#pragma once
// What each operating system supplies when no one installed a layer or host.

#include <BrixelPlatform.h>

namespace brixel::platform {

// A warning as the link shows it: through the host in force, an application's
// own or the platform's. Layers get it from the link, which they cannot see.
using Warn = void (*)(const wchar_t* text);

// What the operating system refuses a layer (a device node without
// permission), the layer explains through `warn`, so that the caller hears it.
const BRIXEL_USB_LAYER& defaultUsbLayer(Warn warn);
const BRIXEL_HOST& defaultHost();

// A layer that sees no device: the fallback where no USB backend is built in.
const BRIXEL_USB_LAYER& noDeviceUsbLayer();

}  // namespace brixel::platform
