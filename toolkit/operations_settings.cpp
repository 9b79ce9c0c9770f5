// SPDX-License-Identifier: MIT
// The settings by name, one operation per row of the setting table, and the
// raw setting write.

#include <array>
#include <string>

#include "settings/argument_names.h"
#include "toolkit/command_results.h"
#include "toolkit/numbers.h"
#include "toolkit/operation_families.h"
#include "toolkit/setting_values.h"

namespace brixel::toolkit::families {
namespace {

constexpr std::array<InputDeclaration, 1> valueInput{{
    {"value", InputKind::word, true, "a name of the setting's values, or its number"},
}};
constexpr std::array<InputDeclaration, 2> rawInputs{{
    {"code", InputKind::word, true, "setting code 0-255 (decimal or 0x hex)"},
    {"value", InputKind::word, true, "value byte 0-255 (decimal or 0x hex)"},
}};

// Installing a built-in EDID is `edid install`, which uploads it first.
constexpr bool byName(const SettingCode& row) { return row.code != BRIXEL_CMD_CUSTOM_EDID; }
constexpr std::size_t namedSettings = static_cast<std::size_t>(
    std::count_if(settingCodes.begin(), settingCodes.end(), [](const SettingCode& row) { return byName(row); }));

Plan setting(const Operation& self, const Inputs& inputs) {
    const SettingCode& row = *self.setting;
    Plan plan;
    uint8_t byte = 1;
    if (row.argument != ArgumentKind::none) {
        // A number is the value itself (an enumeration's); text is a name, or what the tool takes.
        const auto& given = inputs.at("value");
        std::string error;
        std::optional<uint8_t> parsed;
        if (given.is_number_integer() || given.is_number_unsigned())
            parsed = settingValueNumbered(row, given.get<long long>(), error);
        else
            parsed = parseSettingValue(row, wordOf(given), error);
        if (!parsed) return plan.refuse(error);
        byte = *parsed;
    }
    const auto name = nameOf(row.argument, byte);
    plan.subject = std::string(row.command) + " " + (name.empty() ? std::to_string(byte) : std::string(name));
    plan.result = settingResult(row, byte);
    plan.run = [&row, byte](RunContext& run) { return run.call([&] { return row.wrapper(byte); }); };
    return plan;
}

Plan rawSetting(const Operation&, const Inputs& inputs) {
    Plan plan;
    const std::string codeText = wordOf(inputs.at("code"));
    const std::string valueText = wordOf(inputs.at("value"));
    const auto code = parseByte(codeText);
    const auto value = parseByte(valueText);
    if (!code) return plan.refuse("set: the code is a number 0-255, not '" + codeText + "'");
    if (!value) return plan.refuse("set: the value is a number 0-255, not '" + valueText + "'");
    if (const auto refusal = settingRefusal(*code, *value))
        return plan.refuse("set " + codeText + " " + valueText + ": " + *refusal);
    plan.subject = "set " + std::to_string(*code) + " " + std::to_string(*value);
    plan.result = rawSettingResult(*code, *value);
    plan.run = [c = *code, v = *value](RunContext& run) {
        return run.call([&] { return setBrixelState(static_cast<BRIXEL_CMD>(c), v); });
    };
    return plan;
}

std::array<Operation, namedSettings + 1> table() {
    std::array<Operation, namedSettings + 1> ops{};
    std::size_t at = 0;
    for (const auto& row : settingCodes) {
        if (!byName(row)) continue;
        const bool takesValue = row.argument != ArgumentKind::none;
        ops[at++] =
            Operation{row.command,
                      row.summary,
                      takesValue ? std::span<const InputDeclaration>(valueInput) : std::span<const InputDeclaration>(),
                      true,
                      setting,
                      &row};
    }
    ops[at] = Operation{"set", "send any setting code with any value byte", rawInputs, true, rawSetting};
    return ops;
}

}  // namespace

std::span<const Operation> settings() {
    static const auto ops = table();
    return ops;
}

}  // namespace brixel::toolkit::families
