// brixelctl: drives a Brixel (or the built-in simulated one) from the shell.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/context.h"

int main(int argc, char** argv) {
    using namespace brixel::cli;
    CLI::App app{
        "brixelctl: control a Brixel HDMI signal processor.\n"
        "Use --simulate to try every command against the built-in simulated device."};
    app.require_subcommand(1);
    Context ctx;
    app.add_flag("--simulate", ctx.simulate, "use the built-in simulated device instead of USB hardware");
    app.add_flag("--fresh", ctx.fresh, "with --simulate: start from a new simulated device");
    app.add_option("--state-file", ctx.stateFile, "with --simulate: where the simulated device keeps its state");
    app.add_flag("--json", ctx.json, "print results as JSON");
    app.footer(
        "Exit status: 0 when the device confirmed, 1 when it did not, 2 for usage errors.\n"
        "Example: brixelctl --simulate port 2 && brixelctl --simulate status");

    addSettingCommands(app, ctx);
    addStatusCommands(app, ctx);
    addEdidCommands(app, ctx);
    addInfoFrameCommands(app, ctx);
    addMatrixCommands(app, ctx);
    addDoctorCommands(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brixelctl: %s\n", e.what());
        return exitUsage;
    }
    return commandExitCode();
}
