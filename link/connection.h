// SPDX-License-Identifier: MIT
#pragma once
// The link's process-wide state and its life cycle: discovery, open on demand,
// the release step.

#include <cstdint>
#include <string_view>

#include "link/warning_texts.h"
#include "protocol/device.h"

namespace brixel {

// The link is closed.
inline void* const closedHandle = reinterpret_cast<void*>(protocol::invalidHandleValue);

// The link's state is its own: others read it here and change it only
// through the operations below.
bool linkIsOpen();
void* deviceHandle();
uint32_t deviceIndex();  // of the device found last
bool leaveOpen();

// Finds the first device reporting `serial`; sets the device index. Warns on failure.
bool findDevice(std::string_view serial);
// Opens the device unless it is open already. Warns on failure.
bool ensureDeviceOpen();
// Closes the device unless leave-open is set.
void releaseDevice();

// The device opened for one operation, and the release step at its end on
// every path. An operation whose last line follows the release step takes
// that step itself with release().
class DeviceUse {
public:
    DeviceUse() : open_(ensureDeviceOpen()) {}
    ~DeviceUse() { release(); }
    DeviceUse(const DeviceUse&) = delete;
    DeviceUse& operator=(const DeviceUse&) = delete;

    explicit operator bool() const { return open_; }
    void release() {
        if (open_) releaseDevice();
        open_ = false;
    }

private:
    bool open_;
};

}  // namespace brixel
