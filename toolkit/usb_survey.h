// SPDX-License-Identifier: MIT
#pragma once
// What brixelctl doctor finds out about this machine's USB setup: the devices
// as the kernel shows them in sysfs, the udev rule, and what the platform's
// USB layer, asked through the seam, counts. No libusb here: the library's
// layer is the one place that talks to devices.

#include <BrixelPlatform.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::toolkit {

struct SurveyedDevice {
    std::string location;  // "1-2.3", the kernel's name for it under /sys/bus/usb/devices
    std::string node;      // "/dev/bus/usb/001/005"
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool usbxpressShape = false;
    bool accessible = false;            // the node can be opened for reading and writing
    std::optional<std::string> serial;  // as the kernel read it at enumeration; none when the device has none
    std::string kernelDriver;           // the driver bound to interface 0, if any
    bool brixel = false;                // the serial the library looks for, on a USBXpress interface
};

struct UsbSurvey {
    std::size_t devicesSeen = 0;  // every USB device the kernel lists, hubs included
    // Devices with the Brixel's vendor ID: the USBXpress-shaped ones first, in
    // the platform's layer's order (bus, port path, address), so that its
    // device n is vendorDevices[n]; then the others in the same order.
    std::vector<SurveyedDevice> vendorDevices;
    bool layerStarted = false;  // the platform's USB layer counted its devices
    uint32_t layerDevices = 0;
    // The udev rule where udev reads rules, and where it was installed but udev does not look.
    std::vector<std::string> rulesActive;
    std::vector<std::string> rulesIgnored;
    bool root = false;
};

// Where the kernel lists the USB devices and their interfaces.
inline constexpr std::string_view sysfsUsbDevices = "/sys/bus/usb/devices";

// The machine as it is now. Of `layer` (brixelGetPlatformUsbLayer() for the
// library's own) only the device count is asked; nothing is opened.
UsbSurvey surveyUsb(const BRIXEL_USB_LAYER& layer, const std::filesystem::path& devices = sysfsUsbDevices);

// Whether sysfs's binary "descriptors" (the device descriptor, then each
// configuration with its interfaces and endpoints) hold the USBXpress
// interface, as the platform's layer tests it, in the configuration whose
// value is `activeConfiguration`; the first one when that is 0 (unconfigured)
// or not among them. Pure.
bool hasUsbxpressShape(std::span<const uint8_t> descriptors, uint8_t activeConfiguration);

}  // namespace brixel::toolkit
