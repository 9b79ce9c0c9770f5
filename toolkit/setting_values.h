// SPDX-License-Identifier: MIT
#pragma once
// Setting values as people type them: a name of the setting's argument in any
// case (ON, YCbCr420), or one of those names' numbers; anything else is named
// as refused before a device is asked. Pure.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/setting_codes.h"

namespace brixel::toolkit {

// Equality of ASCII words without regard to case.
bool sameWord(std::string_view a, std::string_view b);

// "auto|1.4|2.2": the names an argument takes, "on|off" for a flag; empty for none.
std::string settingChoices(ArgumentKind kind);

// The value byte `text` stands for as the argument of `row`; nullopt with
// `error` saying what the setting takes and how any byte can still be sent.
std::optional<uint8_t> parseSettingValue(const SettingCode& row, std::string_view text, std::string& error);

// The value byte `number` is when it is one of the values the argument of
// `row` names; nullopt with `error` saying which it takes otherwise.
std::optional<uint8_t> settingValueNumbered(const SettingCode& row, long long number, std::string& error);

// Why the library refuses `value` for `code` before any traffic; nullopt
// when it sends it.
std::optional<std::string> settingRefusal(uint8_t code, uint8_t value);

}  // namespace brixel::toolkit
