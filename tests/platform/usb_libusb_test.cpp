// SPDX-License-Identifier: MIT
// The libusb layer end to end: the library, the layer, libusb, umockdev's
// emulated kernel and the device model behind it.

#include "platform/linux/usb_libusb.h"

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/usb_devices.h"
#include "platform/platform.h"
#include "tests/platform/usb_emulator.h"
#include "tests/support/sim_fixture.h"
#include "text/utf8.h"
#include "toolkit/usb_survey.h"

namespace brixel::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Log = std::vector<std::string>;

// The library's tick runs this much faster than real time, so its 4000 ms
// reply window lasts 400 ms: libusb polls umockdev's socket without sleeping,
// and a long window only burns CPU.
constexpr uint32_t clockScale = 10;
constexpr auto replyWindow = milliseconds(4000 / clockScale);

std::vector<std::wstring> warnings;

uint32_t fastTick() {
    const auto ms = std::chrono::duration_cast<milliseconds>(Clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms * clockScale);
}
void realSleep(uint32_t ms) { std::this_thread::sleep_for(milliseconds(ms)); }
void collectWarning(const wchar_t* text) { warnings.emplace_back(text); }

const Log openSequence{"claim 0", "vendor 00 ffff", "vendor 02 0002"};
const Log closeSequence{"vendor 02 0004", "release 0"};

Log concat(std::initializer_list<Log> parts) {
    Log all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Changes the device while umockdev's thread may be serving it.
template <typename Change>
void with(EmulatedDevice& device, Change change) {
    auto guard = device.lock();
    change();
}

class LibusbTest : public testing::Test {
protected:
    void SetUp() override {
        if (!EmulatedBus::available())
            GTEST_SKIP() << "skipped: not running under umockdev-wrapper, so there is no emulated USB bus";
        bus = std::make_unique<EmulatedBus>();
        warnings.clear();
        const BRIXEL_HOST host{fastTick, realSleep, collectWarning};
        ASSERT_TRUE(brixelSetUsbLayer(nullptr));  // the platform's own: libusb
        ASSERT_TRUE(brixelSetHost(&host));
    }
    void TearDown() override {
        if (!bus) return;
        DeviceClose();
        platform::shutdownLibusb();  // libusb must end before its bus does
        brixelSetHost(nullptr);
        bus.reset();
    }

    bool run(const std::function<bool()>& call) {
        bool result = false;
        printed = printedBy([&] { result = call(); });
        return result;
    }

    // The raw layer, opened on device `index` with short time-outs.
    void* openDirect(uint32_t index = 0) {
        uint32_t count = 0;
        EXPECT_EQ(layer.getNumDevices(&count), 0);
        void* handle = nullptr;
        EXPECT_EQ(layer.open(index, &handle), 0);
        layer.setTimeouts(200, 200);
        return handle;
    }
    int writeFrame(void* handle, std::vector<uint8_t> frame) {
        uint32_t written = 0;
        return layer.write(handle, frame.data(), static_cast<uint32_t>(frame.size()), &written, nullptr);
    }
    uint32_t waiting(void* handle) {
        uint32_t n = 0, status = 0;
        EXPECT_EQ(layer.checkRxQueue(handle, &n, &status), 0);
        return n;
    }

    const BRIXEL_USB_LAYER& layer = platform::libusbUsbLayer(collectWarning);
    std::unique_ptr<EmulatedBus> bus;
    std::string printed;
};

TEST_F(LibusbTest, IsTheLinuxDefaultLayer) {
    const BRIXEL_USB_LAYER& own = platform::defaultUsbLayer(collectWarning);
    EXPECT_EQ(own.open, layer.open);
    EXPECT_EQ(own.checkRxQueue, layer.checkRxQueue);
}

TEST_F(LibusbTest, ListsOnlyUsbxpressShapedDevicesByBusThenPortPath) {
    auto& onBus2 = bus->add({.bus = 2, .ports = {1}, .address = 3, .serial = "2024"});
    bus->add({.bus = 1, .ports = {3}, .address = 9, .serial = "2023"});
    bus->add({.bus = 1, .ports = {1, 2}, .address = 7, .productId = 0xEA63, .serial = "2024 "});
    auto& hid = bus->add({.bus = 1, .ports = {1}, .address = 4, .productId = 0xEA90, .shape = DeviceShape::hid});
    auto& otherVendor = bus->add({.bus = 1, .ports = {2}, .address = 5, .vendorId = 0x1234});

    uint32_t count = 0;
    ASSERT_EQ(layer.getNumDevices(&count), 0);
    ASSERT_EQ(count, 3u);
    struct Row {
        uint32_t flags;
        std::array<const char*, 3> expected;
    };
    const Row rows[] = {
        {0, {"2024 ", "2023", "2024"}},
        {2, {"/dev/bus/usb/001/007", "/dev/bus/usb/001/009", "/dev/bus/usb/002/003"}},
        {3, {"10C4", "10C4", "10C4"}},
        {4, {"EA63", "EA61", "EA61"}},
    };
    for (const auto& row : rows) {
        for (uint32_t i = 0; i < count; ++i) {
            std::array<char, 260> text{};
            EXPECT_EQ(layer.getProductString(i, text.data(), row.flags), 0) << "flags " << row.flags;
            EXPECT_STREQ(text.data(), row.expected[i]) << "device " << i << ", flags " << row.flags;
        }
    }
    std::array<char, 260> text{};
    EXPECT_NE(layer.getProductString(3, text.data(), 0), 0);

    // Only the exact serial on the right shape is taken.
    ASSERT_TRUE(run([] { return setActivePort(BRIXEL_INPORT_2); }));
    EXPECT_EQ(onBus2.framesReceived(), 1u);
    EXPECT_EQ(onBus2.model.setting(BRIXEL_CMD_ACTIVE_PORT), 2);
    EXPECT_TRUE(hid.log().empty());
    EXPECT_TRUE(otherVendor.log().empty());
}

TEST_F(LibusbTest, OpensAndClosesWithTheVendorRequestsInOrder) {
    auto& device = bus->add({});
    ASSERT_TRUE(run([] { return setActivePort(BRIXEL_INPORT_3); }));
    EXPECT_EQ(device.log(), concat({openSequence, {"out 10 04 e0 00 03"}, closeSequence}));
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(warnings.empty());
}

TEST_F(LibusbTest, LeaveOpenKeepsOneSessionAcrossCalls) {
    auto& device = bus->add({});
    LeaveDeviceOpen();
    std::array<char, 32> version{};
    std::array<unsigned char, 60> state{};
    ASSERT_TRUE(run([&] { return getFwVersion(version.data()); }));
    ASSERT_TRUE(run([&] { return getBrixelState(state.data()); }));
    EXPECT_EQ(device.log(), concat({openSequence, {"out 11 08 e0 07", "out 11 3e e1"}}));
    DeviceClose();
    EXPECT_EQ(device.log(), concat({openSequence, {"out 11 08 e0 07", "out 11 3e e1"}, closeSequence}));
}

TEST_F(LibusbTest, RepliesReachTheCallerWhole) {
    auto& device = bus->add({});
    device.model.firmwareMajor = 3;
    device.model.firmwareMinor = 14;
    device.model.settings[5] = 0x5A;
    std::array<char, 32> version{};
    ASSERT_TRUE(run([&] { return getFwVersion(version.data()); }));
    EXPECT_STREQ(version.data(), "BRIXEL FW Ver: 3.14");
    std::array<unsigned char, 60> state{};
    ASSERT_TRUE(run([&] { return getBrixelState(state.data()); }));  // 62 bytes: one packet
    const auto expected = device.model.stateBlock();
    EXPECT_TRUE(std::equal(state.begin(), state.end(), expected.begin()));
    EXPECT_EQ(state[5], 0x5A);
}

TEST_F(LibusbTest, AReplyIsSeenAsSoonAsItLands) {
    auto& device = bus->add({});
    LeaveDeviceOpen();
    ASSERT_TRUE(run([] { return setLogoLed(true); }));  // discovery and open out of the way
    for (uint32_t latency : {0u, 40u, 120u}) {
        with(device, [&] { device.replyLatencyMs = latency; });
        // The quickest of a few: a loaded machine delays some exchanges, a
        // polling interval would delay every one.
        auto quickest = milliseconds::max();
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto start = Clock::now();
            ASSERT_TRUE(run([] { return setLogoLed(false); })) << latency << " ms";
            quickest = std::min(quickest, std::chrono::duration_cast<milliseconds>(Clock::now() - start));
        }
        EXPECT_GE(quickest.count(), latency);
        EXPECT_LT(quickest.count(), latency + 30) << "the reply waited after it had arrived";
    }
}

TEST_F(LibusbTest, AReplyLongerThanOnePacketIsPutBackTogether) {
    auto& device = bus->add({});
    std::vector<uint8_t> longReply(100);
    for (std::size_t i = 0; i < longReply.size(); ++i) longReply[i] = static_cast<uint8_t>(i + 1);
    with(device, [&] {
        device.packetGapMs = 30;
        device.replyOverride = [&](std::span<const uint8_t>) { return std::optional(longReply); };
    });
    void* handle = openDirect();
    const auto start = Clock::now();
    ASSERT_EQ(writeFrame(handle, {0x11, 0x3E, 0xE1}), 0);
    std::array<uint8_t, 256> in{};
    uint32_t got = 0;
    ASSERT_EQ(layer.read(handle, in.data(), static_cast<uint32_t>(in.size()), &got, nullptr), 0);
    EXPECT_GE(Clock::now() - start, milliseconds(30)) << "returned before the second packet";
    ASSERT_EQ(got, 100u);
    EXPECT_TRUE(std::equal(longReply.begin(), longReply.end(), in.begin()));

    // A read of one packet's worth takes 64 and leaves the rest waiting.
    ASSERT_EQ(writeFrame(handle, {0x11, 0x3E, 0xE1}), 0);
    ASSERT_EQ(layer.read(handle, in.data(), 64, &got, nullptr), 0);
    EXPECT_EQ(got, 64u);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(waiting(handle), 36u);
    EXPECT_EQ(layer.close(handle), 0);
}

TEST_F(LibusbTest, TheLibraryTakesTheFirst64BytesAndTheNextExchangeDropsTheRest) {
    auto& device = bus->add({});
    std::vector<uint8_t> longReply(100, 0x77);
    longReply[0] = 0xE1;
    device.replyOverride = [&](std::span<const uint8_t> frame) {
        return frame.size() == 3 ? std::optional(longReply) : std::nullopt;
    };
    LeaveDeviceOpen();
    std::array<unsigned char, 60> state{};
    ASSERT_TRUE(run([&] { return getBrixelState(state.data()); }));
    EXPECT_EQ(state[0], 0x77);
    std::this_thread::sleep_for(milliseconds(20));  // the second packet lands
    std::array<char, 32> version{};
    ASSERT_TRUE(run([&] { return getFwVersion(version.data()); })) << printed;
    EXPECT_STREQ(version.data(), "BRIXEL FW Ver: 1.5");
}

TEST_F(LibusbTest, AStalledSerialStringSkipsTheDevice) {
    auto& stalled = bus->add({.ports = {1}, .address = 2});
    auto& next = bus->add({.ports = {2}, .address = 3});
    stalled.stallSerial = true;
    uint32_t count = 0;
    ASSERT_EQ(layer.getNumDevices(&count), 0);
    std::array<char, 260> text{};
    text[0] = 'x';
    EXPECT_NE(layer.getProductString(0, text.data(), 0), 0);
    EXPECT_EQ(text[0], '\0');

    ASSERT_TRUE(run([] { return setAutoSwitch(true); }));
    EXPECT_TRUE(stalled.log().empty());
    EXPECT_EQ(next.framesReceived(), 1u);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(LibusbTest, ReadTimesOutAndTheLateReplyIsFlushed) {
    auto& device = bus->add({});
    device.replyLatencyMs = 150;
    void* handle = openDirect();
    layer.setTimeouts(50, 200);
    ASSERT_EQ(writeFrame(handle, {0x11, 0x08, 0xE0, 0x07}), 0);
    std::array<uint8_t, 64> in{};
    uint32_t got = 99;
    const auto start = Clock::now();
    EXPECT_NE(layer.read(handle, in.data(), 64, &got, nullptr), 0);
    const auto took = Clock::now() - start;
    EXPECT_EQ(got, 0u);
    EXPECT_GE(took, milliseconds(50));
    EXPECT_LT(took, milliseconds(1000));  // the read time-out ended the wait, give or take a loaded machine

    std::this_thread::sleep_for(milliseconds(150));
    EXPECT_EQ(waiting(handle), 8u);  // the late reply has landed
    EXPECT_EQ(layer.flushBuffers(handle, 1, 1), 0);
    EXPECT_EQ(waiting(handle), 0u);
    EXPECT_EQ(layer.close(handle), 0);
}

TEST_F(LibusbTest, AReplyTooLateForTheWindowIsNotTakenForTheNextOne) {
    auto& device = bus->add({});
    LeaveDeviceOpen();
    with(device, [&] { device.replyLatencyMs = 4000 / clockScale + 100; });
    std::array<char, 32> version{};
    EXPECT_FALSE(run([&] { return getFwVersion(version.data()); }));
    EXPECT_EQ(printed, "Error Reading values\n");
    std::this_thread::sleep_for(milliseconds(200));  // its reply (echo 0xE0) lands
    with(device, [&] { device.replyLatencyMs = 0; });
    std::array<unsigned char, 60> state{};
    EXPECT_TRUE(run([&] { return getBrixelState(state.data()); })) << "took the stale reply";
    EXPECT_EQ(printed, "");
}

TEST_F(LibusbTest, UnplugDuringABlockingReadEndsItAtOnce) {
    auto& device = bus->add({});
    device.silent = true;
    void* handle = openDirect();
    layer.setTimeouts(5000, 200);
    ASSERT_EQ(writeFrame(handle, {0x11, 0x08, 0xE0, 0x07}), 0);
    std::thread unplugger([&] {
        std::this_thread::sleep_for(milliseconds(50));
        device.unplug();
    });
    std::array<uint8_t, 64> in{};
    uint32_t got = 0;
    const auto start = Clock::now();
    EXPECT_NE(layer.read(handle, in.data(), 64, &got, nullptr), 0);
    EXPECT_LT(Clock::now() - start, milliseconds(3000));  // not the 5000 ms read time-out
    unplugger.join();

    uint32_t n = 0, status = 0;
    EXPECT_NE(layer.checkRxQueue(handle, &n, &status), 0);
    EXPECT_NE(writeFrame(handle, {0x10, 0x04, 0xE0, 0x00, 0x01}), 0);
    EXPECT_NE(layer.flushBuffers(handle, 1, 1), 0);
    EXPECT_NE(layer.close(handle), 0);  // the close request could not be sent
    EXPECT_NE(layer.close(handle), 0);  // and the handle is gone all the same
}

TEST_F(LibusbTest, UnplugInTheMiddleOfAnOperationFailsItWithinTheWindow) {
    auto& device = bus->add({});
    LeaveDeviceOpen();
    ASSERT_TRUE(run([] { return setLogoLed(true); }));
    with(device, [&] { device.unplugAfterFrames = 2; });  // the next frame goes out, then the device is gone
    const auto start = Clock::now();
    EXPECT_FALSE(run([] { return setLogoLed(false); }));
    EXPECT_LT(Clock::now() - start, replyWindow + milliseconds(1000));
    EXPECT_EQ(printed, "Error Writing values\n");
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.front(), L"Error Checking RX Queue");
    EXPECT_EQ(device.framesReceived(), 2u);

    warnings.clear();
    EXPECT_TRUE(DeviceClose());
    EXPECT_EQ(warnings, std::vector<std::wstring>{L"Unable to close device handle!"});

    // Off the bus: the next operation finds nothing.
    bus->remove(device);
    warnings.clear();
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(warnings, std::vector<std::wstring>{L"BRIXEL USB not connected!"});
}

TEST_F(LibusbTest, AFailedVendorRequestFailsTheOpenAndReleasesTheInterface) {
    auto& device = bus->add({});
    device.stallVendorRequests = true;
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(printed, "Device open error");
    EXPECT_EQ(warnings, std::vector<std::wstring>{L"Usb device open error!"});
    EXPECT_EQ(device.log(), (Log{"claim 0", "vendor 00 ffff", "release 0"}));
}

// The layer's explanation reaches the caller's own host, ahead of the link's
// warning, and nothing goes to standard error behind the caller's back.
TEST_F(LibusbTest, AnOpenRefusedByTheSystemIsExplainedThroughTheHost) {
    auto& device = bus->add({});
    device.claimBusy = true;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(printed, "Device open error");
    EXPECT_EQ(warnings, (std::vector<std::wstring>{L"the USB device /dev/bus/usb/001/002 is in use by another program.",
                                                   L"Usb device open error!"}));
    EXPECT_EQ(device.framesReceived(), 0u);
}

TEST_F(LibusbTest, BadHandlesAndArgumentsFailWithoutTouchingAnything) {
    auto& device = bus->add({});
    void* handle = openDirect();
    void* const invalid = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
    uint8_t buffer[64] = {1};
    uint32_t n = 7, status = 0;
    for (void* h : {invalid, static_cast<void*>(nullptr), static_cast<void*>(buffer)}) {
        EXPECT_NE(layer.read(h, buffer, 64, &n, nullptr), 0);
        EXPECT_EQ(n, 0u);
        EXPECT_NE(layer.write(h, buffer, 4, &n, nullptr), 0);
        EXPECT_NE(layer.flushBuffers(h, 1, 1), 0);
        EXPECT_NE(layer.checkRxQueue(h, &n, &status), 0);
        EXPECT_NE(layer.close(h), 0);
    }
    EXPECT_NE(layer.getNumDevices(nullptr), 0);
    EXPECT_NE(layer.getProductString(0, nullptr, 0), 0);
    EXPECT_NE(layer.getProductString(0, reinterpret_cast<char*>(buffer), 9), 0);
    EXPECT_NE(layer.open(0, nullptr), 0);
    EXPECT_NE(layer.write(handle, buffer, 0, &n, nullptr), 0);
    EXPECT_NE(layer.read(handle, buffer, 0, &n, nullptr), 0);

    EXPECT_EQ(layer.setTimeouts(123, 4567), 0);
    uint32_t readMs = 0, writeMs = 0;
    EXPECT_EQ(layer.getTimeouts(&readMs, &writeMs), 0);
    EXPECT_EQ(readMs, 123u);
    EXPECT_EQ(writeMs, 4567u);
    EXPECT_EQ(layer.close(handle), 0);
    EXPECT_EQ(device.framesReceived(), 0u);
}

// The survey reads sysfs as the kernel shows it, and lists the vendor's
// USBXpress devices in the layer's order: its device n is the layer's device
// n. (libusb finds a port path through the parent devices, which the emulated
// bus does not have, so it takes the last port alone: the nested path here
// sorts the same either way.)
TEST_F(LibusbTest, TheSurveyForDoctorSeesEveryVendorDevice) {
    bus->add({.ports = {10}, .address = 4, .serial = "2024"});
    bus->add({.ports = {1}, .address = 6, .shape = DeviceShape::hid, .serial = "HID1"});
    bus->add({.ports = {2}, .address = 5, .serial = "2024", .interfaceDriver = "cp210x"});
    bus->add({.bus = 2, .ports = {1}, .address = 2, .serial = "2024"});
    bus->add({.ports = {11, 12}, .address = 9, .serial = "1999"});
    bus->add({.ports = {11}, .address = 3, .serial = ""});
    bus->add({.ports = {4}, .address = 7, .vendorId = 0x1234});
    const auto survey = toolkit::surveyUsb(*brixelGetPlatformUsbLayer());
    EXPECT_EQ(survey.devicesSeen, 7u);
    EXPECT_TRUE(survey.layerStarted);
    EXPECT_EQ(survey.layerDevices, 5u);

    const struct {
        std::string location;
        std::string node;
        bool usbxpress;
        std::optional<std::string> serial;
        std::string driver;
        bool brixel;
    } expected[] = {
        {"1-2", "/dev/bus/usb/001/005", true, "2024", "cp210x", true},
        {"1-10", "/dev/bus/usb/001/004", true, "2024", "", true},
        {"1-11", "/dev/bus/usb/001/003", true, std::nullopt, "", false},
        {"1-11.12", "/dev/bus/usb/001/009", true, "1999", "", false},
        {"2-1", "/dev/bus/usb/002/002", true, "2024", "", true},
        {"1-1", "/dev/bus/usb/001/006", false, "HID1", "", false},
    };
    ASSERT_EQ(survey.vendorDevices.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& d = survey.vendorDevices[i];
        const auto& e = expected[i];
        EXPECT_EQ(d.location, e.location) << i;
        EXPECT_EQ(d.node, e.node) << i;
        EXPECT_EQ(d.vendorId, 0x10C4) << i;
        EXPECT_EQ(d.productId, 0xEA61) << i;
        EXPECT_EQ(d.usbxpressShape, e.usbxpress) << i;
        EXPECT_EQ(d.serial, e.serial) << i;
        EXPECT_EQ(d.kernelDriver, e.driver) << i;
        EXPECT_EQ(d.brixel, e.brixel) << i;
        EXPECT_TRUE(d.accessible) << i;  // the test runs as the node's owner
    }
    for (uint32_t i = 0; i < survey.layerDevices; ++i) {
        std::array<char, 260> node{};
        ASSERT_EQ(layer.getProductString(i, node.data(), 2), 0) << i;
        EXPECT_EQ(node.data(), survey.vendorDevices[i].node) << i;
    }
}

// Root opens any node, so no emulated bus can refuse permission: the text is
// checked here, and its way to the host above with the busy device.
TEST(OpenFailureExplanation, SaysWhatToDoForEachRefusalItKnows) {
    EXPECT_EQ(platform::openFailureExplanation(LIBUSB_ERROR_ACCESS, "/dev/bus/usb/003/007"),
              L"no permission to use the USB device /dev/bus/usb/003/007: install the udev rule 70-brixel.rules, "
              L"unplug and replug the device, and run 'brixelctl doctor' to check.");
    EXPECT_EQ(platform::openFailureExplanation(LIBUSB_ERROR_BUSY, "/dev/bus/usb/003/007"),
              L"the USB device /dev/bus/usb/003/007 is in use by another program.");
    for (const int other : {int{LIBUSB_ERROR_PIPE}, int{LIBUSB_ERROR_NO_DEVICE}, int{LIBUSB_ERROR_IO}, 0})
        EXPECT_EQ(platform::openFailureExplanation(other, "/dev/bus/usb/003/007"), L"") << other;
}

TEST(StringDescriptorText, SurrogatePairsAreCombinedAndLoneOnesReplaced) {
    const struct {
        std::u16string units;
        std::string utf8;
    } cases[] = {
        {u"2024", "2024"},
        {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},          // U+1F600
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},          // U+10FFFF, the last
        {u"a\xD83D", "a\xEF\xBF\xBD"},                  // high at the end
        {u"\xD83D-", "\xEF\xBF\xBD-"},                  // high before a non-surrogate
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // low before high
        {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::utf8FromUtf16(std::u16string_view(c.units)), c.utf8) << testing::PrintToString(c.utf8);
}

}  // namespace
}  // namespace brixel::test
