// The tool's copy of the libusb layer.

#include "platform/linux/tool_usb_layer.h"
#include "platform/linux/usb_libusb.h"

namespace brixel::platform {

const BRIXEL_USB_LAYER& toolUsbLayer(void (*warn)(const wchar_t*)) { return libusbUsbLayer(warn); }

}  // namespace brixel::platform
