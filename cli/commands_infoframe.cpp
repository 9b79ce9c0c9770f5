// SPDX-License-Identifier: MIT
// infoframe avi|hdr|hdr-build: custom InfoFrames for the output, and what
// they mean; infoframe decode: what any InfoFrame means.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli/completion_values.h"
#include "cli/context.h"
#include "infoframe/infoframe_bytes.h"
#include "toolkit/files.h"
#include "toolkit/hdr_values.h"
#include "toolkit/infoframe_input.h"
#include "toolkit/operations.h"
#include "toolkit/status_values.h"

namespace brixel::cli {
namespace {

using nlohmann::json;

// A decoded frame as people read it: its summary, header and fields, and
// its problems unless they were said already (as notes).
void printDecoded(const json& decoded, bool withProblems) {
    const auto& lines = decoded.at("lines");
    const std::size_t shown = lines.size() - (withProblems ? 0 : decoded.at("problems").size());
    for (std::size_t k = 0; k < shown; ++k)
        std::printf("%s\n", toolkit::forTerminal(lines[k].get<std::string>()).c_str());
}

// What the frame about to be sent means.
void printSending(const Outcome& outcome) {
    if (const auto decoded = outcome.doc.result.find("decoded"); decoded != outcome.doc.result.end())
        printDecoded(*decoded, false);
}

void addAvi(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("avi", "send a custom AVI InfoFrame (2 to 17 bytes) and activate it");
    auto text = std::make_shared<std::string>();
    cmd->add_option("text", *text, "the whole InfoFrame as hex bytes with colons, e.g. 82:02:0D:...")->required();
    cmd->callback([&ctx, text] {
        Context::Show view;
        view.beforeSending = printSending;
        ctx.command("infoframe avi", {{"text", *text}}, view);
    });
}

void addHdr(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("hdr", "send a custom HDR InfoFrame (2 to 31 bytes) and activate it");
    auto text = std::make_shared<std::string>();
    auto fill = std::make_shared<bool>(false);
    cmd->add_option("text", *text, "the whole InfoFrame as hex bytes with colons, e.g. 87:01:1A:...")->required();
    cmd->add_flag("--fill-checksum", *fill, "let the library compute the checksum (the fourth byte)");
    cmd->callback([&ctx, text, fill] {
        Context::Show view;
        view.beforeSending = printSending;
        ctx.command("infoframe hdr", {{"text", *text}, {"fillChecksum", *fill}}, view);
    });
}

// The builder's inputs as options, each taken only when given: the
// catalogue holds the defaults.
void addHdrBuild(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "hdr-build", "build an HDR (Dynamic Range and Mastering) InfoFrame from values, print it and send it");
    const json defaults = toolkit::hdrBuildDefaults();
    const auto byDefault = [&](const char* input) {
        const json& value = defaults.at(input);
        if (value.is_string()) return " (" + value.get<std::string>() + ")";
        char number[32];
        std::snprintf(number, sizeof number, "%g", value.get<double>());  // 1000, not 1000.0
        return " (" + std::string(number) + ")";
    };
    auto words = std::make_shared<std::map<std::string, std::string>>();
    auto numbers = std::make_shared<std::map<std::string, double>>();
    auto printOnly = std::make_shared<bool>(false);
    const auto word = [&](const char* input, const char* value, const std::string& help,
                          std::vector<std::string> values) {
        offerValues(cmd->add_option(optionName(input), (*words)[input], help + byDefault(input))->type_name(value),
                    std::move(values));
    };
    const auto luminance = [&](const char* input, const std::string& help) {
        cmd->add_option(optionName(input), (*numbers)[input], help + byDefault(input))->type_name("CD/M2");
    };
    std::vector<std::string> eotfs;
    for (const auto& t : toolkit::transferFunctionNames) eotfs.emplace_back(t.name);
    std::vector<std::string> primaries;
    for (const auto& p : infoframe::primaryPresets) primaries.emplace_back(p.name);
    word("eotf", "NAME", "transfer function: " + toolkit::transferFunctionChoices(), eotfs);
    word("primaries", "NAME|COORDINATES",
         "mastering display primaries: " + toolkit::primariesChoices() + " or rx,ry,gx,gy,bx,by", primaries);
    word("whitePoint", "NAME|X,Y", "white point: d65 or x,y", {std::string(toolkit::whiteD65Name)});
    luminance("maxLuminance", "mastering display maximum luminance");
    luminance("minLuminance", "mastering display minimum luminance");
    luminance("maxCll", "MaxCLL, 0 when unknown");
    luminance("maxFall", "MaxFALL, 0 when unknown");
    cmd->add_flag("--print-only", *printOnly, "print the InfoFrame text without sending it");
    cmd->callback([&ctx, cmd, words, numbers, printOnly] {
        json inputs = {{"send", !*printOnly}};
        for (const auto& [input, value] : *words)
            if (cmd->count(optionName(input)) > 0) inputs[input] = value;
        for (const auto& [input, value] : *numbers)
            if (cmd->count(optionName(input)) > 0) inputs[input] = value;
        Context::Show view;
        view.beforeSending = [](const Outcome& outcome) {
            std::printf("sending %s\n", outcome.doc.result.at("text").get<std::string>().c_str());
            printSending(outcome);
        };
        view.after = [&ctx, printOnly](Outcome& outcome) {
            if (*printOnly && !ctx.json) std::printf("%s\n", outcome.doc.result.at("text").get<std::string>().c_str());
        };
        ctx.command("infoframe hdr-build", inputs, view);
    });
}

constexpr std::string_view decodeFooter =
    "Each FRAME is hex as the status report prints it (87:01:1a:...), hex with spaces (quoted, or\n"
    "as many arguments of two digits: one frame), or a file holding the frame as raw binary (as the\n"
    "kernel's debugfs InfoFrame files and edid-decode's -I input hold it) or as hex; - or nothing\n"
    "reads standard input. The whole frame: type, version, length, checksum and payload.\n"
    "For each frame: what it means in one line, its header, every field with its code, and the\n"
    "problems found (a wrong checksum, a length or version unknown for the type, reserved bits\n"
    "set, values that contradict each other).\n"
    "--json: {\"command\": \"infoframe decode\", \"confirmed\": null, \"frames\": [{\"type\", \"typeCode\",\n"
    "  \"version\", \"length\", \"checksum\": {\"value\", \"valid\"}, \"summary\", \"problems\", \"fields\":\n"
    "  {NAME: VALUE, coded ones as {\"code\", \"name\"}}, \"lines\"}, ...]}.\n"
    "Exit status: 0 when every frame decoded without a problem, 1 when a frame has one, 2 for\n"
    "input that is no InfoFrame (nothing is decoded then).";

// Two hex digits: one byte of a frame written with spaces and not quoted.
bool isHexByte(const std::string& word) {
    return word.size() == 2 && std::isxdigit(static_cast<unsigned char>(word[0])) &&
           std::isxdigit(static_cast<unsigned char>(word[1]));
}

// Each argument as the frame it gives: a file's content, standard input's,
// or the text itself (hex has no dot or slash: a name with one is a file's).
json framesOf(std::vector<std::string> given) {
    if (given.empty()) given.emplace_back(toolkit::standardStream);
    if (given.size() > 1 && std::all_of(given.begin(), given.end(), isHexByte)) {
        std::string joined;
        for (const auto& word : given) joined += (joined.empty() ? "" : " ") + word;
        return json::array({joined});
    }
    json frames = json::array();
    for (const auto& argument : given) {
        std::error_code ec;
        // A file by its UTF-8 name (Windows' wide API included), or anything
        // with a path's marks; else the frame's text itself.
        if (argument != toolkit::standardStream && !std::filesystem::exists(toolkit::utf8Path(argument), ec) &&
            argument.find_first_of("./\\") == std::string::npos) {
            frames.push_back(argument);
            continue;
        }
        std::string error;
        const auto content = toolkit::readInput(argument, toolkit::infoFrameFileLimit, error);
        if (!content) throw CLI::ValidationError(error);
        frames.push_back(*content);
    }
    return frames;
}

void addDecode(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "decode", "what InfoFrames mean: every field, a summary and the problems found (no device needed)");
    cmd->footer(std::string(decodeFooter));
    auto given = std::make_shared<std::vector<std::string>>();
    cmd->add_option("FRAME|FILE", *given, "an InfoFrame as hex, a file holding one, or - for standard input");
    cmd->callback([&ctx, given] {
        Context::Show view;
        view.after = [&ctx](Outcome& outcome) {
            if (ctx.json) return;
            const auto& frames = outcome.doc.result.at("frames");
            for (std::size_t k = 0; k < frames.size(); ++k) {
                if (k > 0) std::printf("\n");
                printDecoded(frames[k], true);
            }
        };
        ctx.command("infoframe decode", {{"frames", framesOf(*given)}}, view);
    });
}

}  // namespace

void addInfoFrameCommands(CLI::App& app, Context& ctx) {
    auto* infoframe =
        app.add_subcommand("infoframe", "custom AVI and HDR InfoFrames for the output, and what InfoFrames mean");
    infoframe->require_subcommand(1);
    addAvi(*infoframe, ctx);
    addHdr(*infoframe, ctx);
    addHdrBuild(*infoframe, ctx);
    addDecode(*infoframe, ctx);
}

}  // namespace brixel::cli
