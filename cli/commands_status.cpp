// SPDX-License-Identifier: MIT
// status: the device's video status report, for people, scripts and a
// watching eye.

#include <BrixelLibrary.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>

#include "cli/console.h"
#include "cli/context.h"
#include "report/status_fields.h"
#include "text/utc_time.h"
#include "toolkit/command_results.h"
#include "toolkit/status_values.h"

namespace brixel::cli {
namespace {

constexpr std::string_view statusHelp =
    "the video status report: input and output formats, colour spaces, pixel clocks, HDR, HDCP,\n"
    "deep colour, source and display names, and the captured InfoFrames with what they mean";

constexpr std::string_view statusFooter =
    "The signal the source sends comes first, in one line read from its InfoFrames; under each\n"
    "InfoFrame's hex line, what the frame means (`brixelctl infoframe decode` gives every field).\n"
    "--plain: the report alone, line for line as the device gives it, for scripts that read it.\n"
    "Lines the device left empty are not shown. Warnings the device marks red are red on a\n"
    "terminal (plain when standard output is not a terminal or NO_COLOR is set).\n"
    "--json: {\"command\": \"status\", \"report\": true|false, \"fields\": {NAME: {\"text\": LINE,\n"
    "  \"value\": LINE WITHOUT ITS LABEL, \"warning\": true|false, ...numbers}, ...}, \"signal\":\n"
    "  {\"hdrFormat\", \"description\"} or null, \"messages\", \"warnings\"} with all twenty fields by name\n"
    "  (input, output, inColorSpace, ... displayName); \"warning\" is true for a line the device marks\n"
    "  red, whose text is given without the markup. The numbers where a line has them: width,\n"
    "  height, interlaced, rate, scaled; colorSpace, range, colorimetry; pixelClockKhz; hdcp (\"1.4\",\n"
    "  \"2.2\" or null); depth, depthUpTo. The InfoFrame lines (vsIfHex1 ... audioIfHex): \"text\"\n"
    "  with its title (\"AVI InfoFrame: 82:02:...\"), \"value\" the hex, \"bytes\", and \"decoded\" as\n"
    "  `infoframe decode --json` gives each frame, without its \"lines\" (null when the line is empty).\n"
    "--watch: a report every --interval seconds (1) until Ctrl-C or --count reports; with --json\n"
    "  one document per line, each with its \"time\". The simulated device's state is read again\n"
    "  for each report and never written.\n"
    "Exit status: 0 when a report was read, 1 when the device gave none (no signal on the\n"
    "active input), 2 for usage errors, 3 when no Brixel was reachable.";

bool useColor() {
    const char* noColor = std::getenv("NO_COLOR");
    return console::takesEscapes(console::Stream::output) && !(noColor && *noColor);
}

void printLine(const std::string& text, bool red) {
    const std::string shown = toolkit::forTerminal(text);
    if (red)
        std::printf("\033[31m%s\033[0m\n", shown.c_str());
    else
        std::printf("%s\n", shown.c_str());
}

// The report's lines in record order; unless plain, the signal first and
// each InfoFrame's meaning and problems under its line.
void printReport(const nlohmann::json& result, bool color, bool plain) {
    const auto& fields = result.at("fields");
    if (const auto& signal = result.at("signal"); !plain && signal.is_object())
        printLine("Signal: " + signal.at("description").get<std::string>(), false);
    for (const auto& field : statusFields) {
        const auto& line = fields.at(std::string(field.name));
        const std::string text = line.at("text").get<std::string>();
        if (text.empty()) continue;
        printLine(text, line.at("warning").get<bool>() && color);
        const auto decoded = line.find("decoded");
        if (plain || decoded == line.end() || !decoded->is_object()) continue;
        printLine("  " + decoded->at("summary").get<std::string>(), false);
        for (const auto& problem : decoded->at("problems"))
            printLine("  problem: " + problem.get<std::string>(), color);
    }
}

// What a report that is not there means.
const char* missingReport(const Outcome& outcome) {
    switch (outcome.reach) {
        case toolkit::Reach::noDevice: return "No Brixel reachable.";
        case toolkit::Reach::silent: return "No video report: the device did not answer.";
        default: return "No video report: the device has no signal to report on the active input.";
    }
}

// `seconds`, in slices, so Ctrl-C is answered at once.
void waitFor(double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!Context::interrupted() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

struct WatchOptions {
    bool plain = false;
    bool watch = false;
    unsigned count = 0;  // 0: until interrupted
    double interval = 1.0;
};

}  // namespace

void addStatusCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("status", std::string(statusHelp));
    cmd->footer(std::string(statusFooter));
    auto o = std::make_shared<WatchOptions>();
    cmd->add_flag("--plain", o->plain,
                  "the report alone, as the device gives it: no signal line, no decoded InfoFrames");
    cmd->add_flag("--watch", o->watch, "a report every --interval seconds until interrupted");
    cmd->add_option("--count", o->count, "with --watch: stop after N reports")
        ->type_name("N")
        ->check([](const std::string& text) -> std::string {
            unsigned n = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
            if (ec != std::errc{} || end != text.data() + text.size() || n == 0)
                return "a number of reports, 1 or more, not '" + text + "'";
            return {};
        });
    cmd->add_option("--interval", o->interval, "with --watch: seconds between reports (1)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.05, 86400.0).description(""));  // no range in the value's name
    cmd->callback([&ctx, o, cmd] {
        if (!o->watch && (cmd->count("--count") > 0 || cmd->count("--interval") > 0))
            throw CLI::ValidationError("status: --count and --interval go with --watch");
        const bool color = useColor();
        const auto show = [&ctx, o, color](const Outcome& outcome) {
            if (ctx.json) return;
            if (o->watch && console::takesEscapes(console::Stream::output)) std::printf("\033[H\033[2J");
            if (o->watch) std::printf("%s\n", text::utcNow(true).c_str());
            if (outcome.confirmed())
                printReport(outcome.doc.result, color, o->plain);
            else
                std::printf("%s%s\n", missingReport(outcome),
                            o->watch && outcome.reach == toolkit::Reach::noDevice
                                ? " Trying again at each refresh (Ctrl-C to stop)."
                                : "");
            std::fflush(stdout);
        };
        if (!o->watch) {
            Context::Show view;
            view.after = [show](Outcome& outcome) { show(outcome); };
            ctx.command("status", nlohmann::json::object(), view);
            return;
        }
        // The simulated device's state is read again for each report and never written.
        ctx.begin(true);
        unsigned reports = 0;
        Outcome last;
        do {
            last = ctx.run("status", nlohmann::json::object());
            ++reports;
            if (last.refused) {
                if (!ctx.json) ctx.note(*last.doc.error);
            } else if (ctx.json) {
                auto doc = ctx.document(last);
                doc.result["time"] = text::utcNow(true);
                if (last.reach == toolkit::Reach::noDevice) doc.error = "no Brixel reachable";
                ctx.emitJson(doc, true);
            } else {
                show(last);
            }
            if (o->count > 0 && reports >= o->count) break;
            waitFor(o->interval);
        } while (!Context::interrupted());
        setExitCode(ctx.end(last.exitCode()));
    });
}

}  // namespace brixel::cli
