// SPDX-License-Identifier: MIT
// The vendor USB library, SiUSBXp.dll, as the default USB layer. Its functions
// are imported by ordinal (see siusbxp-*.def); the layer's fixed-width types
// are carried across to the vendor's DWORD ones.

#include <windows.h>

#include "platform/platform.h"

extern "C" {
__declspec(dllimport) int WINAPI SI_GetNumDevices(LPDWORD numDevices);
__declspec(dllimport) int WINAPI SI_GetProductString(DWORD deviceNum, LPVOID deviceString, DWORD options);
__declspec(dllimport) int WINAPI SI_Open(DWORD deviceNum, HANDLE* handle);
__declspec(dllimport) int WINAPI SI_Close(HANDLE handle);
__declspec(dllimport) int WINAPI
    SI_Read(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesReturned, OVERLAPPED* overlapped);
__declspec(dllimport) int WINAPI
    SI_Write(HANDLE handle, LPVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, OVERLAPPED* overlapped);
__declspec(dllimport) int WINAPI SI_FlushBuffers(HANDLE handle, BYTE flushTransmit, BYTE flushReceive);
__declspec(dllimport) int WINAPI SI_SetTimeouts(DWORD readTimeout, DWORD writeTimeout);
__declspec(dllimport) int WINAPI SI_GetTimeouts(LPDWORD readTimeout, LPDWORD writeTimeout);
__declspec(dllimport) int WINAPI SI_CheckRXQueue(HANDLE handle, LPDWORD numBytesInQueue, LPDWORD queueStatus);
}

namespace brixel::platform {
namespace {

// DWORD is unsigned long, not uint32_t: outputs go through a DWORD and are
// copied back, also when the call failed (a failed read still reports its count).
void store(uint32_t* out, DWORD value) {
    if (out) *out = static_cast<uint32_t>(value);
}

int getNumDevices(uint32_t* numDevices) {
    DWORD n = 0;
    const int status = SI_GetNumDevices(&n);
    store(numDevices, n);
    return status;
}

int getProductString(uint32_t deviceIndex, char* buffer, uint32_t flags) {
    return SI_GetProductString(deviceIndex, buffer, flags);
}

int open(uint32_t deviceIndex, void** handle) { return SI_Open(deviceIndex, handle); }

int close(void* handle) { return SI_Close(handle); }

int read(void* handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead, void* overlapped) {
    DWORD n = 0;
    const int status = SI_Read(handle, buffer, bytesToRead, &n, static_cast<OVERLAPPED*>(overlapped));
    store(bytesRead, n);
    return status;
}

int write(void* handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten, void* overlapped) {
    DWORD n = 0;
    const int status = SI_Write(handle, buffer, bytesToWrite, &n, static_cast<OVERLAPPED*>(overlapped));
    store(bytesWritten, n);
    return status;
}

int flushBuffers(void* handle, uint8_t flushTransmit, uint8_t flushReceive) {
    return SI_FlushBuffers(handle, flushTransmit, flushReceive);
}

int setTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
    return SI_SetTimeouts(readTimeoutMs, writeTimeoutMs);
}

int getTimeouts(uint32_t* readTimeoutMs, uint32_t* writeTimeoutMs) {
    DWORD readMs = 0;
    DWORD writeMs = 0;
    const int status = SI_GetTimeouts(&readMs, &writeMs);
    store(readTimeoutMs, readMs);
    store(writeTimeoutMs, writeMs);
    return status;
}

int checkRxQueue(void* handle, uint32_t* bytesInQueue, uint32_t* queueStatus) {
    DWORD waiting = 0;
    DWORD queue = 0;
    const int status = SI_CheckRXQueue(handle, &waiting, &queue);
    store(bytesInQueue, waiting);
    store(queueStatus, queue);
    return status;
}

}  // namespace

// The vendor library explains nothing of its own.
const BRIXEL_USB_LAYER& defaultUsbLayer(Warn) {
    static const BRIXEL_USB_LAYER layer{getNumDevices, getProductString, open,        close,       read,
                                        write,         flushBuffers,     setTimeouts, getTimeouts, checkRxQueue};
    return layer;
}

}  // namespace brixel::platform
