// SPDX-License-Identifier: MIT
#pragma once
// The CTA-861 video formats by video identification code (VIC): active
// picture, scan, rate, picture aspect, pixel repetition and pixel clock; and
// the four 2160p formats that the HDMI 1.4 vendor-specific InfoFrame names by
// HDMI VIC. Data only, for decoders that turn a code into a format.
//
// Rates are the nominal field rate in whole hertz (frames per second for
// progressive formats, fields for interlaced ones). Formats of the 24, 30, 48,
// 60, 120 and 240 Hz families also run at 1000/1001 of it (23.976, 59.94 ...)
// under the same VIC; hasFractionalRate() says which. The pixel clock is the
// one at the nominal rate: 74250 kHz for 1280x720p60, not the 74176 of 59.94.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brixel::cta861 {

enum class PictureAspect : uint8_t { ratio4x3, ratio16x9, ratio64x27, ratio256x135 };

inline constexpr std::array<std::string_view, 4> pictureAspectNames{"4:3", "16:9", "64:27", "256:135"};

constexpr std::string_view aspectName(PictureAspect aspect) {
    return pictureAspectNames[static_cast<std::size_t>(aspect)];
}

// The pixel repetition factors a format allows, bit n-1 for a factor of n.
namespace repetition {
inline constexpr uint16_t once = 0x001;
inline constexpr uint16_t twice = 0x002;
inline constexpr uint16_t onceOrTwice = 0x003;
inline constexpr uint16_t oneTwoOrFour = 0x00B;
inline constexpr uint16_t oneToTen = 0x3FF;
}  // namespace repetition

struct VideoCode {
    uint8_t vic;
    uint16_t hActive;  // pixels a line carries, repeated ones counted: 1440 for 720x480i
    uint16_t vActive;  // lines of a frame, both fields of an interlaced one
    bool interlaced;
    uint16_t rateHz;
    PictureAspect aspect;
    uint32_t pixelClockKhz;
    uint16_t repetitions = repetition::once;

    constexpr bool hasFractionalRate() const { return rateHz % 24 == 0 || rateHz % 30 == 0; }
    // `factor` 1 means each pixel sent once.
    constexpr bool allowsRepetition(int factor) const {
        return factor >= 1 && factor <= 16 && (repetitions >> (factor - 1) & 1) != 0;
    }
};

namespace detail {
inline constexpr bool p = false;
inline constexpr bool i = true;
inline constexpr auto a4x3 = PictureAspect::ratio4x3;
inline constexpr auto a16x9 = PictureAspect::ratio16x9;
inline constexpr auto a64x27 = PictureAspect::ratio64x27;
inline constexpr auto a256x135 = PictureAspect::ratio256x135;
using namespace repetition;
}  // namespace detail

// VICs 1 to 127, then 193 to 219; the codes between are reserved.
inline constexpr std::size_t firstBlockCount = 127;
inline constexpr uint8_t secondBlockFirst = 193;
inline constexpr uint8_t secondBlockLast = 219;

// clang-format off
inline constexpr auto videoCodes = [] {
    using namespace detail;
    return std::array<VideoCode, 154>{{
        {1, 640, 480, p, 60, a4x3, 25200},
        {2, 720, 480, p, 60, a4x3, 27027},
        {3, 720, 480, p, 60, a16x9, 27027},
        {4, 1280, 720, p, 60, a16x9, 74250},
        {5, 1920, 1080, i, 60, a16x9, 74250},
        {6, 1440, 480, i, 60, a4x3, 27027, twice},
        {7, 1440, 480, i, 60, a16x9, 27027, twice},
        {8, 1440, 240, p, 60, a4x3, 27027, twice},
        {9, 1440, 240, p, 60, a16x9, 27027, twice},
        {10, 2880, 480, i, 60, a4x3, 54054, oneToTen},
        {11, 2880, 480, i, 60, a16x9, 54054, oneToTen},
        {12, 2880, 240, p, 60, a4x3, 54054, oneToTen},
        {13, 2880, 240, p, 60, a16x9, 54054, oneToTen},
        {14, 1440, 480, p, 60, a4x3, 54054, onceOrTwice},
        {15, 1440, 480, p, 60, a16x9, 54054, onceOrTwice},
        {16, 1920, 1080, p, 60, a16x9, 148500},
        {17, 720, 576, p, 50, a4x3, 27000},
        {18, 720, 576, p, 50, a16x9, 27000},
        {19, 1280, 720, p, 50, a16x9, 74250},
        {20, 1920, 1080, i, 50, a16x9, 74250},
        {21, 1440, 576, i, 50, a4x3, 27000, twice},
        {22, 1440, 576, i, 50, a16x9, 27000, twice},
        {23, 1440, 288, p, 50, a4x3, 27000, twice},
        {24, 1440, 288, p, 50, a16x9, 27000, twice},
        {25, 2880, 576, i, 50, a4x3, 54000, oneToTen},
        {26, 2880, 576, i, 50, a16x9, 54000, oneToTen},
        {27, 2880, 288, p, 50, a4x3, 54000, oneToTen},
        {28, 2880, 288, p, 50, a16x9, 54000, oneToTen},
        {29, 1440, 576, p, 50, a4x3, 54000, onceOrTwice},
        {30, 1440, 576, p, 50, a16x9, 54000, onceOrTwice},
        {31, 1920, 1080, p, 50, a16x9, 148500},
        {32, 1920, 1080, p, 24, a16x9, 74250},
        {33, 1920, 1080, p, 25, a16x9, 74250},
        {34, 1920, 1080, p, 30, a16x9, 74250},
        {35, 2880, 480, p, 60, a4x3, 108108, oneTwoOrFour},
        {36, 2880, 480, p, 60, a16x9, 108108, oneTwoOrFour},
        {37, 2880, 576, p, 50, a4x3, 108000, oneTwoOrFour},
        {38, 2880, 576, p, 50, a16x9, 108000, oneTwoOrFour},
        {39, 1920, 1080, i, 50, a16x9, 72000},  // 1250 lines in all
        {40, 1920, 1080, i, 100, a16x9, 148500},
        {41, 1280, 720, p, 100, a16x9, 148500},
        {42, 720, 576, p, 100, a4x3, 54000},
        {43, 720, 576, p, 100, a16x9, 54000},
        {44, 1440, 576, i, 100, a4x3, 54000, twice},
        {45, 1440, 576, i, 100, a16x9, 54000, twice},
        {46, 1920, 1080, i, 120, a16x9, 148500},
        {47, 1280, 720, p, 120, a16x9, 148500},
        {48, 720, 480, p, 120, a4x3, 54054},
        {49, 720, 480, p, 120, a16x9, 54054},
        {50, 1440, 480, i, 120, a4x3, 54054, twice},
        {51, 1440, 480, i, 120, a16x9, 54054, twice},
        {52, 720, 576, p, 200, a4x3, 108000},
        {53, 720, 576, p, 200, a16x9, 108000},
        {54, 1440, 576, i, 200, a4x3, 108000, twice},
        {55, 1440, 576, i, 200, a16x9, 108000, twice},
        {56, 720, 480, p, 240, a4x3, 108108},
        {57, 720, 480, p, 240, a16x9, 108108},
        {58, 1440, 480, i, 240, a4x3, 108108, twice},
        {59, 1440, 480, i, 240, a16x9, 108108, twice},
        {60, 1280, 720, p, 24, a16x9, 59400},
        {61, 1280, 720, p, 25, a16x9, 74250},
        {62, 1280, 720, p, 30, a16x9, 74250},
        {63, 1920, 1080, p, 120, a16x9, 297000},
        {64, 1920, 1080, p, 100, a16x9, 297000},
        {65, 1280, 720, p, 24, a64x27, 59400},
        {66, 1280, 720, p, 25, a64x27, 74250},
        {67, 1280, 720, p, 30, a64x27, 74250},
        {68, 1280, 720, p, 50, a64x27, 74250},
        {69, 1280, 720, p, 60, a64x27, 74250},
        {70, 1280, 720, p, 100, a64x27, 148500},
        {71, 1280, 720, p, 120, a64x27, 148500},
        {72, 1920, 1080, p, 24, a64x27, 74250},
        {73, 1920, 1080, p, 25, a64x27, 74250},
        {74, 1920, 1080, p, 30, a64x27, 74250},
        {75, 1920, 1080, p, 50, a64x27, 148500},
        {76, 1920, 1080, p, 60, a64x27, 148500},
        {77, 1920, 1080, p, 100, a64x27, 297000},
        {78, 1920, 1080, p, 120, a64x27, 297000},
        {79, 1680, 720, p, 24, a64x27, 59400},
        {80, 1680, 720, p, 25, a64x27, 59400},
        {81, 1680, 720, p, 30, a64x27, 59400},
        {82, 1680, 720, p, 50, a64x27, 82500},
        {83, 1680, 720, p, 60, a64x27, 99000},
        {84, 1680, 720, p, 100, a64x27, 165000},
        {85, 1680, 720, p, 120, a64x27, 198000},
        {86, 2560, 1080, p, 24, a64x27, 99000},
        {87, 2560, 1080, p, 25, a64x27, 90000},
        {88, 2560, 1080, p, 30, a64x27, 118800},
        {89, 2560, 1080, p, 50, a64x27, 185625},
        {90, 2560, 1080, p, 60, a64x27, 198000},
        {91, 2560, 1080, p, 100, a64x27, 371250},
        {92, 2560, 1080, p, 120, a64x27, 495000},
        {93, 3840, 2160, p, 24, a16x9, 297000},
        {94, 3840, 2160, p, 25, a16x9, 297000},
        {95, 3840, 2160, p, 30, a16x9, 297000},
        {96, 3840, 2160, p, 50, a16x9, 594000},
        {97, 3840, 2160, p, 60, a16x9, 594000},
        {98, 4096, 2160, p, 24, a256x135, 297000},
        {99, 4096, 2160, p, 25, a256x135, 297000},
        {100, 4096, 2160, p, 30, a256x135, 297000},
        {101, 4096, 2160, p, 50, a256x135, 594000},
        {102, 4096, 2160, p, 60, a256x135, 594000},
        {103, 3840, 2160, p, 24, a64x27, 297000},
        {104, 3840, 2160, p, 25, a64x27, 297000},
        {105, 3840, 2160, p, 30, a64x27, 297000},
        {106, 3840, 2160, p, 50, a64x27, 594000},
        {107, 3840, 2160, p, 60, a64x27, 594000},
        {108, 1280, 720, p, 48, a16x9, 90000},
        {109, 1280, 720, p, 48, a64x27, 90000},
        {110, 1680, 720, p, 48, a64x27, 99000},
        {111, 1920, 1080, p, 48, a16x9, 148500},
        {112, 1920, 1080, p, 48, a64x27, 148500},
        {113, 2560, 1080, p, 48, a64x27, 198000},
        {114, 3840, 2160, p, 48, a16x9, 594000},
        {115, 4096, 2160, p, 48, a256x135, 594000},
        {116, 3840, 2160, p, 48, a64x27, 594000},
        {117, 3840, 2160, p, 100, a16x9, 1188000},
        {118, 3840, 2160, p, 120, a16x9, 1188000},
        {119, 3840, 2160, p, 100, a64x27, 1188000},
        {120, 3840, 2160, p, 120, a64x27, 1188000},
        {121, 5120, 2160, p, 24, a64x27, 396000},
        {122, 5120, 2160, p, 25, a64x27, 396000},
        {123, 5120, 2160, p, 30, a64x27, 396000},
        {124, 5120, 2160, p, 48, a64x27, 742500},
        {125, 5120, 2160, p, 50, a64x27, 742500},
        {126, 5120, 2160, p, 60, a64x27, 742500},
        {127, 5120, 2160, p, 100, a64x27, 1485000},
        {193, 5120, 2160, p, 120, a64x27, 1485000},
        {194, 7680, 4320, p, 24, a16x9, 1188000},
        {195, 7680, 4320, p, 25, a16x9, 1188000},
        {196, 7680, 4320, p, 30, a16x9, 1188000},
        {197, 7680, 4320, p, 48, a16x9, 2376000},
        {198, 7680, 4320, p, 50, a16x9, 2376000},
        {199, 7680, 4320, p, 60, a16x9, 2376000},
        {200, 7680, 4320, p, 100, a16x9, 4752000},
        {201, 7680, 4320, p, 120, a16x9, 4752000},
        {202, 7680, 4320, p, 24, a64x27, 1188000},
        {203, 7680, 4320, p, 25, a64x27, 1188000},
        {204, 7680, 4320, p, 30, a64x27, 1188000},
        {205, 7680, 4320, p, 48, a64x27, 2376000},
        {206, 7680, 4320, p, 50, a64x27, 2376000},
        {207, 7680, 4320, p, 60, a64x27, 2376000},
        {208, 7680, 4320, p, 100, a64x27, 4752000},
        {209, 7680, 4320, p, 120, a64x27, 4752000},
        {210, 10240, 4320, p, 24, a64x27, 1485000},
        {211, 10240, 4320, p, 25, a64x27, 1485000},
        {212, 10240, 4320, p, 30, a64x27, 1485000},
        {213, 10240, 4320, p, 48, a64x27, 2970000},
        {214, 10240, 4320, p, 50, a64x27, 2970000},
        {215, 10240, 4320, p, 60, a64x27, 2970000},
        {216, 10240, 4320, p, 100, a64x27, 5940000},
        {217, 10240, 4320, p, 120, a64x27, 5940000},
        {218, 4096, 2160, p, 100, a256x135, 1188000},
        {219, 4096, 2160, p, 120, a256x135, 1188000},
    }};
}();
// clang-format on

// The row of `vic`, nullptr for 0 and the reserved codes.
// Where a code's row stands in the table; videoCodes.size() for a reserved code.
constexpr std::size_t videoCodeIndex(int vic) {
    if (vic >= 1 && vic <= static_cast<int>(firstBlockCount)) return static_cast<std::size_t>(vic - 1);
    if (vic >= secondBlockFirst && vic <= secondBlockLast)
        return firstBlockCount + static_cast<std::size_t>(vic - secondBlockFirst);
    return videoCodes.size();
}

constexpr const VideoCode* videoCodeInfo(int vic) {
    const std::size_t at = videoCodeIndex(vic);
    return at < videoCodes.size() ? &videoCodes[at] : nullptr;
}

// "3840x2160p60", "1920x1080i50": the active pixels as sent, the scan, the nominal rate.
inline std::string videoFormatName(const VideoCode& code) {
    return std::to_string(code.hActive) + "x" + std::to_string(code.vActive) + (code.interlaced ? "i" : "p") +
           std::to_string(code.rateHz);
}

// The 2160p formats of the HDMI 1.4 vendor-specific InfoFrame (HDMI VIC 1 to
// 4), which later got VICs of their own.
struct HdmiVic {
    uint8_t hdmiVic;
    uint8_t vic;
};
inline constexpr std::array<HdmiVic, 4> hdmiVics{{{1, 95}, {2, 94}, {3, 93}, {4, 98}}};

// The CTA-861 code an HDMI VIC stands for; 0 for none.
constexpr int hdmiVicCode(int hdmiVic) {
    for (const HdmiVic& row : hdmiVics)
        if (row.hdmiVic == hdmiVic) return row.vic;
    return 0;
}

constexpr const VideoCode* hdmiVicInfo(int hdmiVic) {
    for (const HdmiVic& row : hdmiVics)
        if (row.hdmiVic == hdmiVic) return videoCodeInfo(row.vic);
    return nullptr;
}

namespace detail {
constexpr bool tableHolds() {
    for (std::size_t k = 0; k < videoCodes.size(); ++k) {
        const VideoCode& row = videoCodes[k];
        if (k > 0 && row.vic <= videoCodes[k - 1].vic) return false;  // ascending, so unique
        if (videoCodeIndex(row.vic) != k) return false;               // where the lookup looks
        if (row.hActive == 0 || row.vActive == 0 || row.rateHz == 0 || row.pixelClockKhz == 0) return false;
        if (row.repetitions == 0) return false;
    }
    for (int vic = 0; vic < 256; ++vic) {
        const bool listed = (vic >= 1 && vic <= 127) || (vic >= secondBlockFirst && vic <= secondBlockLast);
        if ((videoCodeIndex(vic) < videoCodes.size()) != listed) return false;
    }
    return true;
}
}  // namespace detail

static_assert(videoCodes.size() == firstBlockCount + (secondBlockLast - secondBlockFirst + 1));
static_assert(detail::tableHolds());
// Indices, not addresses: the sanitizers' pointer checks are no constant expressions.
static_assert(videoCodes[videoCodeIndex(hdmiVicCode(1))].rateHz == 30 &&
              videoCodes[videoCodeIndex(hdmiVicCode(4))].hActive == 4096 && hdmiVicCode(5) == 0);

}  // namespace brixel::cta861
