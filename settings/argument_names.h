// SPDX-License-Identifier: MIT
#pragma once
// Readable names for the values of each argument enumeration, for tools.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "settings/setting_codes.h"

namespace brixel {

struct NamedValue {
    std::string_view name;
    uint8_t value;
};

inline constexpr std::array flagNames{NamedValue{"off", 0}, NamedValue{"on", 1}};
inline constexpr std::array portNames{NamedValue{"1", BRIXEL_INPORT_1}, NamedValue{"2", BRIXEL_INPORT_2},
                                      NamedValue{"3", BRIXEL_INPORT_3}, NamedValue{"4", BRIXEL_INPORT_4}};
inline constexpr std::array scalingNames{NamedValue{"auto", BRIXEL_SCALE_AUTO},
                                         NamedValue{"bypass", BRIXEL_SCALE_BYPASS},
                                         NamedValue{"down", BRIXEL_SCALE_DOWN}, NamedValue{"up", BRIXEL_SCALE_UP}};
inline constexpr std::array hdcpNames{NamedValue{"auto", BRIXEL_HDCP_AUTO}, NamedValue{"1.4", BRIXEL_HDCP_1_4},
                                      NamedValue{"2.2", BRIXEL_HDCP_2_2}};
inline constexpr std::array edidModeNames{NamedValue{"automix", BRIXEL_EDID_AUTOMIX},
                                          NamedValue{"custom", BRIXEL_EDID_CUSTOM},
                                          NamedValue{"sink", BRIXEL_EDID_SINK}};
inline constexpr std::array factoryResetNames{NamedValue{"settings", BRIXEL_FACTRESET_SETTINGS},
                                              NamedValue{"all", BRIXEL_FACTRESET_ALL}};
inline constexpr std::array colourFormatNames{
    NamedValue{"bypass", BRIXEL_COLFMT_BYPASS}, NamedValue{"rgb", BRIXEL_COLFMT_RGB},
    NamedValue{"ycbcr444", BRIXEL_COLFMT_YCBCR444}, NamedValue{"ycbcr422", BRIXEL_COLFMT_YCBCR422},
    NamedValue{"ycbcr420", BRIXEL_COLFMT_YCBCR420}};
inline constexpr std::array depthNames{NamedValue{"8", BRIXEL_DC_8BIT}, NamedValue{"10", BRIXEL_DC_10BIT},
                                       NamedValue{"12", BRIXEL_DC_12BIT}, NamedValue{"16", BRIXEL_DC_16BIT},
                                       NamedValue{"same", BRIXEL_DC_SAME_AS_INPUT}};
inline constexpr std::array bt2020Names{NamedValue{"off", BRIXEL_BT2020_OFF}, NamedValue{"on", BRIXEL_BT2020_ON},
                                        NamedValue{"auto", BRIXEL_BT2020_AUTO}};
inline constexpr std::array presetNames{
    NamedValue{"rgb8", BRIXEL_PRESET_RGB_8BIT}, NamedValue{"ycbcr444-8", BRIXEL_PRESET_YCBCR444_8BIT},
    NamedValue{"ycbcr422-12", BRIXEL_PRESET_YCBCR422_12BIT}, NamedValue{"ycbcr420-10", BRIXEL_PRESET_YCBCR420_10BIT}};

constexpr std::span<const NamedValue> namesFor(ArgumentKind kind) {
    switch (kind) {
        case ArgumentKind::flag: return flagNames;
        case ArgumentKind::port: return portNames;
        case ArgumentKind::scaling: return scalingNames;
        case ArgumentKind::hdcp: return hdcpNames;
        case ArgumentKind::edidMode: return edidModeNames;
        case ArgumentKind::factoryReset: return factoryResetNames;
        case ArgumentKind::colourFormat: return colourFormatNames;
        case ArgumentKind::depth: return depthNames;
        case ArgumentKind::bt2020: return bt2020Names;
        case ArgumentKind::preset: return presetNames;
        case ArgumentKind::none:
        case ArgumentKind::edidTable: break;
    }
    return {};
}

constexpr std::optional<uint8_t> valueNamed(ArgumentKind kind, std::string_view name) {
    for (const auto& n : namesFor(kind))
        if (n.name == name) return n.value;
    return std::nullopt;
}

constexpr std::string_view nameOf(ArgumentKind kind, uint8_t value) {
    for (const auto& n : namesFor(kind))
        if (n.value == value) return n.name;
    return {};
}

}  // namespace brixel
