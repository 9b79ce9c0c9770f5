// SPDX-License-Identifier: MIT
// list: every Brixel attached, where it is, and whether it can be opened.

#include <cstdio>
#include <string>

#include "cli/context.h"

namespace brixel::cli {

void addListCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "list",
        "every attached USBXpress device: where it is (the PATH for --device), whether it is a Brixel, "
        "whether it can be opened and why not. Exit status 3 when no Brixel can be opened.");
    cmd->callback([&ctx] {
        Context::Show view;
        view.after = [&ctx](Outcome& outcome) {
            if (ctx.json) return;
            const auto devices = outcome.doc.result.value("devices", nlohmann::json::array());
            for (const auto& d : devices) {
                const std::string path = d.at("path").get<std::string>();
                std::string line = path.empty() ? "(no path)" : path;
                line += d.at("brixel").get<bool>() ? "  Brixel" : "  not a Brixel";
                line += d.at("serial").is_string() ? " (serial \"" + d.at("serial").get<std::string>() + "\")"
                                                   : " (serial unreadable)";
                line += d.at("opens").get<bool>() ? ", can be opened" : ", cannot be opened";
                for (const auto& why : d.at("why")) line += ": " + why.get<std::string>();
                std::printf("%s\n", line.c_str());
            }
            if (devices.empty()) std::printf("No USBXpress device is attached.\n");
        };
        ctx.command("list", nlohmann::json::object(), view);
    });
}

}  // namespace brixel::cli
