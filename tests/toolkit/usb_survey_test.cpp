// SPDX-License-Identifier: MIT
// The survey's pure parts: the USBXpress shape read from sysfs's binary
// descriptors, and what it takes from the library's layer.

#include "toolkit/usb_survey.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace brixel::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Vendor 10c4, product ea61, two configurations.
const Bytes device{18, 0x01, 0x10, 0x01, 0, 0, 0, 64, 0xC4, 0x10, 0x61, 0xEA, 0x00, 0x01, 1, 2, 3, 2};
// Configuration headers: length 9, type 2, total length, one interface, the value.
const Bytes config1of32{9, 0x02, 32, 0, 1, 1, 0, 0x80, 50};
const Bytes config1of34{9, 0x02, 34, 0, 1, 1, 0, 0x80, 50};
const Bytes config2of32{9, 0x02, 32, 0, 1, 2, 0, 0x80, 50};
const Bytes config1of25{9, 0x02, 25, 0, 1, 1, 0, 0x80, 50};
// Interface 0, vendor class, two endpoints: bulk OUT 0x01 and bulk IN 0x81, 64-byte packets.
const Bytes usbxpress{9, 0x04, 0,    0,    2,  0xFF, 0, 0, 0,  //
                      7, 0x05, 0x01, 0x02, 64, 0,    0,        //
                      7, 0x05, 0x81, 0x02, 64, 0,    0};
// Interface 0, HID class, its HID descriptor, one interrupt IN endpoint.
const Bytes hid{9, 0x04, 0,    0,    1,  0x03, 0,    0,    0,  //
                9, 0x21, 0x11, 0x01, 0,  1,    0x22, 0x20, 0,  //
                7, 0x05, 0x81, 0x03, 64, 0,    1};
// Interface 0, vendor class, one bulk IN endpoint only.
const Bytes oneBulk{9, 0x04, 0,    0,    1,  0xFF, 0, 0, 0,  //
                    7, 0x05, 0x81, 0x02, 64, 0,    0};

TEST(UsbxpressDescriptors, ShapeAsThePlatformLayerTestsIt) {
    const Bytes cut = cat({device, config1of32, usbxpress});
    const struct {
        const char* what;
        Bytes descriptors;
        uint8_t active;
        bool shape;
    } cases[] = {
        {"a USBXpress interface", cat({device, config1of32, usbxpress}), 1, true},
        {"a HID interface", cat({device, config1of34, hid}), 1, false},
        {"cut off in its second endpoint", Bytes(cut.begin(), cut.end() - 3), 1, false},
        {"one bulk endpoint only", cat({device, config1of25, oneBulk}), 1, false},
        {"the active configuration, not the first", cat({device, config1of34, hid, config2of32, usbxpress}), 2, true},
        {"unconfigured: the first configuration", cat({device, config1of34, hid, config2of32, usbxpress}), 0, false},
        {"a descriptor of length 0", cat({device, config1of32, Bytes{0, 0x04}, Bytes(21, 0)}), 1, false},
    };
    for (const auto& c : cases) EXPECT_EQ(toolkit::hasUsbxpressShape(c.descriptors, c.active), c.shape) << c.what;
}

int countFails(uint32_t* count) {
    *count = 7;
    return 0xFF;
}

TEST(UsbSurvey, ALayerThatCannotCountHasNotStarted) {
    BRIXEL_USB_LAYER layer{};
    layer.getNumDevices = countFails;
    const auto survey = toolkit::surveyUsb(layer, std::filesystem::path(testing::TempDir()) / "no-such-sysfs");
    EXPECT_FALSE(survey.layerStarted);
    EXPECT_EQ(survey.layerDevices, 0u);
    EXPECT_EQ(survey.devicesSeen, 0u);
    EXPECT_TRUE(survey.vendorDevices.empty());
}

}  // namespace
}  // namespace brixel::test
