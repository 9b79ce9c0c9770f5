// infoframe avi|hdr|hdr-build: custom InfoFrames for the output.

#include <BrixelLibrary.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/context.h"
#include "infoframe/infoframe_bytes.h"
#include "toolkit/infoframe_text.h"
#include "toolkit/setting_values.h"

namespace brixel::cli {
namespace {

using toolkit::infoFrameText;
using toolkit::infoFrameTextBytes;
using toolkit::infoFrameTextProblems;

// Each problem on a line of its own, indented under the message it follows.
std::string joinedProblems(const std::vector<std::string>& problems) {
    std::string text;
    for (const auto& p : problems) text += "\n  " + p;
    return text;
}

void checkText(const std::string& what, const std::string& text, std::size_t maxBytes) {
    const auto problems = infoFrameTextProblems(text, maxBytes);
    if (!problems.empty())
        throw CLI::ValidationError(what, "the InfoFrame text is not usable:" + joinedProblems(problems));
}

// Sends `text` through `send` in a session and reports the outcome.
void sendText(Context& ctx, const std::string& command, const char* kind, std::string text,
              const std::function<bool(char*)>& send) {
    ctx.command(command, [&] {
        const bool ok = ctx.call([&] { return send(text.data()); });
        ctx.doc.result = {{"text", text}};
        ctx.outcome(std::string(kind) + " InfoFrame " + text, ok);
        return ok;
    });
}

void noteChecksum(Context& ctx, const char* kind, const std::string& text) {
    if (infoframe::checksumHolds(infoFrameTextBytes(text))) return;
    ctx.note(std::string("note: the ") + kind +
             " InfoFrame's bytes do not add up to 0 modulo 256; a display may drop it for its checksum");
}

void addAvi(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("avi", "send a custom AVI InfoFrame (2 to 17 bytes) and activate it");
    auto text = std::make_shared<std::string>();
    cmd->add_option("text", *text, "the whole InfoFrame as hex bytes with colons, e.g. 82:02:0D:...")->required();
    cmd->callback([&ctx, text] {
        checkText("avi", *text, infoframe::aviMaxBytes);
        noteChecksum(ctx, "AVI", *text);
        sendText(ctx, "infoframe avi", "AVI", *text, [](char* t) { return setAviIf(t); });
    });
}

void addHdr(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand("hdr", "send a custom HDR InfoFrame (2 to 31 bytes) and activate it");
    auto text = std::make_shared<std::string>();
    auto fill = std::make_shared<bool>(false);
    cmd->add_option("text", *text, "the whole InfoFrame as hex bytes with colons, e.g. 87:01:1A:...")->required();
    cmd->add_flag("--fill-checksum", *fill, "let the library compute the checksum (the fourth byte)");
    cmd->callback([&ctx, text, fill] {
        checkText("hdr", *text, infoframe::hdrMaxBytes);
        if (!*fill) noteChecksum(ctx, "HDR", *text);
        const bool fillChecksum = *fill;
        sendText(ctx, "infoframe hdr", "HDR", *text, [fillChecksum](char* t) { return setHdrIf(t, fillChecksum); });
    });
}

// "x,y,..." with exactly `count` numbers.
std::vector<double> numberList(const std::string& option, const std::string& text, std::size_t count) {
    std::vector<double> values;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        double v = 0;
        const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + end, v);
        if (start == end || ec != std::errc{} || ptr != text.data() + end)
            throw CLI::ValidationError(option, "'" + text.substr(start, end - start) + "' is not a number");
        values.push_back(v);
        start = end + 1;
    }
    if (values.size() != count)
        throw CLI::ValidationError(option, "expected " + std::to_string(count) + " numbers separated by commas, got " +
                                               std::to_string(values.size()));
    return values;
}

std::string presetNames() {
    std::string names;
    for (const auto& p : infoframe::primaryPresets) names += (names.empty() ? "" : "|") + std::string(p.name);
    return names;
}

struct HdrBuildOptions {
    std::string eotf = "pq";
    std::string primaries = "bt2020";
    std::string white = "d65";
    double maxLuminance = 1000;
    double minLuminance = 0.005;
    double maxCll = 0;
    double maxFall = 0;
    bool printOnly = false;
};

infoframe::HdrMetadata metadataFrom(const HdrBuildOptions& o) {
    using infoframe::TransferFunction;
    infoframe::HdrMetadata m;
    constexpr std::pair<const char*, TransferFunction> eotfs[] = {{"sdr", TransferFunction::sdr},
                                                                  {"hdr", TransferFunction::hdr},
                                                                  {"pq", TransferFunction::pq},
                                                                  {"hlg", TransferFunction::hlg}};
    bool known = false;
    for (const auto& [name, eotf] : eotfs)
        if (toolkit::sameWord(o.eotf, name)) m.eotf = eotf, known = true;
    if (!known) throw CLI::ValidationError("--eotf: expected sdr|hdr|pq|hlg, not '" + o.eotf + "'");

    known = false;
    for (const auto& p : infoframe::primaryPresets)
        if (toolkit::sameWord(o.primaries, p.name)) m.red = p.red, m.green = p.green, m.blue = p.blue, known = true;
    if (!known) {
        if (o.primaries.find(',') == std::string::npos)
            throw CLI::ValidationError(
                "--primaries", "expected " + presetNames() + " or rx,ry,gx,gy,bx,by, not '" + o.primaries + "'");
        const auto v = numberList("--primaries", o.primaries, 6);
        m.red = {v[0], v[1]}, m.green = {v[2], v[3]}, m.blue = {v[4], v[5]};
    }
    if (toolkit::sameWord(o.white, "d65")) {
        m.white = infoframe::whiteD65;
    } else {
        const auto v = numberList("--white-point", o.white, 2);
        m.white = {v[0], v[1]};
    }
    m.maxLuminance = o.maxLuminance;
    m.minLuminance = o.minLuminance;
    m.maxCll = o.maxCll;
    m.maxFall = o.maxFall;
    if (const auto problems = infoframe::hdrMetadataProblems(m); !problems.empty())
        throw CLI::ValidationError("hdr-build: the HDR values do not fit the InfoFrame:" + joinedProblems(problems));
    return m;
}

void addHdrBuild(CLI::App& parent, Context& ctx) {
    auto* cmd = parent.add_subcommand(
        "hdr-build", "build an HDR (Dynamic Range and Mastering) InfoFrame from values, print it and send it");
    auto o = std::make_shared<HdrBuildOptions>();
    cmd->add_option("--eotf", o->eotf, "transfer function: sdr|hdr|pq|hlg")->capture_default_str();
    cmd->add_option("--primaries", o->primaries,
                    "mastering display primaries: " + presetNames() + " or rx,ry,gx,gy,bx,by")
        ->capture_default_str();
    cmd->add_option("--white-point", o->white, "white point: d65 or x,y")->capture_default_str();
    cmd->add_option("--max-luminance", o->maxLuminance, "mastering display maximum luminance, cd/m2")
        ->capture_default_str();
    cmd->add_option("--min-luminance", o->minLuminance, "mastering display minimum luminance, cd/m2")
        ->capture_default_str();
    cmd->add_option("--max-cll", o->maxCll, "MaxCLL, cd/m2 (0: unknown)")->capture_default_str();
    cmd->add_option("--max-fall", o->maxFall, "MaxFALL, cd/m2 (0: unknown)")->capture_default_str();
    cmd->add_flag("--print-only", o->printOnly, "print the InfoFrame text without sending it");
    cmd->callback([&ctx, o] {
        const auto frame = infoframe::buildDrmInfoFrame(metadataFrom(*o));
        const std::string text = infoFrameText(frame);
        if (o->printOnly) {
            // Nothing is sent: no device confirms anything.
            ctx.doc.command = "infoframe hdr-build";
            ctx.doc.result = {{"text", text}, {"sent", false}};
            if (!ctx.json) std::printf("%s\n", text.c_str());
            ctx.finishWithoutDevice();
            return;
        }
        if (!ctx.json) std::printf("sending %s\n", text.c_str());
        sendText(ctx, "infoframe hdr-build", "HDR", text, [](char* t) { return setHdrIf(t, false); });
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
