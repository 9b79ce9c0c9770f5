// SPDX-License-Identifier: MIT
// Drives the installed library through a little fake device of its own and
// checks every call, frame, time-out, wait, warning and console line it sees.

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

struct FakeDevice {
    Calls calls;
    std::vector<std::wstring> warnings;
    std::vector<uint32_t> sleeps;
    uint32_t tick = 50000;
    uint32_t readTimeout = 500;
    uint32_t writeTimeout = 600;
    bool openFails = false;
    uint8_t echo = 0;  // 0: echo the command byte
    std::vector<uint8_t> queue;
} fake;

void* const fakeHandle = reinterpret_cast<void*>(0x2024);

std::string hex(const uint8_t* bytes, uint32_t n) {
    std::string s;
    char b[4];
    for (uint32_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, " %02X", bytes[i]);
        s += b;
    }
    return s;
}

std::string timeouts() { return " @" + std::to_string(fake.readTimeout) + "/" + std::to_string(fake.writeTimeout); }

int getNumDevices(uint32_t* n) {
    fake.calls.push_back("getNumDevices");
    *n = 2;
    return 0;
}
int getProductString(uint32_t index, char* buffer, uint32_t flags) {
    fake.calls.push_back("getProductString " + std::to_string(index) + " " + std::to_string(flags));
    std::strcpy(buffer, index == 0 ? "2024x" : "2024");
    return 0;
}
int openDevice(uint32_t index, void** handle) {
    fake.calls.push_back("open " + std::to_string(index));
    if (fake.openFails) return 1;
    *handle = fakeHandle;
    return 0;
}
int closeDevice(void* handle) {
    fake.calls.push_back(handle == fakeHandle ? "close" : "close ?");
    return 0;
}
int readDevice(void* handle, void* buffer, uint32_t wanted, uint32_t* got, void* overlapped) {
    fake.calls.push_back("read " + std::to_string(wanted) + timeouts() + (handle == fakeHandle ? "" : " ?") +
                         (overlapped ? " overlapped" : ""));
    const uint32_t n = static_cast<uint32_t>(std::min<std::size_t>(wanted, fake.queue.size()));
    std::memcpy(buffer, fake.queue.data(), n);
    fake.queue.erase(fake.queue.begin(), fake.queue.begin() + n);
    *got = n;
    return n > 0 ? 0 : 1;
}
int writeDevice(void* handle, void* buffer, uint32_t length, uint32_t* written, void* overlapped) {
    const auto* frame = static_cast<const uint8_t*>(buffer);
    fake.calls.push_back("write" + hex(frame, length) + timeouts() + (handle == fakeHandle ? "" : " ?") +
                         (overlapped ? " overlapped" : ""));
    *written = length;
    // The device: a setting write is acknowledged, register 7 holds version 3.14.
    const uint8_t command = fake.echo ? fake.echo : frame[2];
    if (length == 5 && frame[0] == 0x10) fake.queue = {command, 0x00};
    if (length == 4 && frame[0] == 0x11 && frame[3] == 7) fake.queue = {command, 0x00, 3, 14, 0, 0, 0, 0};
    return 0;
}
int flushBuffers(void* handle, uint8_t transmit, uint8_t receive) {
    fake.calls.push_back("flush " + std::to_string(transmit) + " " + std::to_string(receive) +
                         (handle == fakeHandle ? "" : " ?"));
    fake.queue.clear();
    return 0;
}
int setTimeouts(uint32_t readMs, uint32_t writeMs) {
    fake.calls.push_back("setTimeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
    fake.readTimeout = readMs;
    fake.writeTimeout = writeMs;
    return 0;
}
int getTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    fake.calls.push_back("getTimeouts");
    *readMs = fake.readTimeout;
    *writeMs = fake.writeTimeout;
    return 0;
}
int checkRxQueue(void* handle, uint32_t* waiting, uint32_t* status) {
    fake.calls.push_back(std::string("checkRxQueue") + (handle == fakeHandle ? "" : " ?"));
    *waiting = static_cast<uint32_t>(fake.queue.size());
    *status = 0;
    return 0;
}

uint32_t tickCount() { return fake.tick++; }
void sleepMs(uint32_t ms) { fake.sleeps.push_back(ms); }
void warn(const wchar_t* text) { fake.warnings.push_back(text); }

const BRIXEL_USB_LAYER layer{getNumDevices, getProductString, openDevice,  closeDevice, readDevice,
                             writeDevice,   flushBuffers,     setTimeouts, getTimeouts, checkRxQueue};
const BRIXEL_HOST host{tickCount, sleepMs, warn};

// What the library printed on standard output while `call` ran.
std::string printedBy(const std::function<void()>& call) {
    std::fflush(stdout);
    FILE* capture = std::tmpfile();
    const int saved = dup(fileno(stdout));
    dup2(fileno(capture), fileno(stdout));
    call();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
    std::fclose(capture);
    return text;
}

int failures = 0;

template <typename T>
struct Same {
    using type = T;
};

template <typename T>
void expectEqual(const T& seen, const typename Same<T>::type& expected, const std::string& what) {
    if (seen == expected) return;
    ++failures;
    std::cout << "FAIL " << what << "\n";
}

void expectCalls(const Calls& expected, const std::string& what) {
    if (fake.calls == expected) return;
    ++failures;
    std::cout << "FAIL " << what << ": calls\n  seen:\n";
    for (const auto& c : fake.calls) std::cout << "    " << c << "\n";
    std::cout << "  expected:\n";
    for (const auto& c : expected) std::cout << "    " << c << "\n";
}

Calls join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Device 0 reports "2024x", which is not ours; device 1 is.
const Calls discovery{"getNumDevices", "getProductString 0 0", "getProductString 1 0", "open 1"};

Calls exchange(const std::string& frame) {
    return {"flush 1 1",           "getTimeouts",        "setTimeouts 0 4000", "write " + frame + " @0/4000",
            "setTimeouts 500 600", "checkRxQueue",       "getTimeouts",        "setTimeouts 4000 0",
            "read 64 @4000/0",     "setTimeouts 500 600"};
}

const std::string portFrame = "10 04 E0 00 02";
const std::string versionFrame = "11 08 E0 07";

// Runs one library call from a clean record and checks result and console.
template <typename Call>
void step(const std::string& what, Call call, bool result, const std::string& line) {
    fake.calls.clear();
    fake.warnings.clear();
    bool ok = !result;
    const std::string printed = printedBy([&] { ok = call(); });
    expectEqual(ok, result, what + ": result");
    expectEqual(printed, line, what + ": console line \"" + printed + "\"");
}

}  // namespace

int main() {
    // The platform's own layer sees no device; our host takes the warning.
    if (!brixelSetHost(&host)) return 2;
    step(
        "no device", [] { return setActivePort(BRIXEL_INPORT_2); }, false, "");
    expectEqual(fake.warnings, {L"BRIXEL USB not connected!"}, "no device: warning");

    if (!brixelSetUsbLayer(&layer)) return 2;

    step(
        "setActivePort", [] { return setActivePort(BRIXEL_INPORT_2); }, true, "");
    expectCalls(join({discovery, exchange(portFrame), {"close"}}), "setActivePort");
    expectEqual(fake.warnings, {}, "setActivePort: warnings");

    char version[23];
    step(
        "getFwVersion", [&] { return getFwVersion(version); }, true, "");
    expectCalls(join({discovery, exchange(versionFrame), {"close"}}), "getFwVersion");
    expectEqual(std::string(version), std::string("BRIXEL FW Ver: 3.14"), "getFwVersion: text");

    step(
        "LeaveDeviceOpen", [] { return LeaveDeviceOpen(); }, true, "");
    expectCalls({}, "LeaveDeviceOpen");
    step(
        "setActivePort, left open", [] { return setActivePort(BRIXEL_INPORT_2); }, true, "");
    expectCalls(join({discovery, exchange(portFrame)}), "setActivePort, left open");
    step(
        "getFwVersion, left open", [&] { return getFwVersion(version); }, true, "");
    expectCalls(exchange(versionFrame), "getFwVersion, left open");
    if (brixelSetUsbLayer(&layer)) ++failures, std::cout << "FAIL layer replaced while open\n";
    step(
        "DeviceClose", [] { return DeviceClose(); }, true, "");
    expectCalls({"close"}, "DeviceClose");
    step(
        "DeviceClose, closed", [] { return DeviceClose(); }, true, "");
    expectCalls({}, "DeviceClose, closed");

    fake.echo = 0x55;
    step(
        "wrong echo", [] { return setActivePort(BRIXEL_INPORT_2); }, false, "Error Writing values\n");
    expectCalls(join({discovery, exchange(portFrame), {"close"}}), "wrong echo");
    step(
        "wrong echo, version", [&] { return getFwVersion(version); }, false, "Error Reading values\n");
    fake.echo = 0;

    fake.openFails = true;
    step(
        "open error", [] { return setActivePort(BRIXEL_INPORT_2); }, false, "Device open error");
    expectCalls(discovery, "open error");
    expectEqual(fake.warnings, {L"Usb device open error!"}, "open error: warning");
    fake.openFails = false;

    expectEqual(fake.sleeps, {}, "no waits in these operations");
    expectEqual(fake.readTimeout, 500u, "read time-out restored");
    expectEqual(fake.writeTimeout, 600u, "write time-out restored");

    brixelSetUsbLayer(nullptr);
    brixelSetHost(nullptr);
    std::cout << (failures ? "outside client: FAILED\n" : "outside client: all checks passed\n");
    return failures ? 1 : 0;
}
