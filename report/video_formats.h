// SPDX-License-Identifier: MIT
#pragma once
// The device reports video formats as CTA-861 video identification codes;
// these are the names it gives them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace brixel {

struct VideoFormat {
    std::string_view shortName;
    std::string_view longName;
    uint16_t code;
};

inline constexpr std::size_t videoFormatCount = 108;
// Buffers lookupVideoFormat needs: the longest names and their NUL.
inline constexpr std::size_t shortNameSize = 11;
inline constexpr std::size_t longNameSize = 14;

// Indexed by code, then the terminator row, which no lookup returns.
inline constexpr std::array<VideoFormat, videoFormatCount + 1> videoFormatTable{{
    VideoFormat{"bypass", "", 0},
    VideoFormat{"dmt0660", "640x480p60", 1},
    VideoFormat{"480p60", "720x480p60", 2},
    VideoFormat{"480p60sh", "720x480p60w", 3},
    VideoFormat{"720p60", "1280x720p60", 4},
    VideoFormat{"1080i30", "1920x1080i60", 5},
    VideoFormat{"480i2x30", "720x480i60", 6},
    VideoFormat{"480i2xs1", "720x480i60w", 7},
    VideoFormat{"240p2x_1", "720x240p60n", 8},
    VideoFormat{"240p2xs1", "720x240p60w", 9},
    VideoFormat{"480i4x30", "2880x480i60n", 10},
    VideoFormat{"480i4xs1", "2880x480i60w", 11},
    VideoFormat{"240p4x_1", "2880x240p60n", 12},
    VideoFormat{"240p4xs1", "2880x240p60w", 13},
    VideoFormat{"480p2x60", "1440x480p60n", 14},
    VideoFormat{"480p2xs1", "1440x480p60w", 15},
    VideoFormat{"1080p60", "1920x1080p60", 16},
    VideoFormat{"576p50", "720x576p50", 17},
    VideoFormat{"576p50sh", "720x576p50w", 18},
    VideoFormat{"720p50", "1280x720p50", 19},
    VideoFormat{"1080i25", "1920x1080i50", 20},
    VideoFormat{"576i2x25", "720x576i50", 21},
    VideoFormat{"576i2xsh", "720x576i50w", 22},
    VideoFormat{"288p2x_1", "720x288p50n", 23},
    VideoFormat{"288p2xs1", "720x288p50w", 24},
    VideoFormat{"576i4x25", "2880x576i50n", 25},
    VideoFormat{"576i4xsh", "2880x576i50w", 26},
    VideoFormat{"288p4x_1", "2880x288p50n", 27},
    VideoFormat{"288p4xs1", "2880x288p50w", 28},
    VideoFormat{"576p2x50", "1440x576p50n", 29},
    VideoFormat{"576p2xsh", "1440x576p50w", 30},
    VideoFormat{"1080p50", "1920x1080p50", 31},
    VideoFormat{"1080p24", "1920x1080p24", 32},
    VideoFormat{"1080p25", "1920x1080p25", 33},
    VideoFormat{"1080p30", "1920x1080p30", 34},
    VideoFormat{"480p4x60", "2880x480p60n", 35},
    VideoFormat{"480p4xs1", "2880x480p60w", 36},
    VideoFormat{"576p4x50", "2880x576p50n", 37},
    VideoFormat{"576p4xsh", "2880x576p50w", 38},
    VideoFormat{"1080i25_", "1920x1080i50", 39},
    VideoFormat{"1080i50", "1920x1080i100", 40},
    VideoFormat{"720p100", "1280x720p100", 41},
    VideoFormat{"576p100", "720x576p100n", 42},
    VideoFormat{"576p100s", "720x576p100w", 43},
    VideoFormat{"576i2x50", "720x576i100n", 44},
    VideoFormat{"576i2xs1", "720x576i100w", 45},
    VideoFormat{"1080i60", "1920x1080i120", 46},
    VideoFormat{"720p120", "1280x720p120", 47},
    VideoFormat{"480p120", "720x480p120n", 48},
    VideoFormat{"480p120s", "720x480p120w", 49},
    VideoFormat{"480i2x60", "720x480i120n", 50},
    VideoFormat{"480i2xs4", "720x480i120w", 51},
    VideoFormat{"576p200", "720x576p200n", 52},
    VideoFormat{"576p200s", "720x576p200w", 53},
    VideoFormat{"576i2x_1", "720x576i200n", 54},
    VideoFormat{"576i2xs2", "720x576i200w", 55},
    VideoFormat{"480p240", "720x480p240n", 56},
    VideoFormat{"480p240s", "720x480p240w", 57},
    VideoFormat{"480i2x_2", "720x480i240n", 58},
    VideoFormat{"480i2xs6", "720x480i240w", 59},
    VideoFormat{"720p24", "1280x720p24", 60},
    VideoFormat{"720p25", "1280x720p25", 61},
    VideoFormat{"720p30", "1280x720p30", 62},
    VideoFormat{"1080p120", "1920x1080p120", 63},
    VideoFormat{"1080p100", "1920x1080p100", 64},
    VideoFormat{"1080p100", "1920x1080p100", 65},
    VideoFormat{"1080p100", "1920x1080p100", 66},
    VideoFormat{"1080p100", "1920x1080p100", 67},
    VideoFormat{"1080p100", "1920x1080p100", 68},
    VideoFormat{"1080p100", "1920x1080p100", 69},
    VideoFormat{"1080p100", "1920x1080p100", 70},
    VideoFormat{"1080p100", "1920x1080p100", 71},
    VideoFormat{"1080p100", "1920x1080p100", 72},
    VideoFormat{"1080p100", "1920x1080p100", 73},
    VideoFormat{"1080p100", "1920x1080p100", 74},
    VideoFormat{"1080p100", "1920x1080p100", 75},
    VideoFormat{"1080p100", "1920x1080p100", 76},
    VideoFormat{"1080p100", "1920x1080p100", 77},
    VideoFormat{"1080p100", "1920x1080p100", 78},
    VideoFormat{"1080p100", "1920x1080p100", 79},
    VideoFormat{"1080p100", "1920x1080p100", 80},
    VideoFormat{"1680p30", "1680x720p30", 81},
    VideoFormat{"1680p50", "1680x720p50", 82},
    VideoFormat{"1680p60", "1680x720p60", 83},
    VideoFormat{"1680p100", "1680x720p100", 84},
    VideoFormat{"1680p120", "1680x720p120", 85},
    VideoFormat{"2560p24", "2560x1080p24", 86},
    VideoFormat{"2560p25", "2560x1080p25", 87},
    VideoFormat{"2560p30", "2560x1080p30", 88},
    VideoFormat{"2560p50", "2560x1080p50", 89},
    VideoFormat{"2560p60", "2560x1080p60", 90},
    VideoFormat{"1080p100", "1080p100", 91},
    VideoFormat{"1080p120", "1080p120", 92},
    VideoFormat{"4kx2k24", "3840x2160p24", 93},
    VideoFormat{"4kx2k25", "3840x2160p25", 94},
    VideoFormat{"4kx2k30", "3840x2160p30", 95},
    VideoFormat{"4kx2k50", "3840x2160p50", 96},
    VideoFormat{"4kx2k60", "3840x2160p60", 97},
    VideoFormat{"4kx2ksmp24", "4096x2160p24", 98},
    VideoFormat{"4kx2k25", "4096x2160p25", 99},
    VideoFormat{"4kx2k30", "4096x2160p30", 100},
    VideoFormat{"4kx2k50", "4096x2160p50", 101},
    VideoFormat{"4kx2k60", "4096x2160p60", 102},
    VideoFormat{"4kx2k24", "3840x2160p24", 103},
    VideoFormat{"4kx2k25", "3840x2160p25", 104},
    VideoFormat{"4kx2k30", "3840x2160p30", 105},
    VideoFormat{"4kx2k50", "3840x2160p50", 106},
    VideoFormat{"4kx2k60", "3840x2160p60", 107},
    VideoFormat{"END", "END", 0},
}};

// Writes the row's names, NUL-terminated, into buffers of at least
// shortNameSize and longNameSize bytes; a code past the table gives two empty names.
constexpr void lookupVideoFormat(uint16_t code, char* shortName, char* longName) {
    if (code >= videoFormatCount) {
        shortName[0] = '\0';
        longName[0] = '\0';
        return;
    }
    const VideoFormat& row = videoFormatTable[code];
    *std::copy(row.shortName.begin(), row.shortName.end(), shortName) = '\0';
    *std::copy(row.longName.begin(), row.longName.end(), longName) = '\0';
}

namespace detail {
constexpr bool videoFormatTableIsSound() {
    for (std::size_t i = 0; i < videoFormatCount; ++i) {
        const VideoFormat& row = videoFormatTable[i];
        if (row.code != i || row.shortName.size() >= shortNameSize || row.longName.size() >= longNameSize) return false;
    }
    const VideoFormat& end = videoFormatTable[videoFormatCount];
    return end.shortName == "END" && end.longName == "END" && end.code == 0;
}
}  // namespace detail
static_assert(detail::videoFormatTableIsSound(), "codes equal their rows and every name fits its buffer");

}  // namespace brixel
