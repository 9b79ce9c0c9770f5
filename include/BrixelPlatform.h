// SPDX-License-Identifier: MIT
// Seams through which the library reaches the outside world: the vendor USB
// layer and the host's clock, sleep and warning services. Install your own to
// run the library over another transport or under test.
#ifndef BRIXEL_PLATFORM_H
#define BRIXEL_PLATFORM_H

#include <stdint.h>  // not <cstdint>: the header must also parse with no C++ library at hand

#include "BrixelLibrary.h"

// The ten operations of the vendor USB layer, in the order and shape of its API.
// Every operation returns 0 for success, any other value for failure.
struct BRIXEL_USB_LAYER {
    int (*getNumDevices)(uint32_t* numDevices);
    int (*getProductString)(uint32_t deviceIndex, char* buffer, uint32_t flags);
    int (*open)(uint32_t deviceIndex, void** handle);
    int (*close)(void* handle);
    int (*read)(void* handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead, void* overlapped);
    int (*write)(void* handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten, void* overlapped);
    int (*flushBuffers)(void* handle, uint8_t flushTransmit, uint8_t flushReceive);
    int (*setTimeouts)(uint32_t readTimeoutMs, uint32_t writeTimeoutMs);
    int (*getTimeouts)(uint32_t* readTimeoutMs, uint32_t* writeTimeoutMs);
    int (*checkRxQueue)(void* handle, uint32_t* bytesInQueue, uint32_t* queueStatus);
};

// What the library asks of the operating system.
// The wait for a reply polls the receive queue, without sleeping, until a byte
// is waiting or tickCount() says the reply window has passed: nothing else
// bounds it. A host whose tick never advances hangs the library on a device
// that stays silent, so a test host with a manual clock advances it as it is
// read (or as the USB layer is called).
struct BRIXEL_HOST {
    uint32_t (*tickCount)();            // milliseconds, wrapping at 2^32, like GetTickCount
    void (*sleep)(uint32_t ms);         // like Sleep
    void (*warn)(const wchar_t* text);  // a warning to the user; on Windows a modal MessageBoxW
};

// Replace the layer or the host services; nullptr restores the platform's own.
// Refused (false) while the device is open. Both tables are copied.
BRIXEL_API bool brixelSetUsbLayer(const BRIXEL_USB_LAYER* layer);
BRIXEL_API bool brixelSetHost(const BRIXEL_HOST* host);

// The platform's own USB layer (the vendor's on Windows; on Linux libusb-1.0,
// or one that sees no device in a build without it),
// for an application that wraps it (a device filter, a trace) and installs the
// wrapper with brixelSetUsbLayer. Why an open was refused it tells through
// the warning service of the host in force. Never null.
BRIXEL_API const BRIXEL_USB_LAYER* brixelGetPlatformUsbLayer();

// The library's console text: protocol messages and progress, each piece as
// one printf would have printed it (some end in a line feed, others do not).
// By default it goes to standard output through printf; a sink set here
// receives every piece instead, with `context` as given, on the thread that
// made the call, in the middle of the operation (the device may be open): it
// must not throw and must not call the library. nullptr restores printf.
// Always true.
typedef void (*BRIXEL_CONSOLE_SINK)(void* context, const char* text);
// The sink's type is spelt out, as the DLL's export reads back.
BRIXEL_API bool brixelSetConsoleSink(void (*sink)(void* context, const char* text), void* context);

#endif
