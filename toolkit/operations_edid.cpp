// SPDX-License-Identifier: MIT
// edid get|sink|set|install|list|export: the device's and the display's
// EDIDs, custom EDIDs, and the built-in catalogue.

#include <BrixelLibrary.h>

#include <array>
#include <string>

#include "edid/catalogue.h"
#include "text/plural.h"
#include "toolkit/command_results.h"
#include "toolkit/edid_decode.h"
#include "toolkit/edid_file.h"
#include "toolkit/numbers.h"
#include "toolkit/operation_families.h"
#include "toolkit/setting_values.h"

namespace brixel::toolkit::families {
namespace {

using nlohmann::json;

constexpr std::array<InputDeclaration, 2> readInputs{{
    {"decode", InputKind::flag, false, "add edid-decode's reading of it"},
    {"check", InputKind::flag, false, "add edid-decode's verdict on it (a failing verdict is exit status 1)"},
}};
constexpr std::array<InputDeclaration, 4> writeInputs{{
    {"content", InputKind::content, true, "the EDID: raw binary or any common hex form"},
    {"name", InputKind::text, false, "what to call it in messages (a file's name)"},
    {"force", InputKind::flag, false, "write it even when the header or a checksum is wrong"},
    {"fixChecksums", InputKind::flag, false, "set both blocks' checksum bytes to what they must be"},
}};
constexpr std::array<InputDeclaration, 1> entryInput{{
    {"entry", InputKind::word, true, "a built-in EDID: 2-25 or its name"},
}};
constexpr std::array<InputDeclaration, 2> exportInputs{{
    {"entry", InputKind::word, true, "a built-in EDID: 2-25 or its name"},
    {"decode", InputKind::flag, false, "add edid-decode's reading of it"},
}};

bool flag(const Inputs& inputs, const char* name) { return inputs.value(name, false); }

// edid-decode's reading and verdict, as the inputs ask; false when the verdict fails.
bool decodeAsAsked(const Inputs& inputs, std::span<const uint8_t> edid, json& result) {
    if (flag(inputs, "decode")) {
        const auto text = runEdidDecode(edid);
        result["decoded"] = text ? json(*text) : json(nullptr);
    }
    if (!flag(inputs, "check")) return true;
    // Judged as the blocks it announces: a base block padded with an empty
    // extension is a base block.
    const auto run = runEdidDecodeFor(announcedBlocks(edid), {"--check"});
    const bool passed = run && run->exitStatus == 0;
    result["check"] = {{"passed", passed}, {"output", run ? run->output : ""}};
    return passed;
}

Plan read(const Inputs& inputs, bool (*read)(unsigned char*), std::string_view what) {
    Plan plan;
    if (flag(inputs, "check") && !edidDecodeInstalled()) return plan.refuse(std::string(edidDecodeMissing));
    plan.subject = what;
    plan.confirmedText = "read";
    plan.run = [inputs, read](RunContext& run) {
        std::array<unsigned char, edid::edidSize> bytes{};
        if (!run.call([&] { return read(bytes.data()); })) return false;
        run.data.assign(bytes.begin(), bytes.end());
        run.result = edidBytesResult(bytes);
        run.passed = decodeAsAsked(inputs, bytes, run.result);
        return true;
    };
    return plan;
}

Plan get(const Operation&, const Inputs& inputs) { return read(inputs, getEdid, "device EDID"); }
Plan sink(const Operation&, const Inputs& inputs) { return read(inputs, getSinkEdid, "display EDID"); }

Plan write(const Operation&, const Inputs& inputs) {
    Plan plan;
    const std::string name = inputs.value("name", std::string("upload"));
    const std::string content = inputs.at("content").get<std::string>();
    std::string error;
    const auto read = readEdidBytes(content, error);
    if (!read) return plan.refuse(name + ": " + error);
    std::vector<std::string> notes;
    auto bytes = edidForDevice(*read, notes, error);
    if (!bytes) return plan.refuse(name + ": " + error);
    if (flag(inputs, "fixChecksums"))
        for (auto& fixed : fixEdidChecksums(*bytes)) notes.push_back(std::move(fixed));
    const auto problems = edidProblems(*bytes);
    for (const auto& note : notes) plan.notes.push_back(name + ": " + note);
    for (const auto& problem : problems) plan.problems.push_back(name + ": " + problem);
    plan.refusal = name + ": " + text::counted(problems.size(), "problem") + ", nothing written";
    plan.override = "force";
    plan.overridden = flag(inputs, "force");
    plan.subject = "EDID from " + name;
    plan.confirmedText = "written and confirmed by the device";
    plan.result = edidSetResult(name, read->form, problems, notes);
    plan.run = [edid = *bytes](RunContext& run) mutable {
        return run.call([&] { return setCustomEdid(edid.data()); });
    };
    return plan;
}

Plan install(const Operation&, const Inputs& inputs) {
    Plan plan;
    const std::string text = wordOf(inputs.at("entry"));
    const auto* row = builtInEntry(text);
    if (!row) return plan.refuse(noBuiltInEntry(text));
    plan.subject = "built-in EDID " + std::to_string(row->value) + " (" + std::string(row->name) + ")";
    plan.confirmedText = "installed and selected, confirmed by the device";
    plan.result = edidInstallResult(*row);
    plan.run = [value = row->value](RunContext& run) { return run.call([&] { return changeCustomEdid(value); }); };
    return plan;
}

Plan list(const Operation&, const Inputs&) {
    Plan plan;
    plan.result = edidCatalogueResult();
    return plan;
}

Plan exportEntry(const Operation&, const Inputs& inputs) {
    Plan plan;
    const std::string text = wordOf(inputs.at("entry"));
    const auto* row = builtInEntry(text);
    if (!row) return plan.refuse(noBuiltInEntry(text));
    const auto& bytes = *edid::builtInEdidFor(row->value);
    plan.subject = "built-in EDID " + std::to_string(row->value) + " (" + std::string(row->name) + ")";
    plan.result = edidInstallResult(*row);
    plan.data.assign(bytes.begin(), bytes.end());
    decodeAsAsked(inputs, bytes, plan.result);
    return plan;
}

const std::array<Operation, 6> ops{{
    {"edid get", "read the EDID the device shows its sources", readInputs, false, get},
    {"edid sink", "read the display's EDID as the device holds it", readInputs, false, sink},
    {"edid set", "write an EDID to the device", writeInputs, true, write},
    {"edid install", "write a built-in EDID to the device and select it", entryInput, true, install},
    {"edid list", "the built-in EDIDs (no device needed)", {}, false, list},
    {"edid export", "a built-in EDID's bytes (no device needed)", exportInputs, false, exportEntry},
}};

}  // namespace

const edid::CatalogueRow* builtInEntry(const std::string& text) {
    for (const auto& row : edid::catalogue)
        if (sameWord(row.name, text)) return &row;
    if (const auto number = parseNumber(text, 255)) return edid::rowFor(static_cast<int>(*number));
    return nullptr;
}

std::string noBuiltInEntry(const std::string& text) {
    return "'" + text + "' names no built-in EDID: give 2-25 or a name of the built-in list (edid list)";
}

std::span<const Operation> edids() { return ops; }

}  // namespace brixel::toolkit::families
