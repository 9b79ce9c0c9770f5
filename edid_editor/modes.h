// SPDX-License-Identifier: MIT
#pragma once
// The video modes an EDID offers, wherever it lists them, as one shape: size,
// rate and the pixel clock each needs. Pure.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "edid_editor/cta_tables.h"
#include "edid_editor/edid_model.h"

namespace brixel::edid_editor {

struct Mode {
    unsigned width = 0;
    unsigned height = 0;  // lines per frame
    bool interlaced = false;
    double hz = 0;  // frames per second, fields when interlaced
    uint32_t pixelClockKhz = 0;
};

// "1920x1080@60", "1920x1080i@60", "1366x768@59.79".
std::string modeText(const Mode& mode);

// A CTA-861 VIC's mode; nullopt for a code that names none.
std::optional<Mode> vicMode(unsigned vic);
// "VIC 97 (3840x2160p60)", or "VIC 250" for a code that names no mode.
std::string vicText(unsigned vic);
// "HDMI VIC 1 (3840x2160p30)".
std::string hdmiVicText(unsigned hdmiVic);
std::optional<Mode> hdmiVicMode(unsigned hdmiVic);

Mode timingMode(const DetailedTiming& timing);
// A standard timing's mode, with the DMT clock where there is one and CVT's
// otherwise; nullopt for an unused slot.
std::optional<Mode> standardTimingMode(std::array<uint8_t, 2> slot, uint8_t edidRevision);
inline constexpr std::array<uint8_t, 2> unusedStandardTiming{0x01, 0x01};
Mode establishedMode(const EstablishedTiming& timing);

// "WxH@HZ" as people ask for a mode: the size, an i for interlaced (or a p),
// the rate. Without an i it is progressive.
struct ModeRequest {
    unsigned width = 0;
    unsigned height = 0;
    double hz = 0;
    bool interlaced = false;
};
// A request, or nullopt with `error` saying what is wrong.
std::optional<ModeRequest> parseModeRequest(std::string_view text, std::string& error);
std::string requestText(const ModeRequest& request);

// The mode asked for: same size and scan, the rate within half a hertz (59.94 is 60).
bool matches(const Mode& mode, const ModeRequest& request);
// Wider, taller or faster than the largest mode asked for.
bool exceeds(const Mode& mode, const ModeRequest& largest);

}  // namespace brixel::edid_editor
