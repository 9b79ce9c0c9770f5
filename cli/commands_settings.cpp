// info, the settings by name, and the raw setting write.

#include <BrixelLibrary.h>

#include <cstdio>
#include <string>

#include "cli/context.h"
#include "cli/edid_file.h"
#include "cli/parse.h"
#include "settings/argument_names.h"
#include "settings/readback_sizes.h"
#include "settings/setting_codes.h"

namespace brixel::cli {
namespace {

std::string choices(ArgumentKind kind) {
    std::string text;
    for (const auto& n : namesFor(kind)) {
        if (!text.empty()) text += '|';
        text.append(n.name);
    }
    return text;
}

uint8_t parseArgument(const SettingCode& row, const std::string& text) {
    if (auto named = valueNamed(row.argument, text)) return *named;
    if (auto number = parseByte(text)) {
        if (row.argument == ArgumentKind::flag && *number > 1)
            throw CLI::ValidationError(std::string(row.command), "expected on or off, not '" + text + "'");
        return *number;
    }
    throw CLI::ValidationError(std::string(row.command),
                               "expected " + choices(row.argument) + " or a number 0-255, not '" + text + "'");
}

void addSetting(CLI::App& app, Context& ctx, const SettingCode& row) {
    std::string help = std::string(row.summary) + " (code " + std::to_string(row.code) + ")";
    auto* cmd = app.add_subcommand(std::string(row.command), help);
    cmd->group("Settings (one setting code each; see also `set`)");
    auto value = std::make_shared<std::string>();
    if (row.argument != ArgumentKind::none)
        cmd->add_option("value", *value,
                        choices(row.argument).empty() ? "value 0-255" : choices(row.argument) + " or 0-255")
            ->required();
    cmd->callback([&ctx, &row, value] {
        const uint8_t byte = row.argument == ArgumentKind::none ? 1 : parseArgument(row, *value);
        if (row.code == BRIXEL_CMD_HDCP_VERSION && byte == refusedHdcpValue)
            throw CLI::ValidationError("hdcp", "value 1 is not a valid HDCP setting; use " + choices(row.argument));
        ctx.command([&] {
            const bool ok = ctx.call([&] { return row.wrapper(byte); });
            ctx.result = {{"command", row.command}, {"code", row.code}, {"value", byte}};
            if (!ctx.json) {
                const auto name = nameOf(row.argument, byte);
                std::printf("%s %s: %s\n", std::string(row.command).c_str(),
                            name.empty() ? std::to_string(byte).c_str() : std::string(name).c_str(),
                            ok ? "confirmed by the device" : "NOT confirmed by the device");
            }
            return ok;
        });
    });
}

void addRawSet(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("set", "send any setting code with any value byte");
    auto code = std::make_shared<std::string>();
    auto value = std::make_shared<std::string>();
    cmd->add_option("code", *code, "setting code 0-255 (decimal or 0x hex)")->required();
    cmd->add_option("value", *value, "value byte 0-255 (decimal or 0x hex)")->required();
    cmd->callback([&ctx, code, value] {
        const auto c = parseByte(*code);
        const auto v = parseByte(*value);
        if (!c) throw CLI::ValidationError("code", "expected a number 0-255, not '" + *code + "'");
        if (!v) throw CLI::ValidationError("value", "expected a number 0-255, not '" + *value + "'");
        ctx.command([&] {
            const bool ok = ctx.call([&] { return setBrixelState(static_cast<BRIXEL_CMD>(*c), *v); });
            ctx.result = {{"command", "set"}, {"code", *c}, {"value", *v}};
            if (!ctx.json)
                std::printf("set %u %u: %s\n", *c, *v, ok ? "confirmed by the device" : "NOT confirmed by the device");
            return ok;
        });
    });
}

void addInfo(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("info", "firmware version and the device's state block");
    cmd->callback([&ctx] {
        ctx.command([&] {
            char version[firmwareTextSize] = {};
            unsigned char state[stateBlockSize] = {};
            const bool versionOk = ctx.call([&] { return getFwVersion(version); });
            const bool stateOk = ctx.call([&] { return getBrixelState(state); });
            const std::string hex = hexDump(std::span<const uint8_t>(state, stateBlockSize));
            ctx.result = {
                {"firmware", versionOk ? nlohmann::json(version) : nlohmann::json(nullptr)},
                {"stateBlock", stateOk ? nlohmann::json(std::vector<unsigned char>(state, state + stateBlockSize))
                                       : nlohmann::json(nullptr)}};
            if (!ctx.json) {
                std::printf("%s\n", versionOk ? version : "firmware version: not read");
                if (stateOk)
                    std::printf("state block (%zu bytes):\n%s", stateBlockSize, hex.c_str());
                else
                    std::printf("state block: not read\n");
            }
            return versionOk && stateOk;
        });
    });
}

}  // namespace

void addSettingCommands(CLI::App& app, Context& ctx) {
    addInfo(app, ctx);
    for (const auto& row : settingCodes) {
        // Installing a built-in EDID is `edid install`, which uploads it first.
        if (row.code == BRIXEL_CMD_CUSTOM_EDID) continue;
        addSetting(app, ctx, row);
    }
    addRawSet(app, ctx);
}

}  // namespace brixel::cli
