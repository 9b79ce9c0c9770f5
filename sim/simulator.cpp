// SPDX-License-Identifier: MIT
#include "sim/simulator.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "protocol/device.h"
#include "protocol/frame.h"

namespace brixel::sim {
namespace {

constexpr int failure = 1;
constexpr auto maxReply = static_cast<uint32_t>(protocol::replySize);

Simulator* current = nullptr;

uint32_t realTick() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Trampolines: the layer's plain function pointers reach the active simulator.
int tGetNumDevices(uint32_t* n) { return current ? current->getNumDevices(n) : failure; }
int tGetProductString(uint32_t i, char* b, uint32_t f) {
    return current ? current->getProductString(i, b, f) : failure;
}
int tOpen(uint32_t i, void** h) { return current ? current->open(i, h) : failure; }
int tClose(void* h) { return current ? current->close(h) : failure; }
int tRead(void* h, void* b, uint32_t n, uint32_t* got, void*) {
    return current ? current->read(h, b, n, got) : failure;
}
int tWrite(void* h, void* b, uint32_t n, uint32_t* put, void*) {
    return current ? current->write(h, b, n, put) : failure;
}
int tFlush(void* h, uint8_t t, uint8_t r) { return current ? current->flushBuffers(h, t, r) : failure; }
int tSetTimeouts(uint32_t r, uint32_t w) { return current ? current->setTimeouts(r, w) : failure; }
int tGetTimeouts(uint32_t* r, uint32_t* w) { return current ? current->getTimeouts(r, w) : failure; }
int tCheckRxQueue(void* h, uint32_t* n, uint32_t* s) { return current ? current->checkRxQueue(h, n, s) : failure; }
uint32_t tTick() { return current ? current->tickCount() : 0; }
void tSleep(uint32_t ms) {
    if (current) current->sleep(ms);
}
void tWarn(const wchar_t* text) {
    if (current) current->warn(text);
}

}  // namespace

Simulator* activeSimulator() { return current; }

const char* opName(Op op) {
    switch (op) {
        case Op::getNumDevices: return "getNumDevices";
        case Op::getProductString: return "getProductString";
        case Op::open: return "open";
        case Op::close: return "close";
        case Op::read: return "read";
        case Op::write: return "write";
        case Op::flushBuffers: return "flushBuffers";
        case Op::setTimeouts: return "setTimeouts";
        case Op::getTimeouts: return "getTimeouts";
        case Op::checkRxQueue: return "checkRxQueue";
        case Op::tickCount: return "tickCount";
        case Op::sleep: return "sleep";
        case Op::warn: return "warn";
    }
    return "?";
}

Simulator::Simulator(Clock clock) : clock_(clock) {}

Simulator::~Simulator() { deactivate(); }

SimDevice& Simulator::addDevice(std::string serial) {
    devices_.push_back(std::make_unique<SimDevice>());
    devices_.back()->serial = std::move(serial);
    devices_.back()->linkName = "sim:" + std::to_string(devices_.size());
    return *devices_.back();
}

BRIXEL_USB_LAYER Simulator::usbLayer() const {
    return {tGetNumDevices, tGetProductString, tOpen,        tClose,       tRead, tWrite,
            tFlush,         tSetTimeouts,      tGetTimeouts, tCheckRxQueue};
}

BRIXEL_HOST Simulator::host() const { return {tTick, tSleep, tWarn}; }

void Simulator::activate() { current = this; }

// With no simulator behind them the trampolines fail every call, which is what
// an unplug looks like.
void Simulator::deactivate() {
    if (current == this) current = nullptr;
}

bool Simulator::active() const { return current == this; }

uint32_t Simulator::now() const { return clock_ == Clock::virtualTime ? virtualNow_ : realTick(); }

void Simulator::advance(uint32_t ms) {
    if (clock_ == Clock::virtualTime)
        virtualNow_ += ms;
    else if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Simulator::record(Call call) {
    if (!tracing) return;
    call.readTimeoutMs = readTimeout_;
    call.writeTimeoutMs = writeTimeout_;
    call.time = now();
    trace_.push_back(std::move(call));
}

std::vector<Call> Simulator::usbCalls() const {
    std::vector<Call> calls;
    for (const auto& c : trace_)
        if (c.op != Op::tickCount && c.op != Op::sleep && c.op != Op::warn) calls.push_back(c);
    return calls;
}

std::vector<Op> Simulator::usbOps() const {
    std::vector<Op> ops;
    for (const auto& c : usbCalls()) ops.push_back(c.op);
    return ops;
}

std::vector<std::vector<uint8_t>> Simulator::writtenFrames() const {
    std::vector<std::vector<uint8_t>> frames;
    for (const auto& c : trace_)
        if (c.op == Op::write) frames.push_back(c.bytes);
    return frames;
}

std::vector<std::wstring> Simulator::warnings() const {
    std::vector<std::wstring> texts;
    for (const auto& c : trace_)
        if (c.op == Op::warn) texts.push_back(c.text);
    return texts;
}

std::vector<uint32_t> Simulator::sleeps() const {
    std::vector<uint32_t> waits;
    for (const auto& c : trace_)
        if (c.op == Op::sleep) waits.push_back(c.sleepMs);
    return waits;
}

std::size_t Simulator::count(Op op) const {
    return static_cast<std::size_t>(
        std::count_if(trace_.begin(), trace_.end(), [op](const Call& c) { return c.op == op; }));
}

std::vector<std::size_t> Simulator::visibleDevices() const {
    std::vector<std::size_t> visible;
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i]->attached) visible.push_back(i);
    return visible;
}

SimDevice* Simulator::liveDeviceOf(void* handle, std::size_t* index) {
    SimDevice* dev = deviceOf(handle, index);
    if (!dev || !dev->attached) return nullptr;
    for (const auto& h : handles_)
        if (h.value == handle && h.plugging != dev->pluggings) return nullptr;
    return dev;
}

void Simulator::unplug(std::size_t index, std::optional<uint32_t> backAfterMs) {
    SimDevice& dev = device(index);
    dev.attached = false;
    dev.received.clear();
    dev.pending.clear();
    dev.replugAt.reset();
    if (backAfterMs) dev.replugAt = now() + *backAfterMs;
}

void Simulator::plugIn(std::size_t index) {
    SimDevice& dev = device(index);
    if (dev.attached) return;
    dev.attached = true;
    dev.replugAt.reset();
    ++dev.pluggings;
}

// A device due back is back before anyone looks for devices.
void Simulator::replugDue() {
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const SimDevice& dev = *devices_[i];
        if (!dev.attached && dev.replugAt && static_cast<int32_t>(now() - *dev.replugAt) >= 0) plugIn(i);
    }
}

SimDevice* Simulator::deviceOf(void* handle, std::size_t* index) {
    for (const auto& h : handles_)
        if (h.value == handle) {
            if (index) *index = h.device;
            return devices_[h.device].get();
        }
    return nullptr;
}

int Simulator::getNumDevices(uint32_t* count) {
    replugDue();
    const int status = countFails ? failure : 0;
    const auto n = static_cast<uint32_t>(visibleDevices().size());
    if (status == 0 && count) *count = n;
    record({.op = Op::getNumDevices, .status = status, .numDevices = n});
    return status;
}

int Simulator::getProductString(uint32_t index, char* buffer, uint32_t flags) {
    replugDue();
    const auto visible = visibleDevices();
    int status = failure;
    int dev = -1;
    if (index < visible.size() && flags == protocol::productStringLinkName && buffer) {
        dev = static_cast<int>(visible[index]);
        const std::string& name = devices_[visible[index]]->linkName;
        const std::size_t n = std::min(name.size(), protocol::serialBufferSize - 1);
        std::memcpy(buffer, name.data(), n);
        buffer[n] = '\0';
        status = 0;
    } else if (index < visible.size() && flags == protocol::productStringSerial && buffer) {
        dev = static_cast<int>(visible[index]);
        SimDevice& d = *devices_[visible[index]];
        if (!d.faults.stringFails) {
            if (d.rawString) {
                std::copy_n(d.rawString->begin(), std::min(d.rawString->size(), protocol::serialBufferSize), buffer);
            } else {
                const std::size_t n = std::min(d.serial.size(), protocol::serialBufferSize - 1);
                std::memcpy(buffer, d.serial.data(), n);
                buffer[n] = '\0';
            }
            status = 0;
        }
    }
    record({.op = Op::getProductString, .status = status, .device = dev, .deviceIndex = index});
    return status;
}

int Simulator::open(uint32_t index, void** handle) {
    replugDue();
    const auto visible = visibleDevices();
    int status = failure;
    int dev = -1;
    if (index < visible.size() && handle) {
        dev = static_cast<int>(visible[index]);
        if (!devices_[visible[index]]->faults.openFails) {
            void* value = reinterpret_cast<void*>(nextHandle_++);
            handles_.push_back({value, visible[index], devices_[visible[index]]->pluggings});
            *handle = value;
            status = 0;
        }
    }
    record({.op = Op::open, .status = status, .device = dev, .deviceIndex = index});
    return status;
}

int Simulator::close(void* handle) {
    std::size_t index = 0;
    SimDevice* dev = deviceOf(handle, &index);
    int status = failure;
    if (dev) {
        // The handle is gone either way, as the vendor layer frees it.
        std::erase_if(handles_, [handle](const Handle& h) { return h.value == handle; });
        status = dev->faults.closeFails ? failure : 0;
    }
    record({.op = Op::close, .status = status, .device = dev ? static_cast<int>(index) : -1});
    return status;
}

void Simulator::deliverIfReady(SimDevice& dev) {
    if (!dev.pending.empty() && static_cast<int32_t>(now() - dev.pendingReadyAt) >= 0) {
        dev.received.insert(dev.received.end(), dev.pending.begin(), dev.pending.end());
        dev.pending.clear();
    }
}

int Simulator::write(void* handle, const void* buffer, uint32_t length, uint32_t* written) {
    std::size_t index = 0;
    SimDevice* dev = deviceOf(handle, &index);
    SimDevice* live = liveDeviceOf(handle, &index);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> frame(bytes, bytes + (buffer ? length : 0));
    int status = failure;
    if (written) *written = 0;
    if (live) {
        // A failed write still counts as a frame, so a fault aimed at one frame
        // hits that frame only and the next attempt goes through.
        const uint32_t frameIndex = dev->framesWritten++;
        advance(dev->writeDurationMs);
        if (!dev->faults.writeFails.hits(frameIndex)) {
            status = 0;
            if (written) *written = length;
            Reply reply = dev->model.answer(frame);
            if (dev->faults.wrongEcho.hits(frameIndex) && !reply.empty())
                reply[0] = static_cast<uint8_t>(reply[0] ^ 0xFF);
            if (dev->faults.shortReply.hits(frameIndex) && reply.size() > dev->faults.shortReplyLength)
                reply.resize(dev->faults.shortReplyLength);
            if (dev->faults.noReply.hits(frameIndex)) reply.clear();
            dev->pending = std::move(reply);
            dev->pendingReadyAt = now() + dev->replyLatencyMs;
            if (dev->faults.unplugAfterFrames && dev->framesWritten >= *dev->faults.unplugAfterFrames) {
                // Once: a device plugged in again does not go again at the same count.
                dev->faults.unplugAfterFrames.reset();
                unplug(index, dev->faults.replugAfterMs);
            }
        }
    }
    record({.op = Op::write,
            .status = status,
            .device = dev ? static_cast<int>(index) : -1,
            .bytes = std::move(frame),
            .bytesToWrite = length});
    return status;
}

int Simulator::checkRxQueue(void* handle, uint32_t* waiting, uint32_t* queueStatus) {
    std::size_t index = 0;
    SimDevice* dev = deviceOf(handle, &index);
    SimDevice* live = liveDeviceOf(handle, &index);
    int status = failure;
    uint32_t n = 0;
    if (live) {
        deliverIfReady(*dev);
        n = static_cast<uint32_t>(dev->received.size());
        status = dev->faults.rxQueueFails.hits(dev->framesWritten - 1) ? failure : 0;
    }
    if (waiting) *waiting = n;
    if (queueStatus) *queueStatus = 0;
    record({.op = Op::checkRxQueue, .status = status, .device = dev ? static_cast<int>(index) : -1, .bytesInQueue = n});
    if (clock_ == Clock::virtualTime)
        advance(pollCostMs);
    else if (n == 0)
        // As a real layer waits for its bus: a silent device burns no core.
        std::this_thread::sleep_for(idleQueueWait);
    return status;
}

int Simulator::read(void* handle, void* buffer, uint32_t wanted, uint32_t* got) {
    std::size_t index = 0;
    SimDevice* dev = deviceOf(handle, &index);
    SimDevice* live = liveDeviceOf(handle, &index);
    int status = failure;
    std::vector<uint8_t> delivered;
    if (live && buffer) {
        // Waits up to the read time-out for the reply still on its way.
        const uint32_t start = now();
        deliverIfReady(*dev);
        while (dev->received.empty() && !dev->pending.empty() && static_cast<uint32_t>(now() - start) < readTimeout_) {
            advance(1);
            deliverIfReady(*dev);
        }
        const uint32_t n = std::min<uint32_t>({wanted, static_cast<uint32_t>(dev->received.size()), maxReply});
        delivered.assign(dev->received.begin(), dev->received.begin() + n);
        dev->received.erase(dev->received.begin(), dev->received.begin() + n);
        std::copy(delivered.begin(), delivered.end(), static_cast<uint8_t*>(buffer));
        status = dev->faults.readFails.hits(dev->framesWritten - 1) || delivered.empty() ? failure : 0;
    }
    if (got) *got = static_cast<uint32_t>(delivered.size());
    record({.op = Op::read,
            .status = status,
            .device = dev ? static_cast<int>(index) : -1,
            .bytes = std::move(delivered),
            .bytesToRead = wanted});
    return status;
}

int Simulator::flushBuffers(void* handle, uint8_t transmit, uint8_t receive) {
    std::size_t index = 0;
    SimDevice* dev = deviceOf(handle, &index);
    SimDevice* live = liveDeviceOf(handle, &index);
    int status = failure;
    if (live) {
        if (receive) {
            dev->received.clear();
            dev->pending.clear();
        }
        status = 0;
    }
    record({.op = Op::flushBuffers,
            .status = status,
            .device = dev ? static_cast<int>(index) : -1,
            .flushTransmit = transmit,
            .flushReceive = receive});
    return status;
}

int Simulator::setTimeouts(uint32_t readMs, uint32_t writeMs) {
    readTimeout_ = readMs;
    writeTimeout_ = writeMs;
    record({.op = Op::setTimeouts});
    return 0;
}

int Simulator::getTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    if (readMs) *readMs = readTimeout_;
    if (writeMs) *writeMs = writeTimeout_;
    record({.op = Op::getTimeouts});
    return 0;
}

uint32_t Simulator::tickCount() {
    const uint32_t t = now();
    record({.op = Op::tickCount, .tick = t});
    return t;
}

void Simulator::sleep(uint32_t ms) {
    record({.op = Op::sleep, .sleepMs = ms});
    advance(ms);
}

void Simulator::warn(const wchar_t* text) {
    std::wstring s = text ? text : L"";
    record({.op = Op::warn, .text = s});
    if (onWarning) onWarning(s);
}

}  // namespace brixel::sim
