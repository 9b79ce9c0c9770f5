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

extern void* deviceHandle;
extern uint32_t deviceIndex;
extern bool leaveOpen;

bool linkIsOpen();

// Finds the first device reporting `serial`; sets deviceIndex. Warns on failure.
bool findDevice(std::string_view serial);
// Opens the device unless it is open already. Warns on failure.
bool ensureDeviceOpen();
// Closes the device unless leave-open is set.
void releaseDevice();

}  // namespace brixel
