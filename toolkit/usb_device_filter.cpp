// SPDX-License-Identifier: MIT
#include "toolkit/usb_device_filter.h"

#include <array>
#include <cstring>

#include "protocol/device.h"

namespace brixel::toolkit {
namespace {

constexpr int failure = 1;

UsbDeviceFilter* active = nullptr;

}  // namespace

std::string usbLinkName(const BRIXEL_USB_LAYER& layer, uint32_t index) {
    std::array<char, protocol::serialBufferSize + 1> buffer{};
    if (layer.getProductString(index, buffer.data(), protocol::productStringLinkName) != 0) return {};
    return std::string(buffer.data(), strnlen(buffer.data(), protocol::serialBufferSize));
}

UsbDeviceFilter::UsbDeviceFilter(const BRIXEL_USB_LAYER& inner, std::string linkName)
    : inner_(inner), linkName_(std::move(linkName)) {
    active = this;
}

UsbDeviceFilter::~UsbDeviceFilter() {
    if (active == this) active = nullptr;
}

const BRIXEL_USB_LAYER& UsbDeviceFilter::layer() const {
    static const BRIXEL_USB_LAYER table{getNumDevices, getProductString, open,        close,       read,
                                        write,         flushBuffers,     setTimeouts, getTimeouts, checkRxQueue};
    return table;
}

bool UsbDeviceFilter::innerIndex(uint32_t index, uint32_t& inner) const {
    if (linkName_.empty()) {
        inner = index;
        return true;
    }
    if (index >= shown_.size()) return false;
    inner = shown_[index];
    return true;
}

int UsbDeviceFilter::getNumDevices(uint32_t* count) {
    if (!active) return failure;
    auto& self = *active;
    uint32_t all = 0;
    const int status = self.inner_.getNumDevices(&all);
    if (status != 0 || self.linkName_.empty()) {
        if (count && status == 0) *count = all;
        return status;
    }
    self.shown_.clear();
    for (uint32_t i = 0; i < all; ++i)
        if (usbLinkName(self.inner_, i) == self.linkName_) self.shown_.push_back(i);
    if (count) *count = static_cast<uint32_t>(self.shown_.size());
    return 0;
}

int UsbDeviceFilter::getProductString(uint32_t index, char* buffer, uint32_t flags) {
    uint32_t inner = 0;
    if (!active || !active->innerIndex(index, inner)) return failure;
    return active->inner_.getProductString(inner, buffer, flags);
}

int UsbDeviceFilter::open(uint32_t index, void** handle) {
    uint32_t inner = 0;
    if (!active || !active->innerIndex(index, inner)) return failure;
    ++active->opensTried_;
    const int status = active->inner_.open(inner, handle);
    if (status == 0) {
        ++active->opensSucceeded_;
        ++active->openNow_;
    }
    return status;
}

int UsbDeviceFilter::close(void* handle) {
    if (!active) return failure;
    if (active->openNow_ > 0) --active->openNow_;
    return active->inner_.close(handle);
}

int UsbDeviceFilter::read(void* handle, void* buffer, uint32_t wanted, uint32_t* got, void* overlapped) {
    if (!active) return failure;
    const int status = active->inner_.read(handle, buffer, wanted, got, overlapped);
    if (got && *got > 0) ++active->readsAnswered_;
    return status;
}

int UsbDeviceFilter::write(void* handle, void* buffer, uint32_t length, uint32_t* written, void* overlapped) {
    return active ? active->inner_.write(handle, buffer, length, written, overlapped) : failure;
}

int UsbDeviceFilter::flushBuffers(void* handle, uint8_t transmit, uint8_t receive) {
    return active ? active->inner_.flushBuffers(handle, transmit, receive) : failure;
}

int UsbDeviceFilter::setTimeouts(uint32_t readMs, uint32_t writeMs) {
    return active ? active->inner_.setTimeouts(readMs, writeMs) : failure;
}

int UsbDeviceFilter::getTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    return active ? active->inner_.getTimeouts(readMs, writeMs) : failure;
}

int UsbDeviceFilter::checkRxQueue(void* handle, uint32_t* waiting, uint32_t* status) {
    return active ? active->inner_.checkRxQueue(handle, waiting, status) : failure;
}

}  // namespace brixel::toolkit
