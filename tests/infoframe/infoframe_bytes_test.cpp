// SPDX-License-Identifier: MIT
// InfoFrame knowledge as bytes: the checksum and the HDR InfoFrame built from
// values. Every expected frame is spelled out.

#include "infoframe/infoframe_bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace brixel::infoframe {
namespace {

TEST(InfoFrameChecksum, MakesTheWholeFrameAddUpToZero) {
    // AVI 82:02:0D with an empty payload: 0x82 + 0x02 + 0x0D = 0x91.
    std::array<uint8_t, 17> avi{0x82, 0x02, 0x0D, 0x00};
    EXPECT_EQ(checksumForSum(byteSum(avi)), 0x6F);
    avi[3] = 0x6F;
    EXPECT_TRUE(checksumHolds(avi));
    avi[3] = 0x6E;
    EXPECT_FALSE(checksumHolds(avi));
    // A sum that is already a multiple of 256 needs 0, not 256.
    EXPECT_EQ(checksumForSum(0x200), 0x00);
    EXPECT_EQ(checksumForSum(0x1FF), 0x01);
}

TEST(DrmInfoFrame, Bt2020PqMasteringAtOneThousandNits) {
    HdrMetadata m;
    const auto& bt2020 = primaryPresets[0];
    m.red = bt2020.red, m.green = bt2020.green, m.blue = bt2020.blue, m.white = whiteD65;
    m.maxCll = 1000;
    m.maxFall = 400;
    const auto frame = buildDrmInfoFrame(m);
    // Green 0.170,0.797; blue 0.131,0.046; red 0.708,0.292; white 0.3127,0.3290 in steps of 0.00002.
    const std::array<uint8_t, 30> expected{0x87, 0x01, 0x1A, 0x91, 0x02, 0x00, 0x34, 0x21, 0xAA, 0x9B,
                                           0x96, 0x19, 0xFC, 0x08, 0x48, 0x8A, 0x08, 0x39, 0x13, 0x3D,
                                           0x42, 0x40, 0xE8, 0x03, 0x32, 0x00, 0xE8, 0x03, 0x90, 0x01};
    EXPECT_EQ(frame, expected);
    EXPECT_TRUE(checksumHolds(frame));
    EXPECT_TRUE(hdrMetadataProblems(m).empty());
}

TEST(DrmInfoFrame, TransferFunctionCodesAndTheChecksumFollowTheValues) {
    HdrMetadata m;
    for (auto [eotf, code] : {std::pair{TransferFunction::sdr, 0},
                              {TransferFunction::hdr, 1},
                              {TransferFunction::pq, 2},
                              {TransferFunction::hlg, 3}}) {
        m.eotf = eotf;
        const auto frame = buildDrmInfoFrame(m);
        EXPECT_EQ(frame[4], code);
        EXPECT_TRUE(checksumHolds(frame));
    }
}

TEST(DrmInfoFrame, ValuesThatDoNotFitAreNamed) {
    HdrMetadata m;
    m.red = {1.2, 0.3};
    m.minLuminance = 7;
    m.maxCll = -1;
    const auto problems = hdrMetadataProblems(m);
    EXPECT_EQ(problems, (std::vector<std::string>{"red x 1.2 is outside 0 to 1",
                                                  "mastering min luminance (cd/m2) 7 is outside 0 to 6.5535",
                                                  "MaxCLL (cd/m2) -1 is outside 0 to 65535"}));
}

TEST(DrmInfoFrame, WholeValuesRoundHalvesAwayFromZero) {
    const struct {
        double value;
        uint8_t low;
        uint8_t high;
    } cases[] = {
        {0.5, 0x01, 0x00},      {1.5, 0x02, 0x00},   {2.5, 0x03, 0x00},
        {999.4999, 0xE7, 0x03}, {999.5, 0xE8, 0x03}, {0.49999999999999994, 0x00, 0x00},
        {65534.5, 0xFF, 0xFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        HdrMetadata m;
        m.maxCll = c.value;
        const auto frame = buildDrmInfoFrame(m);
        // MaxCLL is the descriptor's second-to-last field.
        EXPECT_EQ(frame[26], c.low);
        EXPECT_EQ(frame[27], c.high);
        EXPECT_TRUE(checksumHolds(frame));
    }
}

TEST(DrmInfoFrame, IsBuiltInAConstantExpression) {
    constexpr auto frame = buildDrmInfoFrame(HdrMetadata{});
    // PQ; no primaries; 1000 cd/m2; 0.005 cd/m2 is 50 steps; no MaxCLL or MaxFALL.
    const std::array<uint8_t, 30> expected{0x87, 0x01, 0x1A, 0x3F, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0xE8, 0x03, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(frame, expected);
}

}  // namespace
}  // namespace brixel::infoframe
