// edid get|sink|set|install|list|export: the device's and the display's EDIDs,
// custom EDID files, and the built-in catalogue.

#include <BrixelLibrary.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/edid_decode.h"
#include "edid/catalogue.h"
#include "toolkit/edid_file.h"
#include "toolkit/files.h"
#include "toolkit/numbers.h"
#include "toolkit/setting_values.h"

namespace brixel::cli {
namespace {

using toolkit::hexDump;

// ---- Progress of an EDID write ------------------------------------------------

// Runs `write` with a progress line on a terminal: the tool's host sees each
// wait the library makes after an EDID frame.
bool withProgress(Context& ctx, const std::function<bool()>& write) {
    if (ctx.json || !isatty(STDERR_FILENO)) return write();
    constexpr std::size_t total = edid::edidWriteFrames;
    std::size_t frames = 0;
    const bool ok = ctx.watchingWaits(
        [&] {
            ++frames;
            if (frames < total)
                std::fprintf(stderr, "\rwriting EDID: %zu/%zu frames", frames, total);
            else if (frames == total)
                std::fprintf(stderr, "\r\033[K");  // done: the library's own line follows
            std::fflush(stderr);
        },
        write);
    if (frames > 0 && frames < total) std::fprintf(stderr, "\r\033[K");
    return ok;
}

// ---- Files and the decoder --------------------------------------------------------

constexpr const char* decoderHint =
    "edid-decode is not installed; on Debian or Ubuntu: sudo apt-get install edid-decode";

std::string asBinary(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// An output named on the command line, ready before the device is asked.
std::optional<toolkit::OutputFile> prepareOutput(const std::string& path, const char* option) {
    if (path.empty()) return std::nullopt;
    std::string error;
    auto out = toolkit::OutputFile::prepare(path, error);
    if (!out) throw CLI::ValidationError(std::string(option) + ": " + error);
    return out;
}

void writeOutput(Context& ctx, toolkit::OutputFile& out, const std::string& content, const std::string& what) {
    std::string error;
    if (!out.write(content, error)) throw CLI::ValidationError(error);
    ctx.doc.result["file"] = out.path();
    if (!ctx.json && !out.isStandardOutput())
        std::fprintf(stderr, "%s written to %s (%zu bytes)\n", what.c_str(), out.path().c_str(), content.size());
}

// Shows an EDID: decoded when asked and possible, else as hex; on standard
// error when standard output carries the EDID itself.
void show(Context& ctx, std::span<const uint8_t> edid, bool decoded, bool toStderr) {
    std::FILE* stream = toStderr ? stderr : stdout;
    if (ctx.json) {
        ctx.doc.result["edid"] = hexDump(edid);
        if (decoded) {
            const auto text = runEdidDecode(edid);
            ctx.doc.result["decoded"] = text ? nlohmann::json(*text) : nlohmann::json(nullptr);
        }
        return;
    }
    if (decoded) {
        if (const auto text = runEdidDecode(edid)) {
            std::fputs(text->c_str(), stream);
            return;
        }
        std::fprintf(stderr, "brixelctl: %s\n", decoderHint);
    }
    std::fputs(hexDump(edid).c_str(), stream);
}

// edid-decode's verdict on `edid`; true when it conforms.
bool check(Context& ctx, std::span<const uint8_t> edid) {
    const auto run = runEdidDecodeFor(edid, {"--check"});
    const bool passed = run && run->exitStatus == 0;
    if (ctx.json)
        ctx.doc.result["check"] = {{"passed", passed}, {"output", run ? run->output : ""}};
    else if (run)
        std::fputs(run->output.c_str(), stdout);
    return passed;
}

// A built-in entry by number 2-25 or by its readable name, in any case.
const edid::CatalogueRow& rowFromArgument(const std::string& text) {
    for (const auto& row : edid::catalogue)
        if (toolkit::sameWord(row.name, text)) return row;
    if (const auto number = toolkit::parseNumber(text, 255))
        if (const auto* row = edid::rowFor(static_cast<int>(*number))) return *row;
    throw CLI::ValidationError("VALUE",
                               "'" + text + "' names no built-in EDID: give 2-25 or a name from 'brixelctl edid list'");
}

// ---- Commands ---------------------------------------------------------------------

struct ReadOptions {
    std::string file;
    bool decoded = false;
    bool checked = false;
};

void addRead(CLI::App& edidApp, Context& ctx, const char* name, const char* help, bool (*read)(unsigned char*),
             const char* what) {
    auto* cmd = edidApp.add_subcommand(name, help);
    auto o = std::make_shared<ReadOptions>();
    cmd->add_option("-o,--output", o->file, "write the 256 bytes to FILE as raw binary (- for standard output)")
        ->type_name("FILE");
    cmd->add_flag("--decode", o->decoded, "show it through edid-decode");
    cmd->add_flag("--check", o->checked, "check it with edid-decode --check: exit status 1 when it does not conform");
    cmd->callback([&ctx, o, read, what, name] {
        if (o->checked && !edidDecodeInstalled()) throw CLI::ValidationError(decoderHint);
        // Checked before the device is asked, so that a name that cannot be written costs no exchange.
        auto out = prepareOutput(o->file, "--output");
        ctx.command(std::string("edid ") + name, [&] {
            std::array<unsigned char, edid::edidSize> bytes{};
            const bool ok = ctx.call([&] { return read(bytes.data()); });
            if (!ok) {
                if (!ctx.json) std::fprintf(stderr, "brixelctl: the %s was not read\n", what);
                return false;
            }
            const bool toStdout = out && out->isStandardOutput();
            if (out) writeOutput(ctx, *out, asBinary(bytes), what);
            if (!out || o->decoded)
                show(ctx, bytes, o->decoded, toStdout);
            else if (ctx.json)
                ctx.doc.result["edid"] = hexDump(bytes);
            return o->checked ? check(ctx, bytes) : true;
        });
    });
}

struct SetOptions {
    std::string file;
    bool force = false;
    bool fixChecksums = false;
};

void addSet(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand(
        "set",
        "write an EDID file to the device: raw binary or any common hex form (hex dumps, edid-decode's "
        "output, C arrays, hexdump -C, xxd); 128 bytes without extension are padded to 256");
    auto o = std::make_shared<SetOptions>();
    cmd->add_option("FILE", o->file, "the EDID file, - for standard input")->required();
    cmd->add_flag("--force", o->force, "write it even when the header or a checksum is wrong");
    cmd->add_flag("--fix-checksums", o->fixChecksums, "set both blocks' checksum bytes to what they must be");
    cmd->callback([&ctx, o] {
        const std::string& file = o->file;
        const std::string name = file == toolkit::standardStream ? "standard input" : file;
        std::string error;
        const auto content = toolkit::readInput(file, toolkit::edidFileLimit, error);
        if (!content) throw CLI::ValidationError(error);
        const auto read = toolkit::readEdidBytes(*content, error);
        if (!read) throw CLI::ValidationError(name + ": " + error);
        std::vector<std::string> notes;
        auto bytes = toolkit::edidForDevice(*read, notes, error);
        if (!bytes) throw CLI::ValidationError(name + ": " + error);
        if (o->fixChecksums)
            for (auto& fixed : toolkit::fixEdidChecksums(*bytes)) notes.push_back(std::move(fixed));
        for (const auto& note : notes) ctx.note(name + ": " + note);
        const auto problems = toolkit::edidProblems(*bytes);
        for (const auto& problem : problems) ctx.note(name + ": " + problem);
        if (!problems.empty() && !o->force)
            throw CLI::ValidationError(name + ": " + std::to_string(problems.size()) +
                                       " problem(s), nothing written; --force writes it as it is");
        ctx.command("edid set", [&] {
            const bool ok = withProgress(ctx, [&] { return ctx.call([&] { return setCustomEdid(bytes->data()); }); });
            ctx.doc.result = {{"file", file}, {"form", read->form}, {"problems", problems}, {"notes", notes}};
            ctx.outcome("EDID from " + name, ok, "written and confirmed by the device");
            return ok;
        });
    });
}

void addInstall(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("install", "write a built-in EDID to the device and select it");
    auto value = std::make_shared<std::string>();
    cmd->add_option("VALUE", *value, "2-25 or a name from 'edid list'")->required();
    cmd->callback([&ctx, value] {
        const auto& row = rowFromArgument(*value);
        ctx.command("edid install", [&] {
            const bool ok = withProgress(ctx, [&] { return ctx.call([&] { return changeCustomEdid(row.value); }); });
            ctx.doc.result = {{"value", row.value}, {"name", row.name}};
            ctx.outcome("built-in EDID " + std::to_string(row.value) + " (" + std::string(row.name) + ")", ok,
                        "installed and selected, confirmed by the device");
            return ok;
        });
    });
}

void addList(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("list", "the built-in EDIDs (no device needed)");
    cmd->callback([&ctx] {
        nlohmann::json entries = nlohmann::json::array();
        for (const auto& row : edid::catalogue) {
            entries.push_back(
                {{"value", row.value}, {"slot", row.slot}, {"name", row.name}, {"description", row.description}});
            if (!ctx.json)
                std::printf("%2d  %-24s %s\n", row.value, std::string(row.name).c_str(),
                            std::string(row.description).c_str());
        }
        ctx.doc.command = "edid list";
        ctx.doc.result = {{"entries", entries}};
        ctx.finishWithoutDevice();
    });
}

struct ExportOptions {
    std::string value;
    std::string file;
    bool hex = false;
    bool decoded = false;
};

void addExport(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("export", "write a built-in EDID to a file (no device needed)");
    auto o = std::make_shared<ExportOptions>();
    cmd->add_option("VALUE", o->value, "2-25 or a name from 'edid list'")->required();
    cmd->add_option("FILE", o->file, "where to write it (raw binary unless --hex; - for standard output)")->required();
    cmd->add_flag("--hex", o->hex, "write a hex dump instead of raw bytes");
    cmd->add_flag("--decode", o->decoded, "also show it through edid-decode");
    cmd->callback([&ctx, o] {
        const auto& row = rowFromArgument(o->value);
        const auto& bytes = *edid::builtInEdidFor(row.value);
        auto out = prepareOutput(o->file, "FILE");
        ctx.doc.command = "edid export";
        ctx.doc.result = {{"value", row.value}, {"name", row.name}};
        writeOutput(ctx, *out, o->hex ? hexDump(bytes) : asBinary(bytes),
                    "built-in EDID " + std::to_string(row.value) + " (" + std::string(row.name) + ")");
        if (o->decoded) show(ctx, bytes, true, out->isStandardOutput());
        ctx.finishWithoutDevice();
    });
}

}  // namespace

void addEdidCommands(CLI::App& app, Context& ctx) {
    auto* edidApp = app.add_subcommand("edid", "the device's and the display's EDIDs, custom and built-in EDIDs");
    edidApp->require_subcommand(1);
    addRead(*edidApp, ctx, "get", "read the EDID the device shows its sources", getEdid, "device EDID");
    addRead(*edidApp, ctx, "sink", "read the display's EDID as the device holds it", getSinkEdid, "display EDID");
    addSet(*edidApp, ctx);
    addInstall(*edidApp, ctx);
    addList(*edidApp, ctx);
    addExport(*edidApp, ctx);
}

}  // namespace brixel::cli
