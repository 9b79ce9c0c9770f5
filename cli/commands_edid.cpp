// SPDX-License-Identifier: MIT
// edid get|sink|set|install|list|export|derive|diff: the device's and the
// display's EDIDs, custom EDID files, the built-in catalogue, and EDIDs made
// from others by the EDID editor's edits.

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/completion_values.h"
#include "cli/console.h"
#include "cli/context.h"
#include "edid/catalogue.h"
#include "text/plural.h"
#include "toolkit/edid_decode.h"
#include "toolkit/edid_edits.h"
#include "toolkit/edid_file.h"
#include "toolkit/files.h"

namespace brixel::cli {
namespace {

using nlohmann::json;
using toolkit::hexDump;

// ---- Progress of an EDID write ------------------------------------------------

// A progress line on a terminal: the tool's host sees each wait the library
// makes after an EDID frame.
class Progress {
public:
    explicit Progress(const Context& ctx) : shown_(!ctx.json && console::takesEscapes(console::Stream::error)) {}
    ~Progress() {
        if (frames_ > 0 && frames_ < edid::edidWriteFrames) std::fprintf(stderr, "\r\033[K");
    }
    std::function<void()> onWait() {
        if (!shown_) return {};
        return [this] {
            ++frames_;
            if (frames_ < edid::edidWriteFrames)
                std::fprintf(stderr, "\rwriting EDID: %zu/%zu frames", frames_, edid::edidWriteFrames);
            else if (frames_ == edid::edidWriteFrames)
                std::fprintf(stderr, "\r\033[K");  // done: the library's own line follows
            std::fflush(stderr);
        };
    }

private:
    bool shown_;
    std::size_t frames_ = 0;
};

// ---- Files --------------------------------------------------------------------

std::string asBinary(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// An output named on the command line, ready before the device is asked.
std::shared_ptr<toolkit::OutputFile> prepareOutput(const Context& ctx, const std::string& path, const char* option,
                                                   bool binary) {
    if (path.empty()) return nullptr;
    if (ctx.json && binary && path == toolkit::standardStream)
        throw CLI::ValidationError(std::string(option) +
                                   ": - writes the bytes to standard output, where --json writes its document; "
                                   "name a file, or leave out --json");
    std::string error;
    auto out = toolkit::OutputFile::prepare(path, error);
    if (!out) throw CLI::ValidationError(std::string(option) + ": " + error);
    return std::make_shared<toolkit::OutputFile>(std::move(*out));
}

void writeOutput(const Context& ctx, toolkit::OutputFile& out, const std::string& content, Outcome& outcome,
                 const std::string& what) {
    std::string error;
    if (!out.write(content, error)) throw CLI::ValidationError(error);
    outcome.doc.result["file"] = out.path();
    if (!ctx.json && !out.isStandardOutput())
        std::fprintf(stderr, "%s written to %s (%zu bytes)\n", what.c_str(), out.path().c_str(), content.size());
}

// Shows an EDID for people: edid-decode's reading when asked and had, else
// hex; on standard error when standard output carries the EDID itself.
void show(const Outcome& outcome, bool decoded, bool toStderr) {
    std::FILE* stream = toStderr ? stderr : stdout;
    const json& result = outcome.doc.result;
    if (decoded) {
        if (const auto text = result.find("decoded"); text != result.end() && text->is_string()) {
            std::fputs(text->get<std::string>().c_str(), stream);
            return;
        }
        std::fprintf(stderr, "brixelctl: %s\n", std::string(toolkit::edidDecodeMissing).c_str());
    }
    std::fputs(hexDump(outcome.data).c_str(), stream);
}

// ---- Commands -----------------------------------------------------------------

struct ReadOptions {
    std::string file;
    bool decoded = false;
    bool checked = false;
};

void addRead(CLI::App& edidApp, Context& ctx, const char* name, const char* help, const char* what) {
    auto* cmd = edidApp.add_subcommand(name, help);
    auto o = std::make_shared<ReadOptions>();
    cmd->add_option("-o,--output", o->file, "write the 256 bytes to FILE as raw binary (- for standard output)")
        ->type_name("FILE");
    const std::string unavailable(toolkit::edidDecodeHelpNote);
    cmd->add_flag("--decode", o->decoded, "show it through edid-decode" + unavailable);
    cmd->add_flag("--check", o->checked,
                  "check it with edid-decode --check: exit status 1 when it does not conform" + unavailable);
    cmd->callback([&ctx, o, name, what] {
        // Ready before the device is asked, so that a name that cannot be written costs no exchange.
        auto out = prepareOutput(ctx, o->file, "--output", true);
        Context::Show view;
        view.after = [&ctx, o, out, what](Outcome& outcome) {
            if (!outcome.confirmed()) {
                if (!ctx.json && outcome.reach != toolkit::Reach::noDevice)
                    std::fprintf(stderr, "brixelctl: the %s was not read\n", what);
                return;
            }
            if (out) writeOutput(ctx, *out, asBinary(outcome.data), outcome, what);
            if (ctx.json) return;
            if (!out || o->decoded) show(outcome, o->decoded, out && out->isStandardOutput());
            if (const auto check = outcome.doc.result.find("check"); check != outcome.doc.result.end())
                std::fputs(check->value("output", std::string()).c_str(), stdout);
        };
        ctx.command(std::string("edid ") + name, {{"decode", o->decoded}, {"check", o->checked}}, view);
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
        std::string error;
        const auto content = toolkit::readInput(o->file, toolkit::edidFileLimit, error);
        if (!content) throw CLI::ValidationError(error);
        const std::string name = o->file == toolkit::standardStream ? "standard input" : o->file;
        Progress progress(ctx);
        Context::Show view;
        view.onWait = progress.onWait();
        ctx.command("edid set",
                    {{"content", *content}, {"name", name}, {"force", o->force}, {"fixChecksums", o->fixChecksums}},
                    view);
    });
}

// The built-in EDIDs by name, as a completion offers them.
std::vector<std::string> builtInNames() {
    std::vector<std::string> names;
    for (const auto& row : edid::catalogue) names.emplace_back(row.name);
    return names;
}

void addInstall(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("install", "write a built-in EDID to the device and select it");
    auto value = std::make_shared<std::string>();
    offerValues(cmd->add_option("VALUE", *value, "2-25 or a name from 'edid list'")->required(), builtInNames());
    cmd->callback([&ctx, value] {
        Progress progress(ctx);
        Context::Show view;
        view.onWait = progress.onWait();
        ctx.command("edid install", {{"entry", *value}}, view);
    });
}

void addList(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("list", "the built-in EDIDs (no device needed)");
    cmd->callback([&ctx] {
        Context::Show view;
        view.after = [&ctx](Outcome& outcome) {
            if (ctx.json) return;
            for (const auto& entry : outcome.doc.result.at("entries"))
                std::printf("%2d  %-24s %s\n", entry.at("value").get<int>(),
                            entry.at("name").get<std::string>().c_str(),
                            entry.at("description").get<std::string>().c_str());
        };
        ctx.command("edid list", json::object(), view);
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
    offerValues(cmd->add_option("VALUE", o->value, "2-25 or a name from 'edid list'")->required(), builtInNames());
    cmd->add_option("FILE", o->file, "where to write it (raw binary unless --hex; - for standard output)")->required();
    cmd->add_flag("--hex", o->hex, "write a hex dump instead of raw bytes");
    cmd->add_flag("--decode", o->decoded,
                  "also show it through edid-decode" + std::string(toolkit::edidDecodeHelpNote));
    cmd->callback([&ctx, o] {
        auto out = prepareOutput(ctx, o->file, "FILE", !o->hex);
        Context::Show view;
        view.after = [&ctx, o, out](Outcome& outcome) {
            writeOutput(ctx, *out, o->hex ? hexDump(outcome.data) : asBinary(outcome.data), outcome, outcome.subject);
            if (o->decoded && !ctx.json) show(outcome, true, out->isStandardOutput());
        };
        ctx.command("edid export", {{"entry", o->value}, {"decode", o->decoded}}, view);
    });
}

// ---- EDIDs made from others ----------------------------------------------------

constexpr const char* sourceHelp =
    "sink (the display's EDID), device (the device's own), builtin:N or a built-in EDID's name (edid list), or an "
    "EDID FILE in any form edid set reads (- for standard input)";

// An EDID as the tool names it: a word the catalogue knows, else a file.
void addSource(json& inputs, const std::string& text, const char* word, const char* content, const char* option) {
    if (toolkit::namesEdidSource(text)) {
        inputs[word] = text;
        return;
    }
    std::string error;
    const auto read = toolkit::readInput(text, toolkit::edidFileLimit, error);
    if (!read) throw CLI::ValidationError(std::string(option) + ": " + error);
    inputs[content] = *read;
}

void showChanges(const json& result, const std::string& what, std::FILE* stream) {
    const auto& changes = result.at("changes");
    if (changes.empty()) {
        std::fprintf(stream, "no differences %s\n", what.c_str());
        return;
    }
    std::fprintf(stream, "%s %s:\n", text::counted(changes.size(), "change").c_str(), what.c_str());
    for (const auto& change : changes) std::fprintf(stream, "  %s\n", change.get<std::string>().c_str());
}

// The checks' verdict, then each checker's: what is new, and how much of the original's it kept.
void showChecks(const json& checks, std::FILE* stream) {
    std::fprintf(stream, "checks: %s\n", checks.at("passed").get<bool>() ? "passed" : "FAILED");
    const std::pair<const char*, const char*> checkers[] = {{"model", "the model"},
                                                            {"edidDecode", "edid-decode --check"}};
    for (const auto& [key, name] : checkers) {
        const json& check = checks.at(key);
        if (check.is_null()) {
            std::fprintf(stream, "  %s: not run\n", name);
            continue;
        }
        const auto& added = check.at("new");
        const auto kept = check.at("kept").size();
        const std::string keptText = kept ? " (" + text::counted(kept, "finding") + " of the original kept)" : "";
        if (added.empty()) {
            std::fprintf(stream, "  %s: nothing new%s\n", name, keptText.c_str());
            continue;
        }
        std::fprintf(stream, "  %s: %s%s\n", name, text::counted(added.size(), "new finding").c_str(),
                     keptText.c_str());
        for (const auto& finding : added) std::fprintf(stream, "    %s\n", finding.get<std::string>().c_str());
    }
}

struct DeriveOptions {
    std::string from;
    std::map<std::string, std::vector<std::string>> edits;  // by input
    std::string file;
    bool write = false;
    bool dryRun = false;
    bool force = false;
};

void addDerive(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand(
        "derive",
        "make an EDID from another by edits: shows what changed and the checks (the model's, and edid-decode's "
        "where installed, against the original), then writes it to a file or the device only when they pass");
    auto o = std::make_shared<DeriveOptions>();
    cmd->add_option("--from", o->from, std::string("the EDID to start from: ") + sourceHelp)
        ->type_name("SOURCE")
        ->required();
    for (const auto& edit : toolkit::edidEditInputs()) {
        std::string_view value = edit.option->value;
        // CLI11 marks an option of several values itself.
        if (edit.option->repeatable && value.ends_with("...")) value.remove_suffix(3);
        auto* option =
            cmd->add_option(std::string(edit.option->flag), o->edits[edit.name], std::string(edit.option->help))
                ->type_name(std::string(value));
        if (!edit.option->repeatable) option->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
    cmd->add_option("-o,--output", o->file, "write the result to FILE as raw binary (- for standard output)")
        ->type_name("FILE");
    cmd->add_flag("--write", o->write, "write the result to the device, then read it back");
    cmd->add_flag("--dry-run", o->dryRun, "show what would be written, and write nothing");
    cmd->add_flag("--force", o->force, "give and write the result even when its checks find something new wrong");
    cmd->callback([&ctx, cmd, o] {
        json inputs = {{"write", o->write && !o->dryRun}, {"force", o->force}};
        addSource(inputs, o->from, "from", "content", "--from");
        for (const auto& edit : toolkit::edidEditInputs()) {
            const std::string flag(edit.option->flag);
            if (cmd->count(flag) == 0) continue;
            const auto& values = o->edits.at(edit.name);
            if (edit.kind == toolkit::InputKind::content) {
                std::string error;
                const auto content = toolkit::readInput(values.front(), toolkit::edidFileLimit, error);
                if (!content) throw CLI::ValidationError(flag + ": " + error);
                inputs[edit.name] = *content;
            } else if (edit.kind == toolkit::InputKind::values) {
                inputs[edit.name] = values;
            } else {
                inputs[edit.name] = values.front();
            }
        }
        auto out = o->dryRun ? nullptr : prepareOutput(ctx, o->file, "--output", true);
        // What is said about the result goes where the result's bytes do not.
        std::FILE* stream = out && out->isStandardOutput() ? stderr : stdout;
        auto notesShown = std::make_shared<std::size_t>(0);
        Progress progress(ctx);
        Context::Show view;
        view.onWait = progress.onWait();
        view.beforeSending = [notesShown](const Outcome& outcome) { *notesShown = outcome.doc.notes.size(); };
        view.after = [&ctx, o, out, stream, notesShown](Outcome& outcome) {
            const json& result = outcome.doc.result;
            if (!ctx.json && !result.at("checks").is_null()) {
                showChanges(result, "from " + result.at("source").get<std::string>(), stream);
                showChecks(result.at("checks"), stream);
            }
            // The notes the run found in what it read, which were not known before it was sent.
            if (!ctx.json && (outcome.refused || outcome.reach != toolkit::Reach::notAsked))
                for (std::size_t k = *notesShown; k < outcome.doc.notes.size(); ++k)
                    ctx.note("note: " + outcome.doc.notes[k]);
            if (out && !outcome.data.empty()) writeOutput(ctx, *out, asBinary(outcome.data), outcome, "derived EDID");
            if (o->dryRun && !ctx.json && (o->write || !o->file.empty())) ctx.note("dry run: nothing was written");
        };
        view.refused = view.after;
        ctx.command("edid derive", inputs, view);
    });
}

void addDiff(CLI::App& edidApp, Context& ctx) {
    auto* cmd = edidApp.add_subcommand("diff", "what differs between two EDIDs, block by block, field by field");
    auto sources = std::make_shared<std::pair<std::string, std::string>>();
    cmd->add_option("A", sources->first, std::string("the first EDID: ") + sourceHelp)->required();
    cmd->add_option("B", sources->second, "the second EDID, named the same ways")->required();
    cmd->callback([&ctx, sources] {
        json inputs = json::object();
        addSource(inputs, sources->first, "before", "beforeContent", "A");
        addSource(inputs, sources->second, "after", "afterContent", "B");
        Context::Show view;
        view.after = [&ctx](Outcome& outcome) {
            const json& result = outcome.doc.result;
            if (ctx.json || !outcome.doc.confirmed.value_or(true)) return;
            showChanges(
                result,
                "from " + result.at("before").get<std::string>() + " to " + result.at("after").get<std::string>(),
                stdout);
        };
        ctx.command("edid diff", inputs, view);
    });
}

}  // namespace

void addEdidCommands(CLI::App& app, Context& ctx) {
    auto* edidApp = app.add_subcommand("edid", "the device's and the display's EDIDs, custom and built-in EDIDs");
    edidApp->require_subcommand(1);
    addRead(*edidApp, ctx, "get", "read the EDID the device shows its sources", "device EDID");
    addRead(*edidApp, ctx, "sink", "read the display's EDID as the device holds it", "display EDID");
    addSet(*edidApp, ctx);
    addInstall(*edidApp, ctx);
    addList(*edidApp, ctx);
    addExport(*edidApp, ctx);
    addDerive(*edidApp, ctx);
    addDiff(*edidApp, ctx);
}

}  // namespace brixel::cli
