// SPDX-License-Identifier: MIT
#pragma once
// The one index of setting codes: which exported function sends which code,
// how its argument becomes the value byte, and how a tool calls it. Data only.

#include <BrixelLibrary.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace brixel {

enum class ValueRule : uint8_t {
    lowByte,        // an enumeration's low byte
    oneIfOne,       // a bool's byte compared with 1: 1 or 0
    byteUnchanged,  // a bool's byte as it is
    alwaysOne,      // no argument; the value is 1
};

enum class ArgumentKind : uint8_t {
    none,
    flag,
    port,
    scaling,
    hdcp,
    edidMode,
    factoryReset,
    colourFormat,
    depth,
    bt2020,
    preset,
    edidTable
};

namespace detail {
template <typename Function>
struct ParameterOf;
template <>
struct ParameterOf<bool (*)()> {
    using type = void;
};
template <typename Parameter>
struct ParameterOf<bool (*)(Parameter)> {
    using type = Parameter;
};
}  // namespace detail

// An exported function, called with a value byte: the byte becomes an
// enumeration's value; a bool is true for any byte but 0, so that no bool
// handed to the library holds a byte other than 0 or 1.
class Wrapper {
public:
    // None: refused by the check under the table.
    constexpr Wrapper() = default;

    template <auto function>
    static constexpr Wrapper of() {
        Wrapper wrapper;
        wrapper.call_ = callWithByte<function>;
        wrapper.callInt_ = callWithInt<function>;
        wrapper.given_ = true;
        return wrapper;
    }

    bool operator()(uint8_t value) const { return call_(value); }
    // With any int, higher bytes and all, as a caller's enumeration may hold
    // it; a bool is true for any int but 0.
    bool withInt(int value) const { return callInt_(value); }
    // A function address is no constant under GCC's null checks, so the flag
    // proves one was given.
    constexpr bool given() const { return given_; }

private:
    template <auto function>
    static bool callWithByte(uint8_t value) {
        using Parameter = typename detail::ParameterOf<decltype(function)>::type;
        if constexpr (std::is_void_v<Parameter>)
            return function();
        else if constexpr (std::is_same_v<Parameter, bool>)
            return function(value != 0);
        else
            return function(static_cast<Parameter>(value));
    }

    template <auto function>
    static bool callWithInt(int value) {
        using Parameter = typename detail::ParameterOf<decltype(function)>::type;
        if constexpr (std::is_void_v<Parameter>)
            return function();
        else if constexpr (std::is_same_v<Parameter, bool>)
            return function(value != 0);
        else
            return function(static_cast<Parameter>(value));
    }

    bool (*call_)(uint8_t) = nullptr;
    bool (*callInt_)(int) = nullptr;
    bool given_ = false;
};

template <auto function>
inline constexpr Wrapper wrapperOf = Wrapper::of<function>();

struct SettingCode {
    BRIXEL_CMD code;
    std::string_view function;  // the exported function that sends it
    std::string_view command;   // the command-line name
    ArgumentKind argument;
    ValueRule rule;
    std::string_view summary;
    Wrapper wrapper;  // that function
};

inline constexpr std::array settingCodes{
    SettingCode{BRIXEL_CMD_ACTIVE_PORT, "setActivePort", "port", ArgumentKind::port, ValueRule::lowByte,
                "select the active input port", wrapperOf<setActivePort>},
    SettingCode{BRIXEL_CMD_AUTO_SWITCH, "setAutoSwitch", "auto-switch", ArgumentKind::flag, ValueRule::oneIfOne,
                "switch to a newly active input by itself", wrapperOf<setAutoSwitch>},
    SettingCode{BRIXEL_CMD_SCALING, "setScaling", "scaling", ArgumentKind::scaling, ValueRule::lowByte,
                "scaling of the output", wrapperOf<setScaling>},
    SettingCode{BRIXEL_CMD_HDCP_VERSION, "setHdcpVersion", "hdcp", ArgumentKind::hdcp, ValueRule::lowByte,
                "HDCP version offered to the source", wrapperOf<setHdcpVersion>},
    SettingCode{BRIXEL_CMD_EDID_MODE, "setEdidMode", "edid-mode", ArgumentKind::edidMode, ValueRule::lowByte,
                "which EDID the source is shown", wrapperOf<setEdidMode>},
    SettingCode{BRIXEL_CMD_SW_PRIORITY, "setSwPriority", "sw-priority", ArgumentKind::flag, ValueRule::oneIfOne,
                "software settings take priority over the buttons", wrapperOf<setSwPriority>},
    SettingCode{BRIXEL_CMD_CUSTOM_EDID, "changeCustomEdid", "edid-select", ArgumentKind::edidTable, ValueRule::lowByte,
                "select a built-in EDID (after its upload)", wrapperOf<changeCustomEdid>},
    SettingCode{BRIXEL_CMD_CUSTOM_AVI, "setCustomAvi", "custom-avi", ArgumentKind::flag, ValueRule::oneIfOne,
                "send the custom AVI InfoFrame", wrapperOf<setCustomAvi>},
    SettingCode{BRIXEL_CMD_AUTO_FILL_CRC, "setAutoFillCrc", "auto-fill-crc", ArgumentKind::flag,
                ValueRule::byteUnchanged, "device fills InfoFrame checksums", wrapperOf<setAutoFillCrc>},
    SettingCode{BRIXEL_CMD_CUSTOM_HDR, "setCustomHdr", "custom-hdr", ArgumentKind::flag, ValueRule::oneIfOne,
                "send the custom HDR InfoFrame", wrapperOf<setCustomHdr>},
    SettingCode{BRIXEL_CMD_AVI_DISABLE, "setAviDisable", "avi-disable", ArgumentKind::flag, ValueRule::byteUnchanged,
                "send no AVI InfoFrame", wrapperOf<setAviDisable>},
    SettingCode{BRIXEL_CMD_LOGO_LED, "setLogoLed", "logo-led", ArgumentKind::flag, ValueRule::oneIfOne,
                "light the logo", wrapperOf<setLogoLed>},
    SettingCode{BRIXEL_CMD_FACTORY_RESET, "factoryReset", "factory-reset", ArgumentKind::factoryReset,
                ValueRule::lowByte, "restore factory settings", wrapperOf<factoryReset>},
    SettingCode{BRIXEL_CMD_CSC, "setCsc", "csc", ArgumentKind::colourFormat, ValueRule::lowByte, "output colour format",
                wrapperOf<setCsc>},
    SettingCode{BRIXEL_CMD_DEEP_COLOR, "setDeepColor", "deep-color", ArgumentKind::depth, ValueRule::lowByte,
                "output colour depth", wrapperOf<setDeepColor>},
    SettingCode{BRIXEL_CMD_DOWN_CSC, "setDownCsc", "down-csc", ArgumentKind::colourFormat, ValueRule::lowByte,
                "colour format while downscaling", wrapperOf<setDownCsc>},
    SettingCode{BRIXEL_CMD_DS_DEEP_COLOR, "setDsDeepColor", "ds-deep-color", ArgumentKind::depth, ValueRule::lowByte,
                "colour depth while downscaling", wrapperOf<setDsDeepColor>},
    SettingCode{BRIXEL_CMD_MATRIX_ENABLE, "set3xEn", "matrix-enable", ArgumentKind::flag, ValueRule::byteUnchanged,
                "apply the colour matrix", wrapperOf<set3xEn>},
    SettingCode{BRIXEL_CMD_BT2020_FORCE, "setBt2020Force", "bt2020", ArgumentKind::bt2020, ValueRule::lowByte,
                "force BT.2020 colorimetry", wrapperOf<setBt2020Force>},
    SettingCode{BRIXEL_CMD_PRESET_4K30, "setPreset4k30", "preset-4k30", ArgumentKind::flag, ValueRule::byteUnchanged,
                "use the 2160p30 output preset", wrapperOf<setPreset4k30>},
    SettingCode{BRIXEL_CMD_PRESET_4K60, "setPreset4k60", "preset-4k60", ArgumentKind::flag, ValueRule::byteUnchanged,
                "use the 2160p60 output preset", wrapperOf<setPreset4k60>},
    SettingCode{BRIXEL_CMD_PRESET_4K30_MODE, "setPreset4k30Mode", "preset-4k30-mode", ArgumentKind::preset,
                ValueRule::lowByte, "format of the 2160p30 preset", wrapperOf<setPreset4k30Mode>},
    SettingCode{BRIXEL_CMD_PRESET_4K60_MODE, "setPreset4k60Mode", "preset-4k60-mode", ArgumentKind::preset,
                ValueRule::lowByte, "format of the 2160p60 preset", wrapperOf<setPreset4k60Mode>},
    SettingCode{BRIXEL_CMD_IGNORE_EDID, "setIgnoreEdid", "ignore-edid", ArgumentKind::flag, ValueRule::byteUnchanged,
                "ignore the display's EDID", wrapperOf<setIgnoreEdid>},
    SettingCode{BRIXEL_CMD_RESET, "resetBrixel", "reset", ArgumentKind::none, ValueRule::alwaysOne,
                "restart the device", wrapperOf<resetBrixel>},
    SettingCode{BRIXEL_CMD_HDR_DISABLE, "setHdrDisable", "hdr-disable", ArgumentKind::flag, ValueRule::byteUnchanged,
                "send no HDR InfoFrame", wrapperOf<setHdrDisable>},
    SettingCode{BRIXEL_CMD_HTPC, "setHtpc", "htpc", ArgumentKind::flag, ValueRule::byteUnchanged, "HTPC mode",
                wrapperOf<setHtpc>},
};

static_assert(std::ranges::all_of(settingCodes, [](const SettingCode& row) { return row.wrapper.given(); }),
              "every row calls its exported function");

// The row of a code the library sends; settingCodes.size() when it has none.
constexpr std::size_t settingRow(BRIXEL_CMD code) {
    std::size_t i = 0;
    while (i < settingCodes.size() && settingCodes[i].code != code) ++i;
    return i;
}

// The value rule of a code's wrapper, checked at compile time to exist.
template <BRIXEL_CMD Code>
constexpr ValueRule ruleOf() {
    static_assert(settingRow(Code) < settingCodes.size(), "every wrapper has its row in the code table");
    return settingCodes[settingRow(Code)].rule;
}

// The value byte a row's function sends for an argument whose byte is `argument`.
constexpr uint8_t valueByte(ValueRule rule, uint8_t argument) {
    switch (rule) {
        case ValueRule::oneIfOne: return argument == 1 ? 1 : 0;
        case ValueRule::alwaysOne: return 1;
        case ValueRule::lowByte:
        case ValueRule::byteUnchanged: break;
    }
    return argument;
}

// The HDCP version value the library never sends.
inline constexpr uint8_t refusedHdcpValue = 1;

// A code and value the library refuses before any traffic, whoever asks.
constexpr bool refusedSetting(uint8_t code, uint8_t value) {
    return code == BRIXEL_CMD_HDCP_VERSION && value == refusedHdcpValue;
}

}  // namespace brixel
