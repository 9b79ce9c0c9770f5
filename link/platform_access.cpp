// SPDX-License-Identifier: MIT
#include "link/platform_access.h"

#include <cstdio>
#include <optional>

#include "link/connection.h"
#include "platform/platform.h"

namespace brixel {
namespace {

// Installed tables, copied; empty means the platform's own.
std::optional<BRIXEL_USB_LAYER> installedLayer;
std::optional<BRIXEL_HOST> installedHost;

bool complete(const BRIXEL_USB_LAYER& l) {
    return l.getNumDevices && l.getProductString && l.open && l.close && l.read && l.write && l.flushBuffers &&
           l.setTimeouts && l.getTimeouts && l.checkRxQueue;
}

bool complete(const BRIXEL_HOST& h) { return h.tickCount && h.sleep && h.warn; }

BRIXEL_CONSOLE_SINK consoleSink = nullptr;
void* consoleContext = nullptr;

}  // namespace

const BRIXEL_USB_LAYER& usb() { return installedLayer ? *installedLayer : platform::defaultUsbLayer(warn); }
const BRIXEL_HOST& host() { return installedHost ? *installedHost : platform::defaultHost(); }

void warn(const wchar_t* text) { host().warn(text); }
uint32_t tickCount() { return host().tickCount(); }
void sleepMs(uint32_t ms) { host().sleep(ms); }

void console(const char* text) {
    if (consoleSink)
        consoleSink(consoleContext, text);
    else
        std::printf("%s", text);
}

}  // namespace brixel

// A table with a missing operation is refused rather than crashing later.
BRIXEL_API bool brixelSetUsbLayer(const BRIXEL_USB_LAYER* layer) {
    if (brixel::linkIsOpen()) return false;
    if (!layer) {
        brixel::installedLayer.reset();
        return true;
    }
    if (!brixel::complete(*layer)) return false;
    brixel::installedLayer = *layer;
    return true;
}

BRIXEL_API bool brixelSetHost(const BRIXEL_HOST* host) {
    if (brixel::linkIsOpen()) return false;
    if (!host) {
        brixel::installedHost.reset();
        return true;
    }
    if (!brixel::complete(*host)) return false;
    brixel::installedHost = *host;
    return true;
}

BRIXEL_API const BRIXEL_USB_LAYER* brixelGetPlatformUsbLayer() {
    return &brixel::platform::defaultUsbLayer(brixel::warn);
}

BRIXEL_API bool brixelSetConsoleSink(BRIXEL_CONSOLE_SINK sink, void* context) {
    brixel::consoleSink = sink;
    brixel::consoleContext = sink ? context : nullptr;
    return true;
}
