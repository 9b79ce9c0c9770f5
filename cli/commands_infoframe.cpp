// infoframe avi|hdr|hdr-build: custom InfoFrames for the output.

#include <cstdio>
#include <map>
#include <string>

#include "cli/completion_values.h"
#include "cli/context.h"
#include "infoframe/infoframe_bytes.h"
#include "toolkit/hdr_values.h"
#include "toolkit/operations.h"

namespace brixel::cli {
namespace {

using nlohmann::json;

void addAvi(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("avi", "send a custom AVI InfoFrame (2 to 17 bytes) and activate it");
    auto text = std::make_shared<std::string>();
    cmd->add_option("text", *text, "the whole InfoFrame as hex bytes with colons, e.g. 82:02:0D:...")->required();
    cmd->callback([&ctx, text] { ctx.command("infoframe avi", {{"text", *text}}); });
}

void addHdr(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("hdr", "send a custom HDR InfoFrame (2 to 31 bytes) and activate it");
    auto text = std::make_shared<std::string>();
    auto fill = std::make_shared<bool>(false);
    cmd->add_option("text", *text, "the whole InfoFrame as hex bytes with colons, e.g. 87:01:1A:...")->required();
    cmd->add_flag("--fill-checksum", *fill, "let the library compute the checksum (the fourth byte)");
    cmd->callback([&ctx, text, fill] { ctx.command("infoframe hdr", {{"text", *text}, {"fillChecksum", *fill}}); });
}

// The builder's inputs as options, each taken only when given: the
// catalogue holds the defaults.
void addHdrBuild(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "hdr-build", "build an HDR (Dynamic Range and Mastering) InfoFrame from values, print it and send it");
    const json defaults = toolkit::hdrBuildDefaults();
    const auto byDefault = [&](const char* input) {
        const json& value = defaults.at(input);
        return " (" + (value.is_string() ? value.get<std::string>() : value.dump()) + ")";
    };
    auto words = std::make_shared<std::map<std::string, std::string>>();
    auto numbers = std::make_shared<std::map<std::string, double>>();
    auto printOnly = std::make_shared<bool>(false);
    const auto word = [&](const char* input, const std::string& help, std::vector<std::string> values) {
        offerValues(cmd->add_option(optionName(input), (*words)[input], help + byDefault(input)), std::move(values));
    };
    const auto number = [&](const char* input, const std::string& help) {
        cmd->add_option(optionName(input), (*numbers)[input], help + byDefault(input));
    };
    std::vector<std::string> eotfs;
    for (const auto& t : toolkit::transferFunctionNames) eotfs.emplace_back(t.name);
    std::vector<std::string> primaries;
    for (const auto& p : infoframe::primaryPresets) primaries.emplace_back(p.name);
    word("eotf", "transfer function: " + toolkit::transferFunctionChoices(), eotfs);
    word("primaries", "mastering display primaries: " + toolkit::primariesChoices() + " or rx,ry,gx,gy,bx,by",
         primaries);
    word("whitePoint", "white point: d65 or x,y", {std::string(toolkit::whiteD65Name)});
    number("maxLuminance", "mastering display maximum luminance, cd/m2");
    number("minLuminance", "mastering display minimum luminance, cd/m2");
    number("maxCll", "MaxCLL, cd/m2 (0: unknown)");
    number("maxFall", "MaxFALL, cd/m2 (0: unknown)");
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
        };
        view.after = [&ctx, printOnly](Outcome& outcome) {
            if (*printOnly && !ctx.json) std::printf("%s\n", outcome.doc.result.at("text").get<std::string>().c_str());
        };
        ctx.command("infoframe hdr-build", inputs, view);
    });
}

}  // namespace

void addInfoFrameCommands(CLI::App& app, Context& ctx) {
    auto* infoframe = app.add_subcommand("infoframe", "custom AVI and HDR InfoFrames for the output");
    infoframe->require_subcommand(1);
    addAvi(*infoframe, ctx);
    addHdr(*infoframe, ctx);
    addHdrBuild(*infoframe, ctx);
}

}  // namespace brixel::cli
