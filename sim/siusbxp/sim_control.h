// SPDX-License-Identifier: MIT
#pragma once
// What the stand-in SiUSBXp.dll offers tests beside the ten vendor operations:
// plain C functions exported by name, for GetProcAddress. At load no device is
// attached, as with the vendor's library and nothing plugged in; the Windows
// SDK's stand-in (simulator\SiUSBXp.dll) has one attached at load.

extern "C" {
// No devices, no faults, an empty trace.
typedef void (*SimResetFn)(void);
// Attaches a device reporting `serial`; returns its index.
typedef int (*SimAddDeviceFn)(const char* serial);
// Gives a device one of the faults of sim/faults.h, named "KIND" or "KIND@N";
// a fault of the whole layer ("count") is given to device -1. Returns 0 for
// an unknown fault or device.
typedef int (*SimSetFaultFn)(int device, const char* fault);
// The device's value of a setting code, or -1 when there is no such device.
typedef int (*SimSettingFn)(int device, int code);
// How many calls of a vendor operation ("getNumDevices", "open", ...) were made; -1 for an unknown name.
typedef int (*SimCallsFn)(const char* operation);
// Handles that are open now.
typedef int (*SimOpenHandlesFn)(void);
}
