// SPDX-License-Identifier: MIT
// The CTA-861 format table against rows of the standard, spelled out.

#include "cta861/video_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace brixel::cta861 {
namespace {

struct KnownFormat {
    int vic;
    const char* name;
    std::string_view aspect;
    uint32_t clockKhz;
    bool fractional;
    int repeatedAtLeast;  // the smallest repetition factor the format allows
};

TEST(VideoCodes, WellKnownRows) {
    const KnownFormat rows[] = {
        {1, "640x480p60", "4:3", 25200, true, 1},
        {2, "720x480p60", "4:3", 27027, true, 1},
        {4, "1280x720p60", "16:9", 74250, true, 1},
        {5, "1920x1080i60", "16:9", 74250, true, 1},
        {6, "1440x480i60", "4:3", 27027, true, 2},
        {16, "1920x1080p60", "16:9", 148500, true, 1},
        {17, "720x576p50", "4:3", 27000, false, 1},
        {20, "1920x1080i50", "16:9", 74250, false, 1},
        {32, "1920x1080p24", "16:9", 74250, true, 1},
        {39, "1920x1080i50", "16:9", 72000, false, 1},
        {60, "1280x720p24", "16:9", 59400, true, 1},
        {89, "2560x1080p50", "64:27", 185625, false, 1},
        {93, "3840x2160p24", "16:9", 297000, true, 1},
        {97, "3840x2160p60", "16:9", 594000, true, 1},
        {98, "4096x2160p24", "256:135", 297000, true, 1},
        {107, "3840x2160p60", "64:27", 594000, true, 1},
        {111, "1920x1080p48", "16:9", 148500, true, 1},
        {118, "3840x2160p120", "16:9", 1188000, true, 1},
        {127, "5120x2160p100", "64:27", 1485000, false, 1},
        {193, "5120x2160p120", "64:27", 1485000, true, 1},
        {199, "7680x4320p60", "16:9", 2376000, true, 1},
        {217, "10240x4320p120", "64:27", 5940000, true, 1},
        {219, "4096x2160p120", "256:135", 1188000, true, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.vic);
        const VideoCode* code = videoCodeInfo(row.vic);
        ASSERT_NE(code, nullptr);
        EXPECT_EQ(code->vic, row.vic);
        EXPECT_EQ(videoFormatName(*code), row.name);
        EXPECT_EQ(aspectName(code->aspect), row.aspect);
        EXPECT_EQ(code->pixelClockKhz, row.clockKhz);
        EXPECT_EQ(code->hasFractionalRate(), row.fractional);
        EXPECT_TRUE(code->allowsRepetition(row.repeatedAtLeast));
        EXPECT_FALSE(code->allowsRepetition(row.repeatedAtLeast - 1));
    }
}

TEST(VideoCodes, PixelRepetitionFactors) {
    // 1440x480p: once or twice; 2880x480p: 1, 2 or 4; (2880)x480i: 1 to 10.
    EXPECT_TRUE(videoCodeInfo(14)->allowsRepetition(2));
    EXPECT_FALSE(videoCodeInfo(14)->allowsRepetition(3));
    EXPECT_TRUE(videoCodeInfo(35)->allowsRepetition(4));
    EXPECT_FALSE(videoCodeInfo(35)->allowsRepetition(3));
    EXPECT_TRUE(videoCodeInfo(10)->allowsRepetition(10));
    EXPECT_FALSE(videoCodeInfo(10)->allowsRepetition(11));
    EXPECT_FALSE(videoCodeInfo(16)->allowsRepetition(2));
}

TEST(VideoCodes, ReservedCodesHaveNoRow) {
    for (int vic : {0, 128, 150, 192, 220, 255, -1, 256}) EXPECT_EQ(videoCodeInfo(vic), nullptr) << vic;
}

TEST(VideoCodes, HdmiVicsAreThe2160pFormats) {
    EXPECT_EQ(videoFormatName(*hdmiVicInfo(1)), "3840x2160p30");
    EXPECT_EQ(videoFormatName(*hdmiVicInfo(2)), "3840x2160p25");
    EXPECT_EQ(videoFormatName(*hdmiVicInfo(3)), "3840x2160p24");
    EXPECT_EQ(videoFormatName(*hdmiVicInfo(4)), "4096x2160p24");
    EXPECT_EQ(hdmiVicInfo(4)->aspect, PictureAspect::ratio256x135);
    EXPECT_EQ(hdmiVicInfo(0), nullptr);
    EXPECT_EQ(hdmiVicInfo(5), nullptr);
}

}  // namespace
}  // namespace brixel::cta861
