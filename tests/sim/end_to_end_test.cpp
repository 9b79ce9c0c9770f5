// SPDX-License-Identifier: MIT
// The library through the simulated device, judged by what the device does
// with what it was sent: a library that used a wrong command byte, register
// or activation byte fails here even where no frame is compared.

#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

TEST_F(SimTest, AnHdrInfoFrameSetIsWhatTheReportShows) {
    std::string text = "87:01:02:73:03:00";  // HLG, where the player on port 1 sends PQ
    ASSERT_TRUE(run([&] { return setHdrIf(text.data(), false); }));
    VIDEO_STATUS status{};
    ASSERT_TRUE(getVideoFormat(&status));
    EXPECT_STREQ(status.hdrIfHex, "87:01:02:73:03:00");
}

TEST_F(SimTest, AnAviInfoFrameSetIsWhatTheReportShows) {
    std::string text = "82:02:0D:A0:10:A8:00:10:00:00:00:00:00:00:00:00:00";
    ASSERT_TRUE(run([&] { return setAviIf(text.data()); }));
    VIDEO_STATUS status{};
    ASSERT_TRUE(getVideoFormat(&status));
    // The output's AVI bytes 1 to 3 now are the frame's: RGB, BT.709, full range.
    EXPECT_STREQ(status.outColorSpace, "Out Color Space: RGB 0-255 ITU-R BT.709");
}

TEST_F(SimTest, AMatrixSetIsTheMatrixGot) {
    SB_VALUES set{};
    set.offset1 = 16.0;
    set.coef11 = 1.0;
    set.coef12 = 0.5;
    set.coef13 = -0.25;
    set.offset2 = 32.0;
    set.coef21 = 0.125;
    set.coef22 = -1.5;
    set.coef23 = 2.0;
    set.offset3 = 48.0;
    set.coef31 = -3.0;
    set.coef32 = 0.0625;
    set.coef33 = 3.5;
    ASSERT_TRUE(run([&] { return set3x(&set); }));
    SB_VALUES got{};
    ASSERT_TRUE(get3x(&got));
    const std::array<double, 12> expected{16.0, 1.0, 0.5, -0.25, 32.0, 0.125, -1.5, 2.0, 48.0, -3.0, 0.0625, 3.5};
    const std::array<double, 12> actual{got.offset1, got.coef11, got.coef12,  got.coef13, got.offset2, got.coef21,
                                        got.coef22,  got.coef23, got.offset3, got.coef31, got.coef32,  got.coef33};
    EXPECT_EQ(actual, expected);
}

TEST_F(SimTest, TheSinkEdidIsTheSimulatedDisplays) {
    std::array<unsigned char, 256> edid{};
    ASSERT_TRUE(getSinkEdid(edid.data()));
    // Header, manufacturer "SIM", product 0x5A41.
    EXPECT_EQ(std::vector<unsigned char>(edid.begin(), edid.begin() + 12),
              (std::vector<unsigned char>{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x4D, 0x2D, 0x41, 0x5A}));
    // The fourth descriptor is the monitor name.
    EXPECT_EQ(std::vector<unsigned char>(edid.begin() + 108, edid.begin() + 126),
              (std::vector<unsigned char>{0x00, 0x00, 0x00, 0xFC, 0x00, 'S', 'i', 'm', 'u', 'l', 'a', 't', 'e', 'd',
                                          ' ', 'T', 'V', 0x0A}));
    EXPECT_EQ(std::accumulate(edid.begin(), edid.begin() + 128, 0u) % 256, 0u);
    EXPECT_EQ(std::accumulate(edid.begin() + 128, edid.end(), 0u) % 256, 0u);
    EXPECT_EQ(edid[126], 1);  // one extension
    EXPECT_EQ(edid[128], 0x02);
}

TEST_F(SimTest, TheDevicesOwnEdidIsAnotherOne) {
    std::array<unsigned char, 256> edid{};
    ASSERT_TRUE(getEdid(edid.data()));
    // Header, manufacturer "BRX", product 0x0001.
    EXPECT_EQ(std::vector<unsigned char>(edid.begin(), edid.begin() + 12),
              (std::vector<unsigned char>{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x0A, 0x58, 0x01, 0x00}));
    EXPECT_EQ(std::accumulate(edid.begin(), edid.begin() + 128, 0u) % 256, 0u);
    EXPECT_EQ(std::accumulate(edid.begin() + 128, edid.end(), 0u) % 256, 0u);
}

TEST_F(SimTest, TheReportNamesTheSimulatedDisplay) {
    VIDEO_STATUS status{};
    ASSERT_TRUE(run([&] { return getVideoFormat(&status); }));
    EXPECT_STREQ(status.displayName, "Display Name: Simulated TV");
    EXPECT_EQ(printed, "");
}

TEST_F(SimTest, TheFirmwareVersionIsTheDevices) {
    std::array<char, 32> version{};
    ASSERT_TRUE(getFwVersion(version.data()));
    EXPECT_STREQ(version.data(), "BRIXEL FW Ver: 1.5");
}

}  // namespace
}  // namespace brixel::test
