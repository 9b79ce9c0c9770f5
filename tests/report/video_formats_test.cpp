// SPDX-License-Identifier: MIT
#include "report/video_formats.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace brixel {
namespace {

struct Names {
    std::string shortName;
    std::string longName;
};

Names lookup(uint16_t code) {
    // Filled beforehand, so a lookup that writes nothing shows.
    char shortName[shortNameSize];
    char longName[longNameSize];
    std::fill(std::begin(shortName), std::end(shortName), 'x');
    std::fill(std::begin(longName), std::end(longName), 'x');
    lookupVideoFormat(code, shortName, longName);
    return {shortName, longName};
}

struct Row {
    uint16_t code;
    const char* shortName;
    const char* longName;
};

// The row as ctest and a failure name it.
void PrintTo(const Row& row, std::ostream* os) { *os << "code " << row.code << " " << row.shortName; }

class VideoFormatLookup : public testing::TestWithParam<Row> {};

TEST_P(VideoFormatLookup, GivesTheRowsNames) {
    const Row& row = GetParam();
    const Names names = lookup(row.code);
    EXPECT_EQ(names.shortName, row.shortName);
    EXPECT_EQ(names.longName, row.longName);
}

INSTANTIATE_TEST_SUITE_P(Rows, VideoFormatLookup,
                         testing::Values(Row{0, "bypass", ""}, Row{1, "dmt0660", "640x480p60"},
                                         Row{16, "1080p60", "1920x1080p60"}, Row{39, "1080i25_", "1920x1080i50"},
                                         Row{64, "1080p100", "1920x1080p100"}, Row{80, "1080p100", "1920x1080p100"},
                                         Row{81, "1680p30", "1680x720p30"}, Row{87, "2560p25", "2560x1080p25"},
                                         Row{91, "1080p100", "1080p100"}, Row{92, "1080p120", "1080p120"},
                                         Row{98, "4kx2ksmp24", "4096x2160p24"}, Row{103, "4kx2k24", "3840x2160p24"},
                                         Row{107, "4kx2k60", "3840x2160p60"}, Row{108, "", ""}, Row{109, "", ""},
                                         Row{255, "", ""}, Row{65535, "", ""}));

TEST(VideoFormatTable, RepeatedRowsHoldTheTextsOfTheirOriginals) {
    for (uint16_t code = 64; code <= 80; ++code) EXPECT_EQ(lookup(code).longName, "1920x1080p100") << code;
    for (uint16_t code = 103; code <= 107; ++code) {
        EXPECT_EQ(lookup(code).shortName, lookup(code - 10).shortName) << code;
        EXPECT_EQ(lookup(code).longName, lookup(code - 10).longName) << code;
    }
}

TEST(VideoFormatTable, NoCodePastTheTableReachesTheTerminator) {
    for (uint32_t code = videoFormatCount; code <= 65535; ++code) {
        const Names names = lookup(static_cast<uint16_t>(code));
        ASSERT_TRUE(names.shortName.empty() && names.longName.empty()) << code;
    }
}

TEST(VideoFormatTable, EveryNameFitsTheBuffersTheReportGives) {
    std::size_t longestShort = 0;
    std::size_t longestLong = 0;
    for (std::size_t code = 0; code < videoFormatCount; ++code) {
        longestShort = std::max(longestShort, videoFormatTable[code].shortName.size());
        longestLong = std::max(longestLong, videoFormatTable[code].longName.size());
    }
    EXPECT_EQ(longestShort + 1, shortNameSize);
    EXPECT_EQ(longestLong + 1, longNameSize);
}

}  // namespace
}  // namespace brixel
