// SPDX-License-Identifier: MIT
#include "edid_editor/modes.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cta861/video_codes.h"

namespace brixel::edid_editor {
namespace {

// VESA DMT modes a standard timing names, with their pixel clocks.
struct DmtMode {
    unsigned width, height, hz;
    uint32_t pixelClockKhz;
};
constexpr std::array dmtModes{
    DmtMode{640, 480, 60, 25175},    DmtMode{640, 480, 72, 31500},    DmtMode{640, 480, 75, 31500},
    DmtMode{640, 480, 85, 36000},    DmtMode{800, 600, 56, 36000},    DmtMode{800, 600, 60, 40000},
    DmtMode{800, 600, 72, 50000},    DmtMode{800, 600, 75, 49500},    DmtMode{800, 600, 85, 56250},
    DmtMode{1024, 768, 60, 65000},   DmtMode{1024, 768, 70, 75000},   DmtMode{1024, 768, 75, 78750},
    DmtMode{1024, 768, 85, 94500},   DmtMode{1152, 864, 75, 108000},  DmtMode{1280, 720, 60, 74250},
    DmtMode{1280, 768, 60, 79500},   DmtMode{1280, 800, 60, 83500},   DmtMode{1280, 960, 60, 108000},
    DmtMode{1280, 960, 85, 148500},  DmtMode{1280, 1024, 60, 108000}, DmtMode{1280, 1024, 75, 135000},
    DmtMode{1280, 1024, 85, 157500}, DmtMode{1360, 768, 60, 85500},   DmtMode{1366, 768, 60, 85500},
    DmtMode{1400, 1050, 60, 121750}, DmtMode{1440, 900, 60, 106500},  DmtMode{1600, 900, 60, 108000},
    DmtMode{1600, 1200, 60, 162000}, DmtMode{1680, 1050, 60, 146250}, DmtMode{1792, 1344, 60, 204750},
    DmtMode{1856, 1392, 60, 218250}, DmtMode{1920, 1080, 60, 148500}, DmtMode{1920, 1200, 60, 193250},
    DmtMode{1920, 1440, 60, 234000}, DmtMode{2048, 1152, 60, 162000}, DmtMode{2560, 1600, 60, 348500},
};

// The pixel clock of VESA CVT's standard blanking, for sizes DMT has not.
uint32_t cvtPixelClockKhz(unsigned width, unsigned height, unsigned hz) {
    constexpr double minVsyncAndBackPorchUs = 550;
    constexpr double minVerticalPorch = 3;
    constexpr double cellGranularity = 8;
    constexpr double clockStepMhz = 0.25;
    const double pixels = std::floor(width / cellGranularity) * cellGranularity;
    const double periodUs = (1e6 / hz - minVsyncAndBackPorchUs) / (height + minVerticalPorch);
    const double dutyCycle = std::max(20.0, 30.0 - 300.0 * periodUs / 1000.0);
    const double blank =
        std::floor(pixels * dutyCycle / (100.0 - dutyCycle) / (2 * cellGranularity)) * 2 * cellGranularity;
    const double mhz = clockStepMhz * std::floor((pixels + blank) / periodUs / clockStepMhz);
    return static_cast<uint32_t>(mhz * 1000);
}

std::string rateText(double hz) {
    const double whole = std::round(hz);
    if (std::fabs(hz - whole) < 0.005) return std::to_string(static_cast<long>(whole));
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", hz);
    return text;
}

std::optional<Mode> modeOf(const cta861::VideoCode* code) {
    if (!code) return std::nullopt;
    return Mode{code->hActive, code->vActive, code->interlaced, double(code->rateHz), code->pixelClockKhz};
}

bool parseUnsigned(std::string_view text, unsigned& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc{} && end == text.data() + text.size();
}

}  // namespace

std::string modeText(const Mode& mode) {
    return std::to_string(mode.width) + "x" + std::to_string(mode.height) + (mode.interlaced ? "i" : "") + "@" +
           rateText(mode.hz);
}

std::optional<Mode> vicMode(unsigned vic) { return modeOf(cta861::videoCodeInfo(static_cast<int>(vic))); }

std::optional<Mode> hdmiVicMode(unsigned hdmiVic) { return modeOf(cta861::hdmiVicInfo(static_cast<int>(hdmiVic))); }

std::string vicText(unsigned vic) {
    const auto* code = cta861::videoCodeInfo(static_cast<int>(vic));
    return "VIC " + std::to_string(vic) + (code ? " (" + cta861::videoFormatName(*code) + ")" : "");
}

std::string hdmiVicText(unsigned hdmiVic) {
    const auto* code = cta861::hdmiVicInfo(static_cast<int>(hdmiVic));
    return "HDMI VIC " + std::to_string(hdmiVic) + (code ? " (" + cta861::videoFormatName(*code) + ")" : "");
}

Mode timingMode(const DetailedTiming& timing) {
    // An interlaced timing gives the lines of one field.
    return {timing.hActive, timing.interlaced ? 2 * timing.vActive : timing.vActive, timing.interlaced,
            timing.refreshHz(), timing.pixelClockKhz};
}

std::optional<Mode> standardTimingMode(std::array<uint8_t, 2> slot, uint8_t edidRevision) {
    if (slot[0] <= 0x01) return std::nullopt;
    const unsigned width = (slot[0] + 31u) * 8u;
    const unsigned hz = (slot[1] & 0x3Fu) + 60u;
    unsigned height = 0;
    switch (slot[1] >> 6) {
        case 0: height = edidRevision < 3 ? width : width * 10 / 16; break;
        case 1: height = width * 3 / 4; break;
        case 2: height = width * 4 / 5; break;
        default: height = width * 9 / 16; break;
    }
    for (const auto& dmt : dmtModes)
        if (dmt.width == width && dmt.height == height && dmt.hz == hz)
            return Mode{width, height, false, double(hz), dmt.pixelClockKhz};
    return Mode{width, height, false, double(hz), cvtPixelClockKhz(width, height, hz)};
}

Mode establishedMode(const EstablishedTiming& timing) {
    return {timing.width, timing.height, timing.interlaced, double(timing.hz), timing.pixelClockKhz};
}

std::optional<ModeRequest> parseModeRequest(std::string_view text, std::string& error) {
    error = quoted(text) + " is not a mode: write it as WxH@HZ, e.g. 3840x2160@60 or 1920x1080i@60.";
    const std::size_t x = text.find('x');
    const std::size_t at = text.find('@');
    if (x == std::string_view::npos || at == std::string_view::npos || at < x) return std::nullopt;
    ModeRequest request;
    std::string_view height = text.substr(x + 1, at - x - 1);
    if (!height.empty() && (height.back() == 'i' || height.back() == 'p')) {
        request.interlaced = height.back() == 'i';
        height.remove_suffix(1);
    }
    if (!parseUnsigned(text.substr(0, x), request.width) || !parseUnsigned(height, request.height)) return std::nullopt;
    const std::string_view rate = text.substr(at + 1);
    const auto [end, ec] = std::from_chars(rate.data(), rate.data() + rate.size(), request.hz);
    if (rate.empty() || ec != std::errc{} || end != rate.data() + rate.size()) return std::nullopt;
    if (request.width == 0 || request.height == 0 || !(request.hz > 0) || request.hz > 1000) return std::nullopt;
    error.clear();
    return request;
}

std::string requestText(const ModeRequest& request) {
    return std::to_string(request.width) + "x" + std::to_string(request.height) + (request.interlaced ? "i" : "") +
           "@" + rateText(request.hz);
}

bool matches(const Mode& mode, const ModeRequest& request) {
    return mode.width == request.width && mode.height == request.height && std::fabs(mode.hz - request.hz) < 0.5 &&
           request.interlaced == mode.interlaced;
}

bool exceeds(const Mode& mode, const ModeRequest& largest) {
    return mode.width > largest.width || mode.height > largest.height || mode.hz > largest.hz + 0.5;
}

}  // namespace brixel::edid_editor
