// SPDX-License-Identifier: MIT
#include "toolkit/setting_values.h"

#include <algorithm>

#include "settings/argument_names.h"
#include "toolkit/numbers.h"

namespace brixel::toolkit {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Where the names are numbers themselves (depths 8, 10 ...), a number is read
// as a name only, never as the value byte it would otherwise be.
bool namesAreNumbers(ArgumentKind kind) {
    const auto names = namesFor(kind);
    return std::any_of(names.begin(), names.end(),
                       [](const NamedValue& n) { return parseNumber(n.name, 255).has_value(); });
}

}  // namespace

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string settingChoices(ArgumentKind kind) {
    std::string text;
    for (const auto& n : namesFor(kind)) {
        if (!text.empty()) text += '|';
        text.append(n.name);
    }
    return text;
}

std::optional<uint8_t> parseSettingValue(const SettingCode& row, std::string_view text, std::string& error) {
    const auto names = namesFor(row.argument);
    for (const auto& n : names)
        if (sameWord(n.name, text)) return n.value;
    if (!namesAreNumbers(row.argument))
        if (const auto number = parseByte(text))
            for (const auto& n : names)
                if (n.value == *number) return n.value;
    std::string numbers;
    if (!namesAreNumbers(row.argument))
        for (const auto& n : names) numbers += (numbers.empty() ? " (or " : "|") + std::to_string(n.value);
    if (!numbers.empty()) numbers += ")";
    error = std::string(row.command) + " takes " + settingChoices(row.argument) + numbers + ", not '" +
            std::string(text) + "'; `brixelctl set " + std::to_string(row.code) + " VALUE` sends any value byte 0-255";
    return std::nullopt;
}

std::optional<uint8_t> settingValueNumbered(const SettingCode& row, long long number, std::string& error) {
    std::string values;
    for (const auto& n : namesFor(row.argument)) {
        if (n.value == number) return n.value;
        values += (values.empty() ? "" : "|") + std::to_string(n.value);
    }
    error = std::string(row.command) + " takes the values " + values + " (" + settingChoices(row.argument) + "), not " +
            std::to_string(number) + "; the raw setting `set " + std::to_string(row.code) +
            " VALUE` sends any value byte 0-255";
    return std::nullopt;
}

std::optional<std::string> settingRefusal(uint8_t code, uint8_t value) {
    if (!refusedSetting(code, value)) return std::nullopt;
    const std::size_t row = settingRow(static_cast<BRIXEL_CMD>(code));
    const std::string name = row < settingCodes.size() ? " (" + std::string(settingCodes[row].command) + ")" : "";
    return "the library refuses value " + std::to_string(value) + " for code " + std::to_string(code) + name +
           " and sends nothing";
}

}  // namespace brixel::toolkit
