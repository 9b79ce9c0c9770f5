// SPDX-License-Identifier: MIT
// The toolkit's owner over the libusb layer, against umockdev's emulated bus:
// a Brixel held open, taken off the bus and put back (at a new address, as
// the kernel hands one out on each replug), is found again by the next run.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/usb_emulator.h"
#include "toolkit/device_owner.h"

namespace brixel::test {
namespace {

using toolkit::Reach;

uint8_t activePort(EmulatedDevice& device) {
    auto guard = device.lock();
    return device.model.setting(BRIXEL_CMD_ACTIVE_PORT);
}

TEST(OwnerOverLibusb, AHeldDeviceRemovedAndAddedAgainIsFoundByTheNextRun) {
    if (!EmulatedBus::available())
        GTEST_SKIP() << "skipped: not running under umockdev-wrapper, so there is no emulated USB bus";
    // The library's libusb session lasts as long as the process: so must its bus.
    static auto* bus = new EmulatedBus;
    auto& first = bus->add({});
    toolkit::DeviceOwner owner({});
    owner.hold("");
    ASSERT_TRUE(owner.run("port", {{"value", "2"}}).confirmed());
    EXPECT_EQ(activePort(first), BRIXEL_INPORT_2);

    bus->remove(first);
    const auto gone = owner.run("port", {{"value", "3"}});
    EXPECT_FALSE(gone.confirmed());
    EXPECT_NE(gone.reach, Reach::answered);
    const auto away = owner.run("status", nlohmann::json::object());
    EXPECT_EQ(away.reach, Reach::noDevice);
    EXPECT_EQ(away.doc.warnings, std::vector<std::string>{"BRIXEL USB not connected!"});

    DeviceSetup replugged;
    replugged.address = 3;
    auto& second = bus->add(replugged);
    bus->announce(second);
    // libusb learns of the new device from its uevent, on a thread of its own:
    // the runs that follow find it, as the bridge's next polls would.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    toolkit::Outcome back;
    do {
        back = owner.run("port", {{"value", "3"}});
    } while (!back.confirmed() && std::chrono::steady_clock::now() < until &&
             (std::this_thread::sleep_for(std::chrono::milliseconds(20)), true));
    EXPECT_TRUE(back.confirmed()) << back.doc.error.value_or("");
    EXPECT_EQ(back.reach, Reach::answered);
    EXPECT_EQ(activePort(second), BRIXEL_INPORT_3);
    // Held open again: the next run opens nothing anew.
    EXPECT_TRUE(owner.run("port", {{"value", "4"}}).confirmed());
    const auto log = second.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "claim 0"), 1) << testing::PrintToString(log);
    owner.release("");
}

}  // namespace
}  // namespace brixel::test
