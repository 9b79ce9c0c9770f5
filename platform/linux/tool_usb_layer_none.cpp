// Built without libusb-1.0, the tool's layer sees no device.

#include "platform/linux/tool_usb_layer.h"
#include "platform/platform.h"

namespace brixel::platform {

const BRIXEL_USB_LAYER& toolUsbLayer(void (*)(const wchar_t*)) { return noDeviceUsbLayer(); }

}  // namespace brixel::platform
