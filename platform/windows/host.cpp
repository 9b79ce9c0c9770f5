// SPDX-License-Identifier: MIT
// Host services on Windows: the kernel's tick and sleep, and warnings as modal
// message boxes with no owner window.

#include <windows.h>

#include "platform/platform.h"

namespace brixel::platform {
namespace {

uint32_t kernelTick() { return GetTickCount(); }

void kernelSleep(uint32_t ms) { Sleep(ms); }

void messageBox(const wchar_t* text) { MessageBoxW(nullptr, text, L" ", MB_ICONWARNING); }

}  // namespace

const BRIXEL_HOST& defaultHost() {
    static const BRIXEL_HOST host{kernelTick, kernelSleep, messageBox};
    return host;
}

}  // namespace brixel::platform
