// SPDX-License-Identifier: MIT
// Simulated devices as a tool's transport: kept in memory, they touch no file.

#include "toolkit/simulated_devices.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/files.h"

namespace brixel::toolkit {
namespace {

std::filesystem::path freshDirectory() {
    std::string name = temporaryDirectory() + "/simulated-devices-test.XXXXXX";
    if (!mkdtemp(name.data())) return {};
    return name;
}

TEST(SimulatedDevicesInMemory, TouchNoStateFileAndStartNew) {
    const auto dir = freshDirectory();
    ASSERT_FALSE(dir.empty());
    SimulationOptions options;
    options.stateFile = (dir / "state.json").string();
    options.devices = 2;
    options.inMemory = true;
    std::string error;
    auto devices = SimulatedDevices::start(options, error);
    ASSERT_TRUE(devices) << error;
    EXPECT_EQ(devices->devicePaths(), (std::vector<std::string>{"sim:1", "sim:2"}));
    uint32_t count = 0;
    EXPECT_EQ(devices->layer().getNumDevices(&count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(devices->reload(error)) << error;
    EXPECT_TRUE(devices->keep(error)) << error;
    devices.reset();
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "no state file and no lock file";
    std::filesystem::remove_all(dir);
}

TEST(SimulatedDevicesInMemory, TakeFaultsByName) {
    SimulationOptions options;
    options.inMemory = true;
    options.faults = {"count"};
    std::string error;
    auto devices = SimulatedDevices::start(options, error);
    ASSERT_TRUE(devices) << error;
    uint32_t count = 0;
    EXPECT_NE(devices->layer().getNumDevices(&count), 0);

    options.faults = {"noReply@x"};
    EXPECT_FALSE(SimulatedDevices::start(options, error));
    EXPECT_EQ(error, "'noReply@x': after @ comes a frame number, counted from 0");
}

// The control a test or a person has over a running tool: an unplug file
// beside a device's state file takes that device away until it is removed.
TEST(SimulatedDevicesInFiles, AnUnplugFileTakesItsDeviceAwayUntilRemoved) {
    const auto dir = freshDirectory();
    ASSERT_FALSE(dir.empty());
    SimulationOptions options;
    options.stateFile = (dir / "state.json").string();
    options.devices = 2;
    EXPECT_EQ(unplugFile(options.stateFile, 1), dir / "state.unplugged");
    EXPECT_EQ(unplugFile(options.stateFile, 2), dir / "state-2.unplugged");
    std::string error;
    auto devices = SimulatedDevices::start(options, error);
    ASSERT_TRUE(devices) << error;
    ASSERT_TRUE(devices->keep(error)) << error;
    const auto attached = [&] {
        uint32_t count = 0;
        devices->layer().getNumDevices(&count);
        return count;
    };
    EXPECT_EQ(attached(), 2u);
    std::ofstream{unplugFile(options.stateFile, 2)};
    EXPECT_EQ(attached(), 2u) << "seen at the next look at the states";
    ASSERT_TRUE(devices->reload(error)) << error;
    EXPECT_EQ(attached(), 1u);
    std::array<char, 64> where{};
    ASSERT_EQ(devices->layer().getProductString(0, where.data(), 0x02), 0);
    EXPECT_STREQ(where.data(), "sim:1");
    std::filesystem::remove(unplugFile(options.stateFile, 2));
    ASSERT_TRUE(devices->reload(error)) << error;
    EXPECT_EQ(attached(), 2u);
    devices.reset();
    std::filesystem::remove_all(dir);
}

TEST(FaultKinds, AreListedByNameWithWhetherTheyTakeAFrame) {
    std::vector<std::string> names;
    std::vector<std::string> atFrame;
    for (const auto& kind : faultKindList()) {
        names.emplace_back(kind.name);
        if (kind.atFrame) atFrame.emplace_back(kind.name);
        EXPECT_FALSE(kind.description.empty()) << kind.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"count", "string", "open", "close", "write", "noReply", "rxQueue",
                                               "read", "shortReply", "wrongEcho", "unplug", "replug"}));
    EXPECT_EQ(atFrame, (std::vector<std::string>{"write", "noReply", "rxQueue", "read", "shortReply", "wrongEcho",
                                                 "unplug", "replug"}));
}

}  // namespace
}  // namespace brixel::toolkit
