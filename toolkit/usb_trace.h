// SPDX-License-Identifier: MIT
#pragma once
// A USB layer that hands each call to the layer below it and describes it:
// the operation with its arguments, its status and results, frames in hex,
// the time since the trace began and how long the call took. A run of the
// same call with the same outcome (the library polls the receive queue in a
// tight loop) is one line with its count.

#include <BrixelPlatform.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brixel::toolkit {

class UsbTrace {
public:
    using Sink = std::function<void(std::string_view line)>;

    // Over `inner`, each line to `sink`. One trace is in use at a time: the
    // table reaches the last one made.
    UsbTrace(const BRIXEL_USB_LAYER& inner, Sink sink);
    // Gives out a run still being counted.
    ~UsbTrace();
    UsbTrace(const UsbTrace&) = delete;
    UsbTrace& operator=(const UsbTrace&) = delete;

    const BRIXEL_USB_LAYER& layer() const;
    void flush();

private:
    using Clock = std::chrono::steady_clock;

    static int getNumDevices(uint32_t* count);
    static int getProductString(uint32_t index, char* buffer, uint32_t flags);
    static int open(uint32_t index, void** handle);
    static int close(void* handle);
    static int read(void* handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead, void* overlapped);
    static int write(void* handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten, void* overlapped);
    static int flushBuffers(void* handle, uint8_t flushTransmit, uint8_t flushReceive);
    static int setTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs);
    static int getTimeouts(uint32_t* readTimeoutMs, uint32_t* writeTimeoutMs);
    static int checkRxQueue(void* handle, uint32_t* bytesInQueue, uint32_t* queueStatus);

    // One call: what it was and what came of it, begun at `start`.
    void record(Clock::time_point start, const std::string& call, int status, const std::string& outcome);
    double msSinceBegin(Clock::time_point t) const;

    BRIXEL_USB_LAYER inner_;
    Sink sink_;
    Clock::time_point begin_ = Clock::now();
    // The run being counted.
    std::string runText_;
    unsigned runRepeats_ = 0;
    Clock::time_point runFirst_{};
    Clock::time_point runLast_{};
};

}  // namespace brixel::toolkit
