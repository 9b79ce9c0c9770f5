#include "link/connection.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "link/platform_access.h"
#include "link/timings.h"
#include "protocol/device.h"

namespace brixel {

void* deviceHandle = closedHandle;
uint32_t deviceIndex = 0;
bool leaveOpen = false;

bool linkIsOpen() { return deviceHandle != closedHandle; }

namespace {

// Up to the first NUL, but never past the buffer: the layer may not terminate it.
std::string_view reportedString(const std::array<char, protocol::serialBufferSize>& buffer) {
    const void* nul = std::memchr(buffer.data(), '\0', buffer.size());
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer.data()) : buffer.size();
    return {buffer.data(), length};
}

void closeHandle() {
    if (usb().close(deviceHandle) != 0) warn(L"Unable to close device handle!");
    deviceHandle = closedHandle;
}

}  // namespace

bool findDevice(std::string_view serial) {
    deviceHandle = closedHandle;
    uint32_t count = 0;
    if (usb().getNumDevices(&count) != 0) {
        warn(notConnectedWarning);
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        std::array<char, protocol::serialBufferSize> buffer{};
        if (usb().getProductString(i, buffer.data(), 0) != 0) continue;
        if (reportedString(buffer) == serial) {
            deviceIndex = i;
            return true;
        }
    }
    warn(notConnectedWarning);
    return false;
}

bool ensureDeviceOpen() {
    if (linkIsOpen()) return true;
    if (!findDevice(protocol::deviceSerial)) return false;
    if (usb().open(deviceIndex, &deviceHandle) == 0) return true;
    warn(L"Usb device open error!");
    deviceHandle = closedHandle;
    std::printf("Device open error");
    return false;
}

void releaseDevice() {
    if (!linkIsOpen() || leaveOpen) return;
    closeHandle();
}

}  // namespace brixel

BRIXEL_API bool LeaveDeviceOpen() {
    brixel::leaveOpen = true;
    return true;
}

BRIXEL_API bool DeviceClose() {
    brixel::leaveOpen = false;
    if (brixel::linkIsOpen()) brixel::closeHandle();
    return true;
}
