// status: the device's video status report, for people, scripts and a
// watching eye.

#include <BrixelLibrary.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "cli/context.h"
#include "report/status_fields.h"
#include "text/utf8.h"

namespace brixel::cli {
namespace {

constexpr std::string_view statusHelp =
    "the video status report: input and output formats, colour spaces, pixel clocks, HDR, HDCP,\n"
    "deep colour, source and display names and the captured InfoFrames";

constexpr std::string_view statusFooter =
    "Lines the device left empty are not shown. Warnings the device marks red are red on a\n"
    "terminal (plain when standard output is not a terminal or NO_COLOR is set).\n"
    "--json: {\"report\": true|false, \"fields\": {NAME: {\"text\": TEXT, \"warning\": true|false}, ...}}\n"
    "  with all twenty fields by name (input, output, inColorSpace, ... displayName); \"warning\" is\n"
    "  true for a line the device marks red, whose text is given without the markup.\n"
    "--watch: refreshes every second until Ctrl-C; with --json one such document per line.\n"
    "Exit status: 0 when a report was read, 1 when the device gave none (no signal on the\n"
    "active input, or no device), 2 for usage errors.";

struct Line {
    std::string text;  // without the warning markup, as the record holds it
    bool warning = false;
};

Line lineOf(const VIDEO_STATUS& status, const StatusField& field) {
    const char* raw = status.*field.text;
    std::string_view text(raw, strnlen(raw, sizeof(status.*field.text)));
    Line line;
    if (text.starts_with(warningOpen) && text.ends_with(warningClose)) {
        text.remove_prefix(warningOpen.size());
        text.remove_suffix(warningClose.size());
        line.warning = true;
    }
    line.text = text;
    return line;
}

// Name bytes come from the source and the display: Latin-1 as UTF-8, and no
// control byte reaches the terminal.
std::string forTerminal(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 0x20 && c < 0x7F) || c >= 0xA0)
            text::appendUtf8(out, c);
        else
            out += '?';
    }
    return out;
}

std::string forJson(std::string_view text) {
    std::string out;
    for (unsigned char c : text) text::appendUtf8(out, c);
    return out;
}

// With the gate closed the first field keeps its bare label.
bool reportWasRead(const VIDEO_STATUS& status) {
    return std::string_view(status.input, strnlen(status.input, 120)) != "Input :";
}

bool useColor() {
    const char* noColor = std::getenv("NO_COLOR");
    return isatty(STDOUT_FILENO) && !(noColor && *noColor);
}

void printReport(const VIDEO_STATUS& status, bool read, bool color) {
    if (!read) {
        std::printf("No video report: the device has no signal to report on the active input.\n");
        return;
    }
    for (const auto& field : statusFields) {
        const Line line = lineOf(status, field);
        if (line.text.empty()) continue;
        const std::string text = std::string(field.title) + forTerminal(line.text);
        if (line.warning && color)
            std::printf("\033[31m%s\033[0m\n", text.c_str());
        else
            std::printf("%s\n", text.c_str());
    }
}

nlohmann::json reportJson(const VIDEO_STATUS& status, bool read) {
    nlohmann::json fields = nlohmann::json::object();
    for (const auto& field : statusFields) {
        const Line line = lineOf(status, field);
        fields[std::string(field.name)] = {{"text", forJson(line.text)}, {"warning", line.warning}};
    }
    return {{"report", read}, {"fields", fields}};
}

// A second, in slices, so Ctrl-C is answered at once.
void waitASecond() {
    using namespace std::chrono_literals;
    for (int i = 0; i < 20 && !Context::interrupted(); ++i) std::this_thread::sleep_for(50ms);
}

}  // namespace

void addStatusCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("status", std::string(statusHelp));
    cmd->footer(std::string(statusFooter));
    auto watch = std::make_shared<bool>(false);
    cmd->add_flag("--watch", *watch, "refresh every second until interrupted");
    cmd->callback([&ctx, watch] {
        const bool color = useColor();
        const int exit = ctx.session([&] {
            bool read = false;
            do {
                VIDEO_STATUS status{};
                ctx.call([&] { return getVideoFormat(&status); });
                read = reportWasRead(status);
                if (ctx.json) {
                    ctx.result = reportJson(status, read);
                    if (*watch) {
                        ctx.result["messages"] = ctx.consoleLines;
                        ctx.result["warnings"] = ctx.warnings;
                        std::printf("%s\n", ctx.result.dump().c_str());
                    }
                } else {
                    if (*watch && isatty(STDOUT_FILENO)) std::printf("\033[H\033[2J");
                    printReport(status, read, color);
                }
                std::fflush(stdout);
                if (!*watch) break;
                ctx.consoleLines.clear();
                ctx.warnings.clear();
                waitASecond();
            } while (!Context::interrupted());
            return read;
        });
        if (!*watch) ctx.emitJson(exit == exitConfirmed);
        setExitCode(exit);
    });
}

}  // namespace brixel::cli
