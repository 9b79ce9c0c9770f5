#pragma once
// What brixelctl doctor finds out about the USB setup of this machine.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brixel::platform {

struct SurveyedDevice {
    std::string location;  // "1-2.3", as under /sys/bus/usb/devices
    std::string node;      // "/dev/bus/usb/001/005"
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool usbxpressShape = false;
    bool accessible = false;  // the node can be opened for reading and writing
    bool serialKnown = false;
    std::string serial;
    std::string serialSource;  // "descriptor" or "sysfs"
    std::string serialError;   // why no serial, when it is not known
    std::string kernelDriver;  // the driver bound to interface 0, if any
    bool brixel = false;       // the serial the library looks for, on a USBXpress interface
};

struct UsbSurvey {
    bool libusbBuiltIn = false;
    std::string libusbVersion;
    std::string libusbError;  // libusb would not start
    std::size_t devicesSeen = 0;
    // Devices with the vendor ID 0x10C4, in the layer's order.
    std::vector<SurveyedDevice> vendorDevices;
    // The serial string a Brixel reports.
    std::string brixelSerial;
    // The udev rule where udev reads rules, and where it was installed but udev does not look.
    std::vector<std::string> rulesActive;
    std::vector<std::string> rulesIgnored;
    bool root = false;
    // The rule's file name.
    std::string ruleFile;
};

UsbSurvey surveyUsb();

// The part that needs libusb; without it, says so.
void surveyBus(UsbSurvey& survey);

}  // namespace brixel::platform
