#pragma once
// The link's process-wide state and its life cycle: discovery, open on demand,
// the release step.

#include <cstdint>
#include <string_view>

#include "protocol/device.h"

namespace brixel {

// The link is closed.
inline void* const closedHandle = reinterpret_cast<void*>(protocol::invalidHandleValue);

// Shown when no device reports the serial string; tools recognise it.
inline constexpr const wchar_t* notConnectedWarning = L"BRIXEL USB not connected!";

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
