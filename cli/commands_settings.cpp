// info, the settings by name, and the raw setting write.

#include <BrixelLibrary.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/context.h"
#include "settings/argument_names.h"
#include "settings/readback_sizes.h"
#include "settings/setting_codes.h"
#include "toolkit/edid_file.h"
#include "toolkit/numbers.h"
#include "toolkit/setting_values.h"

namespace brixel::cli {
namespace {

// A factory reset cannot be undone: on a terminal it is asked about first.
bool resetWanted(const Context& ctx, const std::string& kind) {
    if (ctx.yes || ctx.json || !isatty(STDIN_FILENO)) return true;
    std::fprintf(stderr, "Restore the factory %s of the Brixel? This cannot be undone. [y/N] ",
                 kind == "all" ? "settings and stored EDIDs" : "settings");
    std::fflush(stderr);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

void addSetting(CLI::App& app, Context& ctx, const SettingCode& row) {
    std::string help = std::string(row.summary) + " (code " + std::to_string(row.code) + ")";
    auto* cmd = app.add_subcommand(std::string(row.command), help);
    cmd->group("Settings (one setting code each; `set CODE VALUE` sends any value)");
    auto value = std::make_shared<std::string>();
    if (row.argument != ArgumentKind::none)
        cmd->add_option("value", *value, toolkit::settingChoices(row.argument) + " (any case)")->required();
    cmd->callback([&ctx, &row, value] {
        uint8_t byte = 1;
        if (row.argument != ArgumentKind::none) {
            std::string error;
            const auto parsed = toolkit::parseSettingValue(row, *value, error);
            if (!parsed) throw CLI::ValidationError(error);
            byte = *parsed;
        }
        const auto name = nameOf(row.argument, byte);
        if (row.code == BRIXEL_CMD_FACTORY_RESET && !resetWanted(ctx, std::string(name)))
            throw CLI::ValidationError("factory-reset not confirmed: nothing was sent");
        ctx.command(std::string(row.command), [&] {
            const bool ok = ctx.call([&] { return row.wrapper(byte); });
            ctx.doc.result = {{"code", row.code}, {"value", byte}};
            if (!name.empty()) ctx.doc.result["name"] = name;
            ctx.outcome(std::string(row.command) + " " + (name.empty() ? std::to_string(byte) : std::string(name)), ok);
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
        const auto c = toolkit::parseByte(*code);
        const auto v = toolkit::parseByte(*value);
        if (!c) throw CLI::ValidationError("set: the code is a number 0-255, not '" + *code + "'");
        if (!v) throw CLI::ValidationError("set: the value is a number 0-255, not '" + *value + "'");
        if (const auto refusal = toolkit::settingRefusal(*c, *v))
            throw CLI::ValidationError("set " + *code + " " + *value + ": " + *refusal);
        ctx.command("set", [&] {
            const bool ok = ctx.call([&] { return setBrixelState(static_cast<BRIXEL_CMD>(*c), *v); });
            ctx.doc.result = {{"code", *c}, {"value", *v}};
            ctx.outcome("set " + std::to_string(*c) + " " + std::to_string(*v), ok);
            return ok;
        });
    });
}

// "BRIXEL FW Ver: 1.5" as its two numbers.
nlohmann::json versionNumbers(std::string_view text) {
    const auto space = text.rfind(' ');
    const auto dot = text.rfind('.');
    if (space == std::string_view::npos || dot == std::string_view::npos || dot < space) return nullptr;
    const auto major = toolkit::parseNumber(text.substr(space + 1, dot - space - 1), 255);
    const auto minor = toolkit::parseNumber(text.substr(dot + 1), 255);
    if (!major || !minor) return nullptr;
    return {{"major", *major}, {"minor", *minor}};
}

void addInfo(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("info", "firmware version and the device's state block");
    cmd->callback([&ctx] {
        ctx.command("info", [&] {
            char version[firmwareTextSize] = {};
            unsigned char state[stateBlockSize] = {};
            const bool versionOk = ctx.call([&] { return getFwVersion(version); });
            const bool stateOk = ctx.call([&] { return getBrixelState(state); });
            const std::string text(version, strnlen(version, sizeof version));
            ctx.doc.result = {
                {"firmware", versionOk ? nlohmann::json(text) : nlohmann::json(nullptr)},
                {"version", versionOk ? versionNumbers(text) : nlohmann::json(nullptr)},
                {"stateBlock", stateOk ? nlohmann::json(std::vector<unsigned char>(state, state + stateBlockSize))
                                       : nlohmann::json(nullptr)}};
            if (!ctx.json) {
                std::printf("%s\n", versionOk ? text.c_str() : "firmware version: not read");
                if (stateOk)
                    std::printf("state block (%zu bytes):\n%s", stateBlockSize,
                                toolkit::hexDump(std::span<const uint8_t>(state, stateBlockSize)).c_str());
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
