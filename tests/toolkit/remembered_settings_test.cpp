// What brixelctl and its panel remember of the settings they gave a device.

#include "toolkit/remembered_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/device_owner.h"
#include "toolkit/simulated_devices.h"

namespace brixel::toolkit {
namespace {

class RememberedSettings : public testing::Test {
protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("brixel-remembered-" + std::to_string(::getpid()));
    SettingMemory memory{dir / "remembered.json", "sim:test sim:1", "brixelctl"};
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(RememberedSettings, ConcurrentRunsKeepEveryChangeAndDevicesApart) {
    std::vector<std::thread> runs;
    const char* settings[] = {"port", "scaling", "csc", "hdcp", "logo-led", "htpc", "bt2020", "deep-color"};
    for (const char* setting : settings)
        runs.emplace_back([&, setting] {
            std::string error;
            EXPECT_TRUE(rememberSetting(memory, setting, 2, "two", error)) << error;
        });
    for (auto& run : runs) run.join();
    const auto recalled = recalledSettings(memory);
    EXPECT_EQ(recalled.size(), std::size(settings));
    EXPECT_EQ(recalled.at("csc").at("value"), 2);
    EXPECT_EQ(recalled.at("csc").at("name"), "two");
    EXPECT_EQ(recalled.at("csc").at("by"), "brixelctl");
    EXPECT_TRUE(recalledSettings({memory.file, "usb:any", "x"}).empty());
}

// Through the owner: a confirmed setting is kept, a refused or unconfirmed
// one is not, the raw write of a named setting's code counts as that
// setting, and a factory reset forgets them all.
TEST_F(RememberedSettings, TheOwnerKeepsWhatTheDeviceConfirmed) {
    std::string error;
    SimulationOptions simulation;
    simulation.inMemory = true;
    auto sim = SimulatedDevices::start(simulation, error);
    ASSERT_TRUE(sim) << error;
    OwnerOptions options;
    options.transport.layer = &sim->layer();
    options.memory = memory;
    DeviceOwner owner(options);
    ASSERT_TRUE(owner.run("scaling", {{"value", "down"}}).confirmed());
    owner.run("port", {{"value", "9"}});
    ASSERT_TRUE(owner.run("set", {{"code", "0x16"}, {"value", "1"}}).confirmed());
    auto recalled = recalledSettings(memory);
    EXPECT_EQ(recalled.at("scaling").at("name"), "down");
    EXPECT_FALSE(recalled.contains("port"));
    EXPECT_EQ(recalled.at("logo-led").at("name"), "on");
    ASSERT_TRUE(owner.run("factory-reset", {{"value", "settings"}}).confirmed());
    EXPECT_TRUE(recalledSettings(memory).empty());
}

}  // namespace
}  // namespace brixel::toolkit
