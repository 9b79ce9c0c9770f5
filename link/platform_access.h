// SPDX-License-Identifier: MIT
#pragma once
// The two seam tables in force. The link reaches the outside world only here.

#include <BrixelPlatform.h>

namespace brixel {

const BRIXEL_USB_LAYER& usb();
const BRIXEL_HOST& host();

// Shorthands for the host services.
void warn(const wchar_t* text);
uint32_t tickCount();
void sleepMs(uint32_t ms);
// A piece of console text, to the application's sink or standard output.
void console(const char* text);

}  // namespace brixel
