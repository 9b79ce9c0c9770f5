// SPDX-License-Identifier: MIT
// The tool's USB layers, each over the simulator's ten operations: the filter
// that shows one device of several, and the trace that describes every call.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/simulator.h"
#include "toolkit/usb_device_filter.h"
#include "toolkit/usb_trace.h"

namespace brixel::toolkit {
namespace {

class UsbLayers : public testing::Test {
protected:
    sim::Simulator sim;
    void SetUp() override {
        sim.addDevice("2024");
        sim.addDevice("9999");
        sim.addDevice("2024");
        sim.activate();
    }
    BRIXEL_USB_LAYER inner() const { return sim.usbLayer(); }
};

std::string serialOf(const BRIXEL_USB_LAYER& layer, uint32_t index) {
    char buffer[261] = {};
    return layer.getProductString(index, buffer, 0) == 0 ? buffer : "(failed)";
}

TEST_F(UsbLayers, TheFilterShowsOnlyTheDeviceAtItsPlace) {
    const BRIXEL_USB_LAYER below = inner();
    EXPECT_EQ(usbLinkName(below, 2), "sim:3");
    UsbDeviceFilter filter(below, "sim:3");
    const auto& layer = filter.layer();
    uint32_t count = 0;
    ASSERT_EQ(layer.getNumDevices(&count), 0);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(serialOf(layer, 0), "2024");
    EXPECT_EQ(usbLinkName(layer, 0), "sim:3");
    EXPECT_NE(layer.getProductString(1, nullptr, 0), 0);
    void* handle = nullptr;
    ASSERT_EQ(layer.open(0, &handle), 0);
    EXPECT_EQ(sim.trace().back().device, 2) << "the open reached the third device";
    EXPECT_EQ(layer.close(handle), 0);
    EXPECT_EQ(filter.opensTried(), 1u);
    EXPECT_EQ(filter.opensSucceeded(), 1u);
    EXPECT_NE(layer.open(1, &handle), 0);
    EXPECT_EQ(filter.opensTried(), 1u) << "an index past the shown devices opens nothing";
}

TEST_F(UsbLayers, WithoutAPlaceEveryDevicePassesAndAFailedOpenIsCounted) {
    sim.device(0).faults.openFails = true;
    const BRIXEL_USB_LAYER below = inner();
    UsbDeviceFilter filter(below, "");
    uint32_t count = 0;
    ASSERT_EQ(filter.layer().getNumDevices(&count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(serialOf(filter.layer(), 1), "9999");
    void* handle = nullptr;
    EXPECT_NE(filter.layer().open(0, &handle), 0);
    EXPECT_EQ(filter.opensTried(), 1u);
    EXPECT_EQ(filter.opensSucceeded(), 0u);
    UsbDeviceFilter nowhere(below, "sim:9");
    ASSERT_EQ(nowhere.layer().getNumDevices(&count), 0);
    EXPECT_EQ(count, 0u);
}

// The line without its times, which differ from run to run.
std::string withoutTimes(const std::string& line) {
    std::string text = line.substr(line.find(" ms ") + 4);
    const auto took = text.rfind("  [");
    return took == std::string::npos ? text : text.substr(0, took);
}

TEST_F(UsbLayers, TheTraceDescribesEachCallWithItsFrameAndFoldsARun) {
    std::vector<std::string> lines;
    const BRIXEL_USB_LAYER below = inner();
    {
        UsbTrace trace(below, [&](std::string_view line) { lines.emplace_back(line); });
        const auto& layer = trace.layer();
        uint32_t count = 0;
        layer.getNumDevices(&count);
        void* handle = nullptr;
        layer.open(0, &handle);
        uint8_t frame[5] = {0x10, 0x04, 0xE0, 0x00, 0x02};
        uint32_t written = 0;
        sim.device(0).replyLatencyMs = 1000;
        layer.write(handle, frame, 5, &written, nullptr);
        uint32_t waiting = 0;
        uint32_t status = 0;
        for (int i = 0; i < 3; ++i) layer.checkRxQueue(handle, &waiting, &status);
        sim.device(0).pendingReadyAt = 0;
        layer.checkRxQueue(handle, &waiting, &status);
        uint8_t reply[64] = {};
        uint32_t got = 0;
        layer.read(handle, reply, 64, &got, nullptr);
        layer.close(handle);
    }
    std::vector<std::string> calls;
    for (const auto& l : lines) {
        ASSERT_EQ(l.rfind("usb ", 0), 0u) << l;
        calls.push_back(l.find("... the same") == std::string::npos ? withoutTimes(l) : "(run)");
    }
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "getNumDevices() -> 0: 3 devices",
                         "open(0) -> 0: handle 0x1000",
                         "write(0x1000, 5 bytes 10 04 e0 00 02) -> 0: 5 written",
                         "checkRxQueue(0x1000) -> 0: 0 bytes waiting, status 0",
                         "(run)",
                         "checkRxQueue(0x1000) -> 0: 2 bytes waiting, status 0",
                         "read(0x1000, 64 bytes) -> 0: 2 bytes e0 00",
                         "close(0x1000) -> 0",
                     }));
    EXPECT_NE(lines[4].find("the same 2 more times"), std::string::npos) << lines[4];
}

}  // namespace
}  // namespace brixel::toolkit
