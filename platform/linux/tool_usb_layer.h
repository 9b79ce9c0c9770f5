#pragma once
// The platform's own USB layer, built again for a tool that assembles its own
// stack over it (a device filter, a trace) and installs that stack through
// brixelSetUsbLayer. The library keeps its own copy as its default.

#include <BrixelPlatform.h>

namespace brixel::platform {

// The layer over libusb-1.0, or one that sees no device where libusb is not
// built in. Why an open was refused it tells through `warn`.
const BRIXEL_USB_LAYER& toolUsbLayer(void (*warn)(const wchar_t* text));

}  // namespace brixel::platform
