// SPDX-License-Identifier: MIT
// A control application as Microsoft's compiler builds it: compiled by clang
// for the MSVC target against BrixelLibrary.h alone, linked with an MSVC-style
// import library of BrixelLibrary.dll, no C runtime (none is at hand here).
// It drives the stand-in device through the DLL and checks what comes back,
// so the decorated names, the calling convention, bool, enum and struct
// passing are all those of an MSVC program. Exit status: failed checks.

#include <BrixelPlatform.h>

#include "sim/siusbxp/sim_control.h"

extern "C" {
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size, unsigned long* written,
                                              void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
__declspec(dllimport) void* __stdcall GetModuleHandleA(const char* name);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
// Marks a program that uses floating point, as the MSVC runtime would.
int _fltused = 0;
}

namespace {

// Buffers live in static storage: no stack probes, no memset.
unsigned char state[60];
char version[64];
unsigned char edid[256];
SB_VALUES matrix;
SB_VALUES readBack;
VIDEO_STATUS status;
char hdrText[] = "87:01:1A:00:02:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00";

unsigned failed = 0;
unsigned checks = 0;

unsigned long length(const char* s) {
    unsigned long n = 0;
    while (s[n]) ++n;
    return n;
}

void print(const char* s) {
    unsigned long written = 0;
    WriteFile(GetStdHandle(static_cast<unsigned long>(-11)), s, length(s), &written, nullptr);
}

void check(bool ok, const char* what) {
    ++checks;
    if (!ok) ++failed;
    print(ok ? "ok   " : "FAIL ");
    print(what);
    print("\n");
}

bool startsWith(const char* s, const char* prefix) {
    for (; *prefix; ++s, ++prefix)
        if (*s != *prefix) return false;
    return true;
}

bool near(double a, double b) { return a - b < 0.01 && b - a < 0.01; }

template <typename Fn>
Fn control(const char* name) {
    void* siusbxp = GetModuleHandleA("SiUSBXp.dll");
    return siusbxp ? reinterpret_cast<Fn>(GetProcAddress(siusbxp, name)) : nullptr;
}

void printNumber(unsigned n) {
    char digits[12];
    int i = 11;
    digits[i] = '\0';
    do {
        digits[--i] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n);
    print(digits + i);
}

}  // namespace

extern "C" void clientMain() {
    const auto addDevice = control<SimAddDeviceFn>("simAddDevice");
    const auto setting = control<SimSettingFn>("simSetting");
    const auto openHandles = control<SimOpenHandlesFn>("simOpenHandles");
    check(addDevice && setting && openHandles, "SiUSBXp.dll (stand-in) is loaded with BrixelLibrary.dll");
    if (!addDevice || !setting || !openHandles) ExitProcess(100);
    check(!setActivePort(BRIXEL_INPORT_2), "setActivePort fails with no device plugged in");
    addDevice("2024");

    check(LeaveDeviceOpen(), "LeaveDeviceOpen");
    check(setActivePort(BRIXEL_INPORT_3), "setActivePort(BRIXEL_INPORT_3)");
    check(setting(0, BRIXEL_CMD_ACTIVE_PORT) == 3, "the device is on port 3");
    check(setBrixelState(BRIXEL_CMD_LOGO_LED, 0), "setBrixelState(BRIXEL_CMD_LOGO_LED, 0)");
    check(setting(0, BRIXEL_CMD_LOGO_LED) == 0, "the logo LED is off");
    check(setAutoSwitch(false) && setting(0, BRIXEL_CMD_AUTO_SWITCH) == 0, "setAutoSwitch(false)");
    check(openHandles() == 1, "one handle stays open after LeaveDeviceOpen");
    check(getBrixelState(state) && state[BRIXEL_CMD_ACTIVE_PORT] == 3, "getBrixelState shows port 3");
    check(getFwVersion(version) && startsWith(version, "BRIXEL FW Ver: "), "getFwVersion");
    check(getEdid(edid) && edid[0] == 0x00 && edid[1] == 0xFF && edid[7] == 0x00, "getEdid reads an EDID header");
    check(setHdrIf(hdrText, true), "setHdrIf(text, true)");
    check(reset3x(&matrix), "reset3x");
    check(set3x(&matrix), "set3x");
    check(get3x(&readBack), "get3x");
    check(matrix.coef11 != 0.0 && near(readBack.coef11, matrix.coef11) && near(readBack.coef22, matrix.coef22) &&
              near(readBack.coef33, matrix.coef33) && near(readBack.offset1, matrix.offset1),
          "get3x reads back the matrix set3x wrote");
    check(getVideoFormat(&status) && status.input[0] != '\0', "getVideoFormat fills the report");
    check(DeviceClose(), "DeviceClose");
    check(openHandles() == 0, "no handle open after DeviceClose");
    check(brixelSetUsbLayer(nullptr) && brixelSetHost(nullptr), "brixelSetUsbLayer, brixelSetHost");

    print("msvc client: ");
    printNumber(checks);
    print(" checks, ");
    printNumber(failed);
    print(" failed\n");
    ExitProcess(failed);
}
