// SPDX-License-Identifier: MIT
// The simulated device as SiUSBXp.dll: the ten vendor operations, stdcall and
// exported by ordinal as the vendor's library has them, so that a program's
// binding to the real DLL is what tests exercise. Runs on the real clock,
// because the library behind it keeps time with GetTickCount.

#include <windows.h>

#include <cstring>
#include <string>

#include "sim/faults.h"
#include "sim/simulator.h"
#include "sim/siusbxp/sim_control.h"

namespace {

using brixel::sim::Op;
using brixel::sim::Simulator;

Simulator* simulator = nullptr;

// Set by the build: none for the tests, which attach their own; one for the
// SDK's stand-in, so that an application finds a Brixel without knowing it
// is simulated.
constexpr int devicesAtLoad = BRIXEL_SIM_DEVICES_AT_LOAD;

Simulator& sim() {
    if (!simulator) {
        simulator = new Simulator(brixel::sim::Clock::realTime);
        for (int i = 0; i < devicesAtLoad; ++i) simulator->addDevice();
    }
    return *simulator;
}

void store(LPDWORD out, uint32_t value) {
    if (out) *out = value;
}

// The exports are called from C: an exception (bad_alloc from the trace or a
// new device) becomes `failed` instead of crossing the boundary.
constexpr int failureStatus = 1;
template <typename Body>
int guarded(int failed, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failed;
    }
}

constexpr Op operations[] = {
    Op::getNumDevices, Op::getProductString, Op::open,        Op::close,       Op::read,
    Op::write,         Op::flushBuffers,     Op::setTimeouts, Op::getTimeouts, Op::checkRxQueue};

}  // namespace

extern "C" {

int WINAPI SI_GetNumDevices(LPDWORD numDevices) {
    return guarded(failureStatus, [&] {
        uint32_t n = 0;
        const int status = sim().getNumDevices(&n);
        if (status == 0) store(numDevices, n);
        return status;
    });
}

int WINAPI SI_GetProductString(DWORD deviceNum, LPVOID deviceString, DWORD options) {
    return guarded(failureStatus,
                   [&] { return sim().getProductString(deviceNum, static_cast<char*>(deviceString), options); });
}

int WINAPI SI_Open(DWORD deviceNum, HANDLE* handle) {
    return guarded(failureStatus, [&] { return sim().open(deviceNum, handle); });
}

int WINAPI SI_Close(HANDLE handle) {
    return guarded(failureStatus, [&] { return sim().close(handle); });
}

int WINAPI SI_Read(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesReturned, OVERLAPPED*) {
    store(bytesReturned, 0);
    return guarded(failureStatus, [&] {
        uint32_t n = 0;
        const int status = sim().read(handle, buffer, bytesToRead, &n);
        store(bytesReturned, n);
        return status;
    });
}

int WINAPI SI_Write(HANDLE handle, LPVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, OVERLAPPED*) {
    store(bytesWritten, 0);
    return guarded(failureStatus, [&] {
        uint32_t n = 0;
        const int status = sim().write(handle, buffer, bytesToWrite, &n);
        store(bytesWritten, n);
        return status;
    });
}

int WINAPI SI_FlushBuffers(HANDLE handle, BYTE flushTransmit, BYTE flushReceive) {
    return guarded(failureStatus, [&] { return sim().flushBuffers(handle, flushTransmit, flushReceive); });
}

int WINAPI SI_SetTimeouts(DWORD readTimeout, DWORD writeTimeout) {
    return guarded(failureStatus, [&] { return sim().setTimeouts(readTimeout, writeTimeout); });
}

int WINAPI SI_GetTimeouts(LPDWORD readTimeout, LPDWORD writeTimeout) {
    return guarded(failureStatus, [&] {
        uint32_t readMs = 0;
        uint32_t writeMs = 0;
        const int status = sim().getTimeouts(&readMs, &writeMs);
        store(readTimeout, readMs);
        store(writeTimeout, writeMs);
        return status;
    });
}

int WINAPI SI_CheckRXQueue(HANDLE handle, LPDWORD numBytesInQueue, LPDWORD queueStatus) {
    store(numBytesInQueue, 0);
    store(queueStatus, 0);
    return guarded(failureStatus, [&] {
        uint32_t waiting = 0;
        uint32_t queue = 0;
        const int status = sim().checkRxQueue(handle, &waiting, &queue);
        store(numBytesInQueue, waiting);
        store(queueStatus, queue);
        return status;
    });
}

void simReset(void) {
    guarded(0, [] {
        // The new one first, so that a failed allocation leaves the old one in place.
        auto* fresh = new Simulator(brixel::sim::Clock::realTime);
        delete simulator;
        simulator = fresh;
        return 0;
    });
}

int simAddDevice(const char* serial) {
    return guarded(-1, [&] {
        sim().addDevice(serial ? serial : "");
        return static_cast<int>(sim().deviceCount()) - 1;
    });
}

int simSetFault(int device, const char* fault) {
    return guarded(0, [&] {
        if (!fault) return 0;
        std::string error;
        const auto parsed = brixel::sim::parseFault(fault, error);
        if (!parsed) return 0;
        // A fault of the whole layer is asked for with device -1, the others with their device.
        const bool known = device >= 0 && static_cast<std::size_t>(device) < sim().deviceCount();
        if (parsed->kind->wholeLayer ? device != -1 : !known) return 0;
        parsed->applyTo(sim(), parsed->kind->wholeLayer ? 0 : static_cast<std::size_t>(device));
        return 1;
    });
}

int simSetting(int device, int code) {
    return guarded(-1, [&] {
        if (device < 0 || static_cast<std::size_t>(device) >= sim().deviceCount() || code < 0 || code > 255) return -1;
        return static_cast<int>(
            sim().device(static_cast<std::size_t>(device)).model.settings[static_cast<std::size_t>(code)]);
    });
}

int simCalls(const char* operation) {
    return guarded(-1, [&] {
        if (!operation) return -1;
        for (Op op : operations)
            if (std::strcmp(brixel::sim::opName(op), operation) == 0) return static_cast<int>(sim().count(op));
        return -1;
    });
}

int simOpenHandles(void) {
    return guarded(-1, [] { return static_cast<int>(sim().openHandles()); });
}

}  // extern "C"
