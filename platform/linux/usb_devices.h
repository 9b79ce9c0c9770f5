// SPDX-License-Identifier: MIT
#pragma once
// What the libusb layer needs to know about a USB device: is it shaped like
// the Brixel's USBXpress interface, where is it on the bus, and what is its
// serial string.

#include <libusb.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::platform {

// Vendor requests (type 0x40: vendor, host to device, device recipient).
inline constexpr uint8_t vendorRequestOut = 0x40;
inline constexpr uint8_t requestFlush = 0x00;
inline constexpr uint16_t flushValue = 0xFFFF;
inline constexpr uint8_t requestControl = 0x02;
inline constexpr uint16_t controlOpen = 0x0002;
inline constexpr uint16_t controlClose = 0x0004;

// The layer's own waits, apart from the time-outs the caller sets.
inline constexpr unsigned controlTimeoutMs = 1000;  // vendor and descriptor requests
inline constexpr unsigned cancelWaitMs = 500;       // for cancelled transfers to come back
// The most a queue check waits for a reply that has not come: well under the
// library's millisecond tick, so its reply window holds.
inline constexpr std::chrono::microseconds idleQueueWait{500};

struct UsbxpressEndpoints {
    uint8_t out = 0;
    uint8_t in = 0;
    uint16_t outPacket = 0;
    uint16_t inPacket = 0;
};

// Interface 0 of a device with the Brixel's vendor ID: vendor class with one
// bulk OUT and one bulk IN endpoint. Read from the cached descriptors; no device I/O.
std::optional<UsbxpressEndpoints> usbxpressShape(libusb_device* device);

// Every USBXpress-shaped device, referenced, in a stable order: bus number,
// then port path, then address. The caller unreferences them.
std::vector<libusb_device*> listUsbxpressDevices(libusb_context* context);

// "/dev/bus/usb/001/005".
std::string deviceNode(libusb_device* device);
// The serial the kernel read at enumeration (world-readable, unlike the node).
std::optional<std::string> sysfsSerial(libusb_device* device);

// A string descriptor in the first language the device offers, as UTF-8.
// Returns a libusb error code, 0 on success.
int readStringDescriptor(libusb_device_handle* handle, uint8_t index, std::string& text);

}  // namespace brixel::platform
