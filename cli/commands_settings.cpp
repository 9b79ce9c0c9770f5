// SPDX-License-Identifier: MIT
// info, the settings by name, and the raw setting write.

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/completion_values.h"
#include "cli/console.h"
#include "cli/context.h"
#include "settings/argument_names.h"
#include "toolkit/edid_file.h"
#include "toolkit/operations.h"
#include "toolkit/setting_values.h"

namespace brixel::cli {
namespace {

// A factory reset cannot be undone: on a terminal it is asked about first.
bool resetWanted(const Context& ctx, const std::string& value) {
    if (ctx.yes || ctx.json || !console::isTerminal(console::Stream::input)) return true;
    std::fprintf(stderr, "Restore the factory %s of the Brixel? This cannot be undone. [y/N] ",
                 toolkit::sameWord(value, "all") ? "settings and stored EDIDs" : "settings");
    std::fflush(stderr);
    std::string answer;
    std::getline(std::cin, answer);
    // Windows' console ends the line typed with CR LF.
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes";
}

void addSetting(CLI::App& app, Context& ctx, const toolkit::Operation& op) {
    const SettingCode& row = *op.setting;
    std::string help = std::string(row.summary) + " (code " + std::to_string(row.code) + ")";
    auto* cmd = app.add_subcommand(std::string(op.name), help);
    cmd->group("Settings (one setting code each; `set CODE VALUE` sends any value)");
    auto value = std::make_shared<std::string>();
    if (row.argument != ArgumentKind::none) {
        auto* option = cmd->add_option("value", *value, toolkit::settingChoices(row.argument) + " (any case)");
        option->required();
        std::vector<std::string> names;
        for (const auto& n : namesFor(row.argument)) names.emplace_back(n.name);
        offerValues(option, names);
    }
    cmd->callback([&ctx, &op, &row, value] {
        toolkit::Inputs inputs = nlohmann::json::object();
        if (row.argument != ArgumentKind::none) inputs["value"] = *value;
        if (row.code == BRIXEL_CMD_FACTORY_RESET && !resetWanted(ctx, *value))
            throw CLI::ValidationError("factory-reset not confirmed: nothing was sent");
        ctx.command(std::string(op.name), inputs);
    });
}

void addRawSet(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("set", "send any setting code with any value byte");
    auto code = std::make_shared<std::string>();
    auto value = std::make_shared<std::string>();
    cmd->add_option("code", *code, "setting code 0-255 (decimal or 0x hex)")->required();
    cmd->add_option("value", *value, "value byte 0-255 (decimal or 0x hex)")->required();
    cmd->callback([&ctx, code, value] { ctx.command("set", {{"code", *code}, {"value", *value}}); });
}

void addInfo(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("info", "firmware version and the device's state block");
    cmd->callback([&ctx] {
        Context::Show show;
        show.after = [&ctx](Outcome& outcome) {
            if (ctx.json) return;
            const auto& result = outcome.doc.result;
            const auto firmware = result.value("firmware", nlohmann::json());
            const auto state = result.value("stateBlock", nlohmann::json());
            std::printf("%s\n",
                        firmware.is_string() ? firmware.get<std::string>().c_str() : "firmware version: not read");
            if (state.is_array()) {
                const auto bytes = state.get<std::vector<uint8_t>>();
                std::printf("state block (%zu bytes):\n%s", bytes.size(), toolkit::hexDump(bytes).c_str());
            } else {
                std::printf("state block: not read\n");
            }
        };
        ctx.command("info", nlohmann::json::object(), show);
    });
}

}  // namespace

void addSettingCommands(CLI::App& app, Context& ctx) {
    addInfo(app, ctx);
    for (const auto& op : toolkit::operations())
        if (op.setting) addSetting(app, ctx, op);
    addRawSet(app, ctx);
}

}  // namespace brixel::cli
