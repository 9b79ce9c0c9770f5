// SPDX-License-Identifier: MIT
#include "link/connection.h"

#include <array>
#include <cstring>

#include "link/platform_access.h"
#include "link/timings.h"
#include "protocol/device.h"

namespace brixel {

namespace {

struct LinkState {
    void* handle = closedHandle;
    uint32_t index = 0;
    bool leaveOpen = false;
};
LinkState link;

}  // namespace

bool linkIsOpen() { return link.handle != closedHandle; }
void* deviceHandle() { return link.handle; }
uint32_t deviceIndex() { return link.index; }
bool leaveOpen() { return link.leaveOpen; }

namespace {

// Up to the first NUL, but never past the buffer: the layer may not terminate it.
std::string_view reportedString(const std::array<char, protocol::serialBufferSize>& buffer) {
    const void* nul = std::memchr(buffer.data(), '\0', buffer.size());
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer.data()) : buffer.size();
    return {buffer.data(), length};
}

void closeHandle() {
    if (usb().close(link.handle) != 0) warn(L"Unable to close device handle!");
    link.handle = closedHandle;
}

}  // namespace

bool findDevice(std::string_view serial) {
    link.handle = closedHandle;
    uint32_t count = 0;
    if (usb().getNumDevices(&count) != 0) {
        warn(notConnectedWarning);
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        std::array<char, protocol::serialBufferSize> buffer{};
        if (usb().getProductString(i, buffer.data(), 0) != 0) continue;
        if (reportedString(buffer) == serial) {
            link.index = i;
            return true;
        }
    }
    warn(notConnectedWarning);
    return false;
}

bool ensureDeviceOpen() {
    if (linkIsOpen()) return true;
    if (!findDevice(protocol::deviceSerial)) return false;
    if (usb().open(link.index, &link.handle) == 0) return true;
    warn(L"Usb device open error!");
    link.handle = closedHandle;
    console("Device open error");
    return false;
}

void releaseDevice() {
    if (!linkIsOpen() || link.leaveOpen) return;
    closeHandle();
}

}  // namespace brixel

BRIXEL_API bool LeaveDeviceOpen() {
    brixel::link.leaveOpen = true;
    return true;
}

BRIXEL_API bool DeviceClose() {
    brixel::link.leaveOpen = false;
    if (brixel::linkIsOpen()) brixel::closeHandle();
    return true;
}
