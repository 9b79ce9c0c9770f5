// SPDX-License-Identifier: MIT
#pragma once
// The simulated device's USB side: attached devices with serial strings,
// handles, time-outs, a receive queue with a reply latency, faults on demand,
// a clock, and a trace of every call, offered as the ten USB operations and
// the host services of BrixelPlatform.h (library_adapter.h installs them).

#include <BrixelPlatform.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/device.h"
#include "sim/device_model.h"

namespace brixel::sim {

// Which frames a fault hits, counted from 0 over the frames written to a device.
struct FrameFault {
    static constexpr uint32_t never = UINT32_MAX;
    uint32_t first = never;
    uint32_t count = 1;

    static FrameFault at(uint32_t frame, uint32_t frames = 1) { return {frame, frames}; }
    static FrameFault always() { return {0, UINT32_MAX}; }
    bool hits(uint32_t frame) const { return first != never && frame >= first && frame - first < count; }
    bool operator==(const FrameFault&) const = default;
};

struct DeviceFaults {
    bool stringFails = false;
    bool openFails = false;
    bool closeFails = false;
    FrameFault writeFails;    // the write returns a failure and sends nothing
    FrameFault noReply;       // the device stays silent
    FrameFault rxQueueFails;  // queue checks fail while this frame's reply is awaited
    FrameFault readFails;     // the read delivers what arrived but reports failure
    FrameFault wrongEcho;     // reply byte 0 is changed
    FrameFault shortReply;    // the reply is cut to shortReplyLength bytes
    uint32_t shortReplyLength = 1;
    // Unplugged once this many frames have been written ...
    std::optional<uint32_t> unplugAfterFrames;
    // ... and plugged in again this long after, when set.
    std::optional<uint32_t> replugAfterMs;

    bool operator==(const DeviceFaults&) const = default;
};

struct SimDevice {
    std::string serial{protocol::deviceSerial};
    // Where it is attached, as the string query's link name gives it.
    std::string linkName;
    // When set, the string buffer as the device fills it, NUL or not.
    std::optional<std::vector<char>> rawString;
    DeviceModel model;
    DeviceFaults faults;
    uint32_t replyLatencyMs = 0;
    uint32_t writeDurationMs = 0;
    bool attached = true;
    // Plugged in again at this time of the simulator's clock.
    std::optional<uint32_t> replugAt;
    // Times plugged in again: a handle opened before the last unplug stays dead.
    uint32_t pluggings = 0;
    uint32_t framesWritten = 0;
    // Bytes waiting in the receive queue and the reply still on its way.
    std::deque<uint8_t> received;
    Reply pending;
    uint32_t pendingReadyAt = 0;

    // Puts bytes into the receive queue as if left over from an earlier exchange.
    void injectStale(const std::vector<uint8_t>& bytes) { received.insert(received.end(), bytes.begin(), bytes.end()); }
};

enum class Op {
    getNumDevices,
    getProductString,
    open,
    close,
    read,
    write,
    flushBuffers,
    setTimeouts,
    getTimeouts,
    checkRxQueue,
    tickCount,
    sleep,
    warn,
};
const char* opName(Op op);

// One call as the trace records it. Besides what every call has, each field
// is filled by the operations named beside it, with the argument or result of
// that name in BrixelPlatform.h, and stays 0 for the others.
struct Call {
    Op op;
    int status = 0;
    int device = -1;               // which simulated device the call concerned, as sim.device(k)
    std::vector<uint8_t> bytes{};  // write: the frame; read: the bytes delivered
    uint32_t numDevices = 0;       // getNumDevices: the count reported
    uint32_t deviceIndex = 0;      // getProductString, open: the index asked for, among attached devices
    uint32_t bytesToWrite = 0;     // write
    uint32_t bytesToRead = 0;      // read
    uint32_t bytesInQueue = 0;     // checkRxQueue
    uint8_t flushTransmit = 0;     // flushBuffers: the flags as passed
    uint8_t flushReceive = 0;
    uint32_t sleepMs = 0;  // sleep
    uint32_t tick = 0;     // tickCount: the value returned
    // The time-outs in force after the call: what setTimeouts set and
    // getTimeouts reported, and for the others those of the transfer.
    uint32_t readTimeoutMs = 0;
    uint32_t writeTimeoutMs = 0;
    uint32_t time = 0;    // the simulator's clock at the call
    std::wstring text{};  // warn
};

enum class Clock {
    virtualTime,  // time moves only when the library sleeps or polls: tests take no real time
    realTime,     // the monotonic clock and real sleeps
};

class Simulator {
public:
    explicit Simulator(Clock clock = Clock::virtualTime);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Attached as "sim:N", N counted from 1 in the order of adding.
    SimDevice& addDevice(std::string serial = std::string(protocol::deviceSerial));
    SimDevice& device(std::size_t index = 0) { return *devices_.at(index); }
    std::size_t deviceCount() const { return devices_.size(); }

    // Takes device `index` off the bus, what it had queued lost; with
    // `backAfterMs` it is plugged in again that long after, on this clock.
    void unplug(std::size_t index, std::optional<uint32_t> backAfterMs = std::nullopt);
    // Puts it back on the bus; handles opened before stay dead, as on a real replug.
    void plugIn(std::size_t index);

    // The tables are plain function pointers: they reach the active
    // simulator, one per process at a time. The destructor deactivates.
    void activate();
    void deactivate();
    bool active() const;
    BRIXEL_USB_LAYER usbLayer() const;
    BRIXEL_HOST host() const;

    // USB-wide faults and costs.
    bool countFails = false;
    // Virtual time each receive-queue check takes, so that an unanswered poll ends.
    uint32_t pollCostMs = 1;
    // On the real clock, what a queue check with nothing waiting waits.
    static constexpr std::chrono::microseconds idleQueueWait{500};

    uint32_t now() const;
    void setNow(uint32_t ms) { virtualNow_ = ms; }
    void advance(uint32_t ms);

    // Warnings are recorded; this also sees each one as it comes.
    std::function<void(const std::wstring&)> onWarning;

    // The trace of every call, USB and host, in order.
    const std::vector<Call>& trace() const { return trace_; }
    void clearTrace() { trace_.clear(); }
    bool tracing = true;
    std::vector<Call> usbCalls() const;
    std::vector<Op> usbOps() const;
    std::vector<std::vector<uint8_t>> writtenFrames() const;
    std::vector<std::wstring> warnings() const;
    std::vector<uint32_t> sleeps() const;
    std::size_t count(Op op) const;

    uint32_t readTimeoutMs() const { return readTimeout_; }
    uint32_t writeTimeoutMs() const { return writeTimeout_; }
    void setTimeoutsDirectly(uint32_t readMs, uint32_t writeMs) { readTimeout_ = readMs, writeTimeout_ = writeMs; }
    std::size_t openHandles() const { return handles_.size(); }

    // The ten operations and the host services, as the trampolines call them.
    int getNumDevices(uint32_t* count);
    int getProductString(uint32_t index, char* buffer, uint32_t flags);
    int open(uint32_t index, void** handle);
    int close(void* handle);
    int read(void* handle, void* buffer, uint32_t wanted, uint32_t* got);
    int write(void* handle, const void* buffer, uint32_t length, uint32_t* written);
    int flushBuffers(void* handle, uint8_t transmit, uint8_t receive);
    int setTimeouts(uint32_t readMs, uint32_t writeMs);
    int getTimeouts(uint32_t* readMs, uint32_t* writeMs);
    int checkRxQueue(void* handle, uint32_t* waiting, uint32_t* status);
    uint32_t tickCount();
    void sleep(uint32_t ms);
    void warn(const wchar_t* text);

private:
    struct Handle {
        void* value;
        std::size_t device;
        uint32_t plugging;  // the device's pluggings when it was opened
    };
    SimDevice* deviceOf(void* handle, std::size_t* index = nullptr);
    // The device of a handle that still reaches it: attached, and not unplugged since it was opened.
    SimDevice* liveDeviceOf(void* handle, std::size_t* index);
    void replugDue();
    std::vector<std::size_t> visibleDevices() const;
    void record(Call call);
    void deliverIfReady(SimDevice& dev);

    Clock clock_;
    uint32_t virtualNow_ = 0;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    std::vector<Handle> handles_;
    uintptr_t nextHandle_ = 0x1000;
    uint32_t readTimeout_ = 0;
    uint32_t writeTimeout_ = 0;
    std::vector<Call> trace_;
};

// The simulator whose trampolines the library is calling, if any.
Simulator* activeSimulator();

}  // namespace brixel::sim
