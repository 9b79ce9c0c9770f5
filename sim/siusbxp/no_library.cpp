// The stand-in is itself the USB layer: its simulator never installs into a
// library, so the seams it would install through have nothing behind them.

#include <BrixelPlatform.h>

bool brixelSetUsbLayer(const BRIXEL_USB_LAYER*) { return false; }
bool brixelSetHost(const BRIXEL_HOST*) { return false; }
