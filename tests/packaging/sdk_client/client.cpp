// SPDX-License-Identifier: MIT
// An application that knows nothing of a simulator: run beside the SDK's
// stand-in SiUSBXp.dll it must find a Brixel, change a setting, read it back
// and get a video report. Built by clang for the MSVC target without a C
// runtime (none is at hand here), so it writes through the kernel alone.
// Exit status: failed checks.

#include <BrixelLibrary.h>

extern "C" {
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size, unsigned long* written,
                                              void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
int _fltused = 0;
}

namespace {

unsigned char state[60];
char version[64];
VIDEO_STATUS status;
unsigned failed = 0;

void print(const char* s) {
    unsigned long n = 0;
    while (s[n]) ++n;
    unsigned long written = 0;
    WriteFile(GetStdHandle(static_cast<unsigned long>(-11)), s, n, &written, nullptr);
}

void check(bool ok, const char* what) {
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

}  // namespace

extern "C" void clientMain() {
    check(getFwVersion(version) && startsWith(version, "BRIXEL FW Ver: "), "getFwVersion finds a Brixel");
    check(setActivePort(BRIXEL_INPORT_3), "setActivePort(BRIXEL_INPORT_3)");
    check(getBrixelState(state) && state[BRIXEL_CMD_ACTIVE_PORT] == 3, "getBrixelState shows port 3");
    check(getVideoFormat(&status) && status.input[0] != '\0', "getVideoFormat fills the report");
    ExitProcess(failed);
}
