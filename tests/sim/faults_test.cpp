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

}  // namespace
}  // namespace brixel::test
