// SPDX-License-Identifier: MIT
// The layer that sees no device: every query answers "none", nothing opens.

#include "platform/platform.h"

namespace brixel::platform {
namespace {

constexpr int failure = 1;

int noDevices(uint32_t* count) {
    if (count) *count = 0;
    return 0;
}
int noString(uint32_t, char*, uint32_t) { return failure; }
int noOpen(uint32_t, void**) { return failure; }
int noClose(void*) { return failure; }
int noRead(void*, void*, uint32_t, uint32_t* bytesRead, void*) {
    if (bytesRead) *bytesRead = 0;
    return failure;
}
int noWrite(void*, void*, uint32_t, uint32_t* bytesWritten, void*) {
    if (bytesWritten) *bytesWritten = 0;
    return failure;
}
int noFlush(void*, uint8_t, uint8_t) { return failure; }
int noSetTimeouts(uint32_t, uint32_t) { return 0; }
int noGetTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    if (readMs) *readMs = 0;
    if (writeMs) *writeMs = 0;
    return 0;
}
int noQueue(void*, uint32_t* waiting, uint32_t*) {
    if (waiting) *waiting = 0;
    return failure;
}

}  // namespace

const BRIXEL_USB_LAYER& noDeviceUsbLayer() {
    static const BRIXEL_USB_LAYER layer{noDevices, noString, noOpen,        noClose,       noRead,
                                        noWrite,   noFlush,  noSetTimeouts, noGetTimeouts, noQueue};
    return layer;
}

}  // namespace brixel::platform
