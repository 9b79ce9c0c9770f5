// SPDX-License-Identifier: MIT
// brixelctl: drives a Brixel (or the built-in simulated one) from the shell.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "cli/completion_values.h"
#include "cli/console.h"
#include "cli/context.h"
#include "cli/manual.h"
#include "cli/suggestions.h"
#include "cli/version.h"
#include "toolkit/simulated_devices.h"

namespace brixel::cli {
namespace {

constexpr const char* description =
    "brixelctl: control a Brixel HDMI signal processor.\n"
    "Use --simulate to try every command against the built-in simulated device.";

std::string footer() {
    return std::string(toolkit::exitStatusText) +
           "\nOptions may stand anywhere on the line; a FILE of - is standard input or output.\n"
           "Example: brixelctl --simulate port 2 && brixelctl --simulate status";
}

// The manual's sections after the commands: exit status, files, examples.
std::string manualEnd() {
    return ".SH EXIT STATUS\n" + std::string(toolkit::exitStatusText) +
           "\n.SH FAULTS\nWith \\-\\-simulate, \\-\\-fault KIND or KIND@N (frame N only, counted from 0) gives "
           "every simulated device a fault, so that a script can try its handling of exit statuses 1 and 3:\n"
           ".nf\n" +
           toolkit::faultKindsText() +
           ".fi\n"
           ".SH FILES\n"
           ".TP\n$XDG_STATE_HOME/brixelctl/simulated\\-device.json\n"
           "The state of the simulated device (under ~/.local/state when XDG_STATE_HOME is unset); "
           "device N of \\-\\-devices keeps its own in simulated\\-device\\-N.json beside it. A run takes "
           "simulated\\-device.json.lock while it loads, changes and saves them.\n"
           ".TP\n$XDG_STATE_HOME/brixelctl/simulated\\-device.unplugged\n"
           "While this file exists the simulated device is unplugged, for every run from its next look at the "
           "state on (simulated\\-device\\-N.unplugged for device N); removed, it is plugged in again.\n"
           ".SH EXAMPLES\n.nf\n"
           "brixelctl \\-\\-simulate \\-\\-fresh status\n"
           "brixelctl \\-\\-simulate port 2 && brixelctl \\-\\-simulate status \\-\\-json\n"
           "brixelctl \\-v \\-\\-simulate port 2\n"
           "brixelctl edid get \\-o \\- | edid\\-decode\n"
           "brixelctl edid derive \\-\\-from sink \\-\\-drop hdr \\-\\-name Lounge \\-\\-write\n"
           "brixelctl \\-\\-simulate \\-\\-fault noReply port 2; echo $?\n"
           ".fi\n"
           ".SH SEE ALSO\nedid\\-decode(1)\n";
}

// "count, string, ...": the simulator's fault kinds.
std::string faultNames() {
    std::string names;
    for (const auto& kind : toolkit::faultKindList()) names += (names.empty() ? "" : ", ") + std::string(kind.name);
    return names;
}

const CLI::App* deepestCommand(const CLI::App& app) {
    const CLI::App* at = &app;
    while (!at->get_subcommands().empty()) at = at->get_subcommands().front();
    return at;
}

std::vector<std::string> commandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App* s) { return !s->get_group().empty(); }))
        names.push_back(sub->get_name());
    return names;
}

std::string joined(const std::vector<std::string>& words, const char* separator) {
    std::string text;
    for (const auto& w : words) text += (text.empty() ? "" : separator) + w;
    return text;
}

// A parse error said plainly: an unknown command is named, with the nearest ones.
std::string usageMessage(const CLI::App& app, const CLI::ParseError& e) {
    const CLI::App* at = deepestCommand(app);
    const std::string where = at == &app ? "brixelctl" : "brixelctl " + commandPath(app);
    const auto names = commandNames(*at);
    if (!names.empty() && (dynamic_cast<const CLI::RequiredError*>(&e) || dynamic_cast<const CLI::ExtrasError*>(&e))) {
        for (const auto& word : app.remaining(true)) {
            if (word.empty() || word[0] == '-') continue;
            std::string text = "'" + word + "' is not a command of " + where;
            const auto near = closestWords(word, names);
            if (!near.empty()) text += "; did you mean " + joined(near, ", ") + "?";
            return text + "\nRun '" + where + " --help' for the commands.";
        }
        // An option the line before any command does not know.
        if (const auto rest = app.remaining(true); !rest.empty() && rest.front().starts_with("-"))
            return "'" + rest.front() + "' is not an option of " + where + "\nRun '" + where +
                   " --help' for the options.";
        if (app.remaining(true).empty())
            return where + " needs a command: " + joined(names, ", ") + "\nRun '" + where + " --help' for more.";
    }
    if (dynamic_cast<const CLI::ValidationError*>(&e)) return e.what();
    return std::string(e.what()) + "\nRun '" + where + " --help' for more.";
}

// Nothing was asked of a device: "confirmed" is null.
int usageError(const CLI::App& app, Context& ctx, const std::string& message, bool json) {
    if (json) {
        toolkit::ResultDocument doc;
        doc.command = commandPath(app);
        doc.error = message;
        ctx.emitJson(doc);
    } else {
        std::fprintf(stderr, "brixelctl: %s\n", message.c_str());
    }
    return exitUsage;
}

void addHelpCommand(CLI::App& app) {
    auto* cmd =
        app.add_subcommand("help", "show the help of brixelctl or of a command, e.g. 'brixelctl help edid set'");
    auto words = std::make_shared<std::vector<std::string>>();
    cmd->add_option("command", *words, "the command and its subcommands");
    cmd->callback([&app, words] {
        const CLI::App* at = &app;
        for (const auto& word : *words) {
            const CLI::App* next = nullptr;
            for (const CLI::App* sub : at->get_subcommands([](const CLI::App*) { return true; }))
                if (sub->check_name(word)) next = sub;
            if (!next) {
                std::string text = "'" + word + "' is not a command";
                const auto near = closestWords(word, commandNames(*at));
                if (!near.empty()) text += "; did you mean " + joined(near, ", ") + "?";
                throw CLI::ValidationError(text);
            }
            at = next;
        }
        // Formatted directly: the root's help() would show the help command's own.
        const std::string path = words->empty() ? "brixelctl" : "brixelctl " + joined(*words, " ");
        std::cout << at->get_formatter()->make_help(at, path, CLI::AppFormatMode::Normal);
        setExitCode(exitConfirmed);
    });
}

bool writeText(const char* path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace
}  // namespace brixel::cli

int main(int systemArgc, char** systemArgv) {
    using namespace brixel::cli;
    console::prepare();
    console::Arguments arguments(systemArgc, systemArgv);
    const int argc = arguments.count();
    char** argv = arguments.values();
    CLI::App app{description};
    // The same options on every system: a word with a slash is a path, not a
    // Windows-style option, which CLI11 takes on Windows by default.
    app.allow_windows_style_options(false);
    // Global options are taken after the command too: `status --watch --json`.
    app.fallthrough();
    app.require_subcommand(1);
    app.set_version_flag("--version", "brixelctl " + std::string(brixel::projectVersion),
                         "print brixelctl's version and exit");
    Context ctx;
    app.add_flag("--simulate", ctx.simulate, "use the built-in simulated device instead of USB hardware");
    app.add_flag("--fresh", ctx.fresh, "with --simulate: start from new simulated devices");
    app.add_option("--state-file", ctx.stateFile, "with --simulate: where the simulated device keeps its state")
        ->type_name("FILE");
    app.add_option("--devices", ctx.devices,
                   "with --simulate: how many simulated devices are attached (0-" +
                       std::to_string(brixel::toolkit::maxSimulatedDevices) +
                       "; device N > 1 keeps its state in the state file's name with -N)")
        ->type_name("N")
        // The help gives the range: the check adds nothing to the value's name.
        ->check(CLI::Range(0u, brixel::toolkit::maxSimulatedDevices).description(""));
    auto* fault = app.add_option("--fault", ctx.faults,
                                 "with --simulate: give the simulated devices a fault, KIND or KIND@N (frame N "
                                 "only, from 0); KIND is one of " +
                                     faultNames())
                      ->type_name("KIND[@N]")
                      ->check([](const std::string& text) { return brixel::toolkit::faultProblem(text); });
    std::vector<std::string> kinds;
    for (const auto& kind : brixel::toolkit::faultKindList()) kinds.emplace_back(kind.name);
    offerValues(fault, kinds);
    app.add_option("--device", ctx.devicePath, "use only the Brixel attached at PATH, as 'brixelctl list' shows it")
        ->type_name("PATH");
    app.add_flag("--json", ctx.json, "print results as one JSON document per command");
    app.add_flag("-q,--quiet", ctx.quiet, "leave out the library's console lines");
    app.add_flag("-v,--verbose", ctx.verbose,
                 "trace every USB call on standard error: arguments, frames in hex, results and timings");
    app.add_flag("-y,--yes", ctx.yes, "ask no questions (factory-reset)");
    app.footer(footer());
    app.parse_complete_callback([&] { ctx.checkOptions(app); });

    addListCommands(app, ctx);
    addSettingCommands(app, ctx);
    addStatusCommands(app, ctx);
    addEdidCommands(app, ctx);
    addInfoFrameCommands(app, ctx);
    addMatrixCommands(app, ctx);
    addDoctorCommands(app, ctx);
    addServeCommands(app, ctx);
    addHelpCommand(app);

    // The build writes the manual and the completion from the definitions above.
    if (argc == 3 && std::strcmp(argv[1], "--write-manual") == 0)
        return writeText(argv[2], manualPage(app, brixel::projectVersion, manualEnd())) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--write-completion") == 0)
        return writeText(argv[2], bashCompletion(app)) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--write-help") == 0) return writeText(argv[2], helpText(app)) ? 0 : 1;

    bool jsonAsked = false;
    for (int i = 1; i < argc; ++i) jsonAsked = jsonAsked || std::strcmp(argv[i], "--json") == 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usageError(app, ctx, usageMessage(app, e), jsonAsked || ctx.json);
    } catch (const LibraryMissing& e) {
        usageError(app, ctx, e.what(), jsonAsked || ctx.json);
        return exitNoDevice;
    } catch (const std::exception& e) {
        return usageError(app, ctx, e.what(), jsonAsked || ctx.json);
    }
    return commandExitCode();
}
