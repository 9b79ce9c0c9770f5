// Until a USB backend is built in, Linux sees no device.

#include "platform/platform.h"

namespace brixel::platform {

const BRIXEL_USB_LAYER& defaultUsbLayer() { return noDeviceUsbLayer(); }

}  // namespace brixel::platform
