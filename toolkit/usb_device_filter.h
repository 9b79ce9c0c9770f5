// SPDX-License-Identifier: MIT
#pragma once
// A USB layer that shows the library one device of the layer below it: the
// one attached at a given place (the string query's link name, as
// `brixelctl list` shows it). Every Brixel reports the same serial, so this
// is how one of several is chosen without the library knowing. It also counts
// the opens it passes on, so that a tool can tell a device that was never
// reached from one that did not confirm, and the reads that brought an
// answer, to tell a silent device from one that answered.

#include <BrixelPlatform.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brixel::toolkit {

class UsbDeviceFilter {
public:
    // Over `inner`; every device passes when `linkName` is empty. One filter
    // is in use at a time: the table reaches the last one made.
    UsbDeviceFilter(const BRIXEL_USB_LAYER& inner, std::string linkName);
    ~UsbDeviceFilter();
    UsbDeviceFilter(const UsbDeviceFilter&) = delete;
    UsbDeviceFilter& operator=(const UsbDeviceFilter&) = delete;

    const BRIXEL_USB_LAYER& layer() const;

    unsigned opensTried() const { return opensTried_; }
    unsigned opensSucceeded() const { return opensSucceeded_; }
    // Reads that delivered bytes: the device answered something.
    unsigned readsAnswered() const { return readsAnswered_; }
    // Handles opened and not yet closed.
    unsigned openNow() const { return openNow_; }

private:
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

    // The inner index of the device the caller's index stands for.
    bool innerIndex(uint32_t index, uint32_t& inner) const;

    BRIXEL_USB_LAYER inner_;
    std::string linkName_;
    std::vector<uint32_t> shown_;  // inner indices, as of the last count
    unsigned opensTried_ = 0;
    unsigned opensSucceeded_ = 0;
    unsigned readsAnswered_ = 0;
    unsigned openNow_ = 0;
};

// Where device `index` of `layer` is attached; empty when the layer does not say.
std::string usbLinkName(const BRIXEL_USB_LAYER& layer, uint32_t index);

}  // namespace brixel::toolkit
