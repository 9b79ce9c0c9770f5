// SPDX-License-Identifier: MIT
#pragma once
// The twenty lines of VIDEO_STATUS by name, in record order, for tools that
// show or export them, and the markup of the lines the device flags.

#include <BrixelLibrary.h>

#include <array>
#include <string_view>

namespace brixel {

// The application renders a line wrapped in these red.
inline constexpr std::string_view warningOpen = "<font color='red'>";
inline constexpr std::string_view warningClose = "</font>";

struct StatusField {
    std::string_view name;
    char (VIDEO_STATUS::*text)[sizeof(VIDEO_STATUS::input)];
    // Fields without a starting label are left alone while the gate is closed.
    bool labelled;
    // What a tool shows before a line that comes without a label (the InfoFrames).
    std::string_view title;
};

inline constexpr std::array<StatusField, 20> statusFields{{
    {"input", &VIDEO_STATUS::input, true, ""},
    {"output", &VIDEO_STATUS::output, true, ""},
    {"inColorSpace", &VIDEO_STATUS::inColorSpace, true, ""},
    {"outColorSpace", &VIDEO_STATUS::outColorSpace, true, ""},
    {"inPixelClock", &VIDEO_STATUS::inPixelClock, true, ""},
    {"outPixelClock", &VIDEO_STATUS::outPixelClock, true, ""},
    {"sinkEdidLimited", &VIDEO_STATUS::sinkEdidLimited, false, ""},
    {"sourceName", &VIDEO_STATUS::sourceName, true, ""},
    {"vsIfHex1", &VIDEO_STATUS::vsIfHex1, false, "Vendor InfoFrame 1: "},
    {"vsIfHex2", &VIDEO_STATUS::vsIfHex2, false, "Vendor InfoFrame 2: "},
    {"aviIfHex", &VIDEO_STATUS::aviIfHex, false, "AVI InfoFrame: "},
    {"hdrIfHex", &VIDEO_STATUS::hdrIfHex, false, "HDR InfoFrame: "},
    {"hdrInput", &VIDEO_STATUS::hdrInput, true, ""},
    {"spdIfHex", &VIDEO_STATUS::spdIfHex, false, "SPD InfoFrame: "},
    {"audioIfHex", &VIDEO_STATUS::audioIfHex, false, "Audio InfoFrame: "},
    {"inEncryption", &VIDEO_STATUS::inEncryption, true, ""},
    {"outEncryption", &VIDEO_STATUS::outEncryption, true, ""},
    {"inDeepColor", &VIDEO_STATUS::inDeepColor, true, ""},
    {"outDeepColor", &VIDEO_STATUS::outDeepColor, true, ""},
    {"displayName", &VIDEO_STATUS::displayName, true, ""},
}};
static_assert(sizeof(VIDEO_STATUS) == statusFields.size() * sizeof(VIDEO_STATUS::input));

}  // namespace brixel
