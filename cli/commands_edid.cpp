// edid get|sink|set|install|list|export: the device's and the display's EDIDs,
// custom EDID files, and the built-in catalogue.

#include <BrixelLibrary.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/edid_decode.h"
#include "cli/edid_file.h"
#include "cli/files.h"
#include "cli/parse.h"
#include "edid/catalogue.h"

namespace brixel::cli {
namespace {

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

// Shows an EDID: decoded when asked and possible, else as hex.
void show(Context& ctx, std::span<const uint8_t> edid, bool decoded) {
    if (ctx.json) {
        ctx.result["edid"] = hexDump(edid);
        if (decoded) {
            const auto text = runEdidDecode(edid);
            ctx.result["decoded"] = text ? nlohmann::json(*text) : nlohmann::json(nullptr);
        }
        return;
    }
    if (decoded) {
        if (const auto text = runEdidDecode(edid)) {
            std::fputs(text->c_str(), stdout);
            return;
        }
        std::fprintf(stderr, "brixelctl: %s\n", decoderHint);
    }
    std::fputs(hexDump(edid).c_str(), stdout);
}

// A built-in entry by number 2-25 or by its readable name.
const edid::CatalogueRow& rowFromArgument(const std::string& text) {
    if (const auto* row = edid::rowNamed(text)) return *row;
    if (const auto number = parseNumber(text, 255))
        if (const auto* row = edid::rowFor(static_cast<int>(*number))) return *row;
    throw CLI::ValidationError("VALUE",
                               "'" + text + "' names no built-in EDID: give 2-25 or a name from 'brixelctl edid list'");
}

// ---- Commands ---------------------------------------------------------------------

void addRead(CLI::App& edidApp, Context& ctx, const char* name, const char* help, bool (*read)(unsigned char*),
             const char* what) {
    auto* cmd = edidApp.add_subcommand(name, help);
    auto file = std::make_shared<std::string>();
    auto decoded = std::make_shared<bool>(false);
    cmd->add_option("-o,--output", *file, "write the 256 bytes to FILE as raw binary");
    cmd->add_flag("--decode", *decoded, "show it through edid-decode");
    cmd->callback([&ctx, file, decoded, read, what, name] {
        ctx.command([&] {
            std::array<unsigned char, edid::edidSize> bytes{};
            const bool ok = ctx.call([&] { return read(bytes.data()); });
            ctx.result["command"] = std::string("edid ") + name;
            if (!ok) {
                if (!ctx.json) std::fprintf(stderr, "brixelctl: the %s was not read\n", what);
                return false;
            }
            if (!file->empty()) {
                writeWholeFile(*file, asBinary(bytes));
                ctx.result["file"] = *file;
                if (!ctx.json) std::fprintf(stderr, "%s written to %s (256 bytes)\n", what, file->c_str());
                if (*decoded) show(ctx, bytes, true);
            } else {
                show(ctx, bytes, *decoded);
            }
            return true;
        });
    });
}

void addSet(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("set", "write an EDID file (raw 256 bytes or a hex dump) to the device");
    auto file = std::make_shared<std::string>();
    auto force = std::make_shared<bool>(false);
    cmd->add_option("FILE", *file, "the EDID: raw binary, or hex with any spaces, commas, colons or 0x")->required();
    cmd->add_flag("--force", *force, "write it even when the header or a checksum is wrong");
    cmd->callback([&ctx, file, force] {
        std::string error;
        const auto bytes = parseEdidBytes(readWholeFile(*file), error);
        if (!bytes) throw CLI::ValidationError("FILE", *file + ": " + error);
        const auto problems = edidProblems(*bytes);
        for (const auto& problem : problems) std::fprintf(stderr, "%s: %s\n", file->c_str(), problem.c_str());
        if (!problems.empty() && !*force)
            throw CLI::ValidationError("FILE", *file + ": " + std::to_string(problems.size()) +
                                                   " problem(s), nothing written; --force writes it as it is");
        ctx.command([&] {
            std::vector<unsigned char> data(bytes->begin(), bytes->end());
            const bool ok = withProgress(ctx, [&] { return ctx.call([&] { return setCustomEdid(data.data()); }); });
            ctx.result = {{"command", "edid set"}, {"file", *file}, {"problems", problems}};
            if (!ctx.json)
                std::printf("EDID from %s: %s\n", file->c_str(),
                            ok ? "written and confirmed by the device" : "NOT confirmed by the device");
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
        ctx.command([&] {
            const bool ok = withProgress(ctx, [&] { return ctx.call([&] { return changeCustomEdid(row.value); }); });
            ctx.result = {{"command", "edid install"}, {"value", row.value}, {"name", row.name}};
            if (!ctx.json)
                std::printf("built-in EDID %d (%s): %s\n", row.value, std::string(row.name).c_str(),
                            ok ? "installed and selected, confirmed by the device" : "NOT confirmed by the device");
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
        if (ctx.json) std::printf("%s\n", entries.dump(2).c_str());
        setExitCode(exitConfirmed);
    });
}

void addExport(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("export", "write a built-in EDID to a file (no device needed)");
    auto value = std::make_shared<std::string>();
    auto file = std::make_shared<std::string>();
    auto hex = std::make_shared<bool>(false);
    auto decoded = std::make_shared<bool>(false);
    cmd->add_option("VALUE", *value, "2-25 or a name from 'edid list'")->required();
    cmd->add_option("FILE", *file, "where to write it (raw binary unless --hex)")->required();
    cmd->add_flag("--hex", *hex, "write a hex dump instead of raw bytes");
    cmd->add_flag("--decode", *decoded, "also show it through edid-decode");
    cmd->callback([&ctx, value, file, hex, decoded] {
        const auto& row = rowFromArgument(*value);
        const auto& bytes = *edid::builtInEdidFor(row.value);
        writeWholeFile(*file, *hex ? hexDump(bytes) : asBinary(bytes));
        ctx.result = {{"command", "edid export"}, {"value", row.value}, {"name", row.name}, {"file", *file}};
        if (!ctx.json)
            std::fprintf(stderr, "built-in EDID %d (%s) written to %s\n", row.value, std::string(row.name).c_str(),
                         file->c_str());
        if (*decoded) show(ctx, bytes, true);
        ctx.emitJson(true);
        setExitCode(exitConfirmed);
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
