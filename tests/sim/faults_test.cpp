// SPDX-License-Identifier: MIT
#include "sim/faults.h"

#include <set>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using sim::Op;

// A fault aimed at one frame hits that frame and no other, also when the
// frame's own write is what fails.
TEST_F(SimTest, OneShotWriteFaultHitsOnlyItsFrame) {
    LeaveDeviceOpen();
    device->faults.writeFails = sim::FrameFault::at(1);
    EXPECT_TRUE(setLogoLed(true));
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_TRUE(setLogoLed(true));
    EXPECT_TRUE(setLogoLed(true));
    EXPECT_EQ(device->framesWritten, 4u);
}

TEST_F(SimTest, FrameFaultCoversItsRangeOfFrames) {
    LeaveDeviceOpen();
    device->faults.wrongEcho = sim::FrameFault::at(1, 2);
    std::vector<bool> results;
    for (int i = 0; i < 4; ++i) results.push_back(setLogoLed(true));
    EXPECT_EQ(results, (std::vector<bool>{true, false, false, true}));
}

TEST_F(SimTest, UnpluggedDeviceLeavesTheCount) {
    sim.addDevice("2024");
    device->faults.unplugAfterFrames = 1;
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_FALSE(device->attached);
    // The other device is now index 0 and is found.
    sim.clearTrace();
    EXPECT_TRUE(setLogoLed(true));
    EXPECT_EQ(sim.device(1).framesWritten, 1u);
}

// Back after its time on the clock, found anew by a new discovery; the handle
// opened before the unplug stays dead.
TEST_F(SimTest, AReplugBringsTheDeviceBackToANewOpenOnly) {
    LeaveDeviceOpen();
    device->faults.unplugAfterFrames = 2;
    device->faults.replugAfterMs = 2000;
    ASSERT_TRUE(setLogoLed(true));
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_FALSE(device->attached);
    sim.advance(2000);
    // Still the old handle: its device is back, but not for it.
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_TRUE(DeviceClose());
    EXPECT_TRUE(run([] { return setLogoLed(false); }));
    EXPECT_TRUE(device->attached);
    EXPECT_EQ(device->pluggings, 1u);
    EXPECT_FALSE(device->model.setting(BRIXEL_CMD_LOGO_LED));
    // Gone once: the frame count it went at does not take it again.
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(setLogoLed(true));
    EXPECT_TRUE(device->attached);
}

TEST_F(SimTest, UnpluggedByHandStaysAwayUntilPluggedIn) {
    ASSERT_TRUE(setLogoLed(true));
    sim.unplug(0);
    sim.advance(60'000);
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(sim.warnings().back(), L"BRIXEL USB not connected!");
    sim.plugIn(0);
    EXPECT_TRUE(setLogoLed(true));
}

TEST_F(SimTest, SettingsReachTheModelAndTheStateBlock) {
    ASSERT_TRUE(setScaling(BRIXEL_SCALE_DOWN));
    ASSERT_TRUE(setPreset4k60Mode(BRIXEL_PRESET_YCBCR420_10BIT));
    std::array<unsigned char, 60> state{};
    ASSERT_TRUE(getBrixelState(state.data()));
    EXPECT_EQ(state[BRIXEL_CMD_SCALING], BRIXEL_SCALE_DOWN);
    EXPECT_EQ(state[BRIXEL_CMD_PRESET_4K60_MODE], BRIXEL_PRESET_YCBCR420_10BIT);
    ASSERT_TRUE(factoryReset(BRIXEL_FACTRESET_ALL));
    ASSERT_TRUE(getBrixelState(state.data()));
    EXPECT_EQ(state[BRIXEL_CMD_SCALING], BRIXEL_SCALE_AUTO);
}

// ---- The table of faults by name ----------------------------------------------------

struct NamedFault {
    const char* text;
    sim::DeviceFaults faults;  // what the device then has
    bool countFails = false;
};

// A new device's faults with one field changed.
template <typename T>
sim::DeviceFaults with(T sim::DeviceFaults::*field, T value) {
    sim::DeviceFaults faults;
    faults.*field = value;
    return faults;
}

using sim::DeviceFaults;
using sim::FrameFault;
constexpr FrameFault everyFrame{0, 0xFFFFFFFF};

sim::DeviceFaults replugging(uint32_t afterFrames) {
    auto faults = with(&DeviceFaults::unplugAfterFrames, std::optional<uint32_t>{afterFrames});
    faults.replugAfterMs = 2000;
    return faults;
}

const NamedFault namedFaults[] = {
    {"count", {}, true},
    {"string", with(&DeviceFaults::stringFails, true)},
    {"open", with(&DeviceFaults::openFails, true)},
    {"close", with(&DeviceFaults::closeFails, true)},
    {"write", with(&DeviceFaults::writeFails, everyFrame)},
    {"write@3", with(&DeviceFaults::writeFails, FrameFault{3, 1})},
    {"noReply", with(&DeviceFaults::noReply, everyFrame)},
    {"noReply@0", with(&DeviceFaults::noReply, FrameFault{0, 1})},
    {"rxQueue", with(&DeviceFaults::rxQueueFails, everyFrame)},
    {"rxQueue@2", with(&DeviceFaults::rxQueueFails, FrameFault{2, 1})},
    {"read", with(&DeviceFaults::readFails, everyFrame)},
    {"read@1", with(&DeviceFaults::readFails, FrameFault{1, 1})},
    {"wrongEcho", with(&DeviceFaults::wrongEcho, everyFrame)},
    {"wrongEcho@7", with(&DeviceFaults::wrongEcho, FrameFault{7, 1})},
    // A new device's short reply is one byte long.
    {"shortReply", with(&DeviceFaults::shortReply, everyFrame)},
    {"shortReply@4", with(&DeviceFaults::shortReply, FrameFault{4, 1})},
    {"unplug", with(&DeviceFaults::unplugAfterFrames, std::optional<uint32_t>{1})},
    {"unplug@5", with(&DeviceFaults::unplugAfterFrames, std::optional<uint32_t>{6})},
    {"replug", replugging(1)},
    {"replug@2", replugging(3)},
};

TEST(FaultTable, EachNameGivesTheDeviceItsFault) {
    for (const NamedFault& c : namedFaults) {
        SCOPED_TRACE(c.text);
        sim::Simulator sim;
        sim.addDevice("2024");
        sim.addDevice("2024");
        std::string error;
        const auto fault = sim::parseFault(c.text, error);
        ASSERT_TRUE(fault.has_value()) << error;
        fault->applyTo(sim, 1);
        EXPECT_EQ(sim.device(1).faults, c.faults);
        EXPECT_EQ(sim.countFails, c.countFails);
        // The other device keeps none.
        EXPECT_EQ(sim.device(0).faults, sim::DeviceFaults{});
    }
}

TEST(FaultTable, EveryFaultIsNamedAboveAndDescribed) {
    std::set<std::string> tested;
    for (const NamedFault& c : namedFaults) tested.insert(std::string(c.text).substr(0, std::string(c.text).find('@')));
    std::set<std::string> names;
    for (const sim::FaultKind& kind : sim::faultKinds()) {
        EXPECT_TRUE(names.insert(std::string(kind.name)).second) << kind.name << " twice";
        EXPECT_FALSE(kind.description.empty()) << kind.name;
        EXPECT_EQ(kind.description.find('\n'), std::string_view::npos) << kind.name;
    }
    EXPECT_EQ(names, tested);
    EXPECT_EQ(names, (std::set<std::string>{"count", "string", "open", "close", "write", "noReply", "rxQueue", "read",
                                            "shortReply", "wrongEcho", "unplug", "replug"}));
}

TEST(FaultTable, WhatIsNoFaultIsRefusedWithItsReason) {
    const std::pair<const char*, const char*> refused[] = {
        {"bogus",
         "no fault is called 'bogus'; the faults are count string open close write noReply rxQueue read shortReply "
         "wrongEcho unplug replug"},
        {"",
         "no fault is called ''; the faults are count string open close write noReply rxQueue read shortReply "
         "wrongEcho unplug replug"},
        {"Write@1",
         "no fault is called 'Write'; the faults are count string open close write noReply rxQueue read "
         "shortReply wrongEcho unplug replug"},
        {"open@1", "the fault 'open' hits no particular frame: give it without @"},
        {"count@0", "the fault 'count' hits no particular frame: give it without @"},
        {"write@", "'write@': after @ comes a frame number, counted from 0"},
        {"write@x", "'write@x': after @ comes a frame number, counted from 0"},
        {"write@-1", "'write@-1': after @ comes a frame number, counted from 0"},
        {"write@3x", "'write@3x': after @ comes a frame number, counted from 0"},
        {"write@1@2", "'write@1@2': after @ comes a frame number, counted from 0"},
        {"write@4294967295", "'write@4294967295': after @ comes a frame number, counted from 0"},
        {"write@99999999999", "'write@99999999999': after @ comes a frame number, counted from 0"},
    };
    for (const auto& [text, reason] : refused) {
        std::string error;
        EXPECT_FALSE(sim::parseFault(text, error).has_value()) << text;
        EXPECT_EQ(error, reason);
    }
}

// Each fault by its name, through the library: the result, the printed line,
// the warnings and the release step.
struct FaultRun {
    const char* fault;
    bool result;
    const char* printed;
    std::vector<std::wstring> warnings;
    const char* version;  // what getFwVersion wrote
    std::size_t closes;
    // The one warning comes once per failed poll of the reply window.
    bool everyPoll = false;
};

const FaultRun faultRuns[] = {
    {"count", false, "", {L"BRIXEL USB not connected!"}, "BRIXEL FW Ver: 0.0", 0},
    {"string", false, "", {L"BRIXEL USB not connected!"}, "BRIXEL FW Ver: 0.0", 0},
    {"open", false, "Device open error", {L"Usb device open error!"}, "BRIXEL FW Ver: 0.0", 0},
    {"close", true, "", {L"Unable to close device handle!"}, "BRIXEL FW Ver: 1.5", 1},
    {"write", false, "Error Reading values\n", {}, "BRIXEL FW Ver: 0.0", 1},
    {"noReply", false, "Error Reading values\n", {}, "BRIXEL FW Ver: 0.0", 1},
    {"rxQueue", false, "Error Reading values\n", {L"Error Checking RX Queue"}, "BRIXEL FW Ver: 0.0", 1},
    {"read", false, "Error Reading values\n", {}, "BRIXEL FW Ver: 1.5", 1},
    // The echo is all the version read checks; the version bytes are missing.
    {"shortReply", true, "", {}, "BRIXEL FW Ver: 0.0", 1},
    {"wrongEcho", false, "Error Reading values\n", {}, "BRIXEL FW Ver: 1.5", 1},
    // Gone as its frame is written: the receive queue of a device that is not there cannot be checked.
    {"unplug", false, "Error Reading values\n", {L"Error Checking RX Queue"}, "BRIXEL FW Ver: 0.0", 1, true},
    // Within the one operation no different: the handle it holds is dead.
    {"replug", false, "Error Reading values\n", {L"Error Checking RX Queue"}, "BRIXEL FW Ver: 0.0", 1, true},
};

void PrintTo(const FaultRun& run, std::ostream* out) { *out << run.fault; }

class FaultByName : public SimTest, public testing::WithParamInterface<FaultRun> {};

TEST_P(FaultByName, ReachesTheLibraryAsItsFailure) {
    std::string error;
    const auto fault = sim::parseFault(GetParam().fault, error);
    ASSERT_TRUE(fault.has_value()) << error;
    fault->applyTo(sim, 0);
    std::array<char, 32> version{};
    EXPECT_EQ(run([&] { return getFwVersion(version.data()); }), GetParam().result);
    EXPECT_EQ(printed, GetParam().printed);
    if (GetParam().everyPoll) {
        EXPECT_GT(sim.warnings().size(), 1u);
        EXPECT_EQ(sim.warnings(), std::vector<std::wstring>(sim.warnings().size(), GetParam().warnings.at(0)));
    } else {
        EXPECT_EQ(sim.warnings(), GetParam().warnings);
    }
    EXPECT_STREQ(version.data(), GetParam().version);
    EXPECT_EQ(sim.count(Op::close), GetParam().closes);
    EXPECT_EQ(sim.openHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachFault, FaultByName, testing::ValuesIn(faultRuns),
                         [](const testing::TestParamInfo<FaultRun>& run) { return std::string(run.param.fault); });

}  // namespace
}  // namespace brixel::test
