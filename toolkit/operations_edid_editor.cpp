// SPDX-License-Identifier: MIT
// edid derive|diff: an EDID made from another by the EDID editor's edits,
// checked against its original before it is given or written, and the
// difference between two EDIDs. The device is asked only for an EDID read
// from it (sink, device) and for a write.

#include <BrixelLibrary.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "edid/catalogue.h"
#include "text/plural.h"
#include "toolkit/edid_edits.h"
#include "toolkit/edid_file.h"
#include "toolkit/operation_families.h"

namespace brixel::toolkit::families {
namespace {

using nlohmann::json;

std::vector<InputDeclaration> deriveInputList(std::string_view fromHelp) {
    std::vector<InputDeclaration> inputs{
        {"from", InputKind::word, false, fromHelp},
        {"content", InputKind::content, false, "the EDID to start from, as a file holds it (in place of from)"},
    };
    for (const auto& edit : edidEditInputs()) inputs.push_back({edit.name, edit.kind, false, edit.option->help});
    inputs.push_back({"write", InputKind::flag, false, "write the result to the device and read it back"});
    inputs.push_back(
        {"force", InputKind::flag, false, "give and write the result even when its checks find something new wrong"});
    return inputs;
}

bool flag(const Inputs& inputs, const char* name) { return inputs.value(name, false); }

// The EDID `reading` names, read from the device.
bool readEdid(RunContext& run, EdidReading reading, std::vector<uint8_t>& bytes) {
    std::array<unsigned char, edid::edidSize> read{};
    const auto reader = reading == EdidReading::sink ? getSinkEdid : getEdid;
    if (!run.call([&] { return reader(read.data()); })) return false;
    bytes.assign(read.begin(), read.end());
    return true;
}

// What came of a derivation, for the document: whether the result is given,
// and when not, why.
struct Taken {
    std::vector<uint8_t> bytes;  // empty when held back
    std::vector<uint8_t> forDevice;
    std::string refusal;
    bool overridable = false;
};

// The derivation's keys, notes and problems; the result held back when the
// edits are refused, and when its checks fail without `force`.
Taken take(const CheckedEdid& checked, bool force, bool write, ResultDocument& doc) {
    Taken taken;
    const auto& derived = checked.derived;
    doc.notes.insert(doc.notes.end(), checked.notes.begin(), checked.notes.end());
    if (!derived.refusals.empty()) {
        doc.problems.insert(doc.problems.end(), derived.refusals.begin(), derived.refusals.end());
        taken.refusal = "the edits cannot be made";
        return taken;
    }
    doc.result["changes"] = derived.changes;
    doc.result["checks"] = checked.checks;
    if (!checked.failures.empty()) {
        doc.problems.insert(doc.problems.end(), checked.failures.begin(), checked.failures.end());
        taken.refusal = "the result fails its checks (" + text::counted(checked.failures.size(), "new problem") +
                        "), nothing given or written";
        taken.overridable = true;
        if (!force) return taken;
        doc.notes.push_back("FORCED: the result is given" + std::string(write ? " and written" : "") +
                            " although its checks found " + text::counted(checked.failures.size(), "new problem"));
    }
    if (write) {
        std::string error;
        auto forDevice = edidForDevice({derived.bytes, "the result"}, doc.notes, error);
        if (!forDevice) {
            doc.problems.push_back("the result: " + error);
            taken.refusal = "the result cannot be written";
            taken.overridable = false;
            return taken;
        }
        taken.forDevice = std::move(*forDevice);
    }
    taken.bytes = derived.bytes;
    doc.result["edid"] = hexDump(taken.bytes);
    return taken;
}

// The result written, then read back: what the device shows must be what was sent.
bool writeAndReadBack(RunContext& run, std::vector<uint8_t> edid) {
    if (!run.call([&] { return setCustomEdid(edid.data()); })) return false;
    run.result["written"] = true;
    std::vector<uint8_t> back;
    if (!readEdid(run, EdidReading::device, back)) {
        run.passed = false;
        run.document.error = "written, but the device's EDID could not be read back";
        return true;
    }
    const auto [at, ignored] = std::mismatch(edid.begin(), edid.end(), back.begin(), back.end());
    run.result["readBack"] = at == edid.end();
    if (at != edid.end()) {
        run.passed = false;
        run.document.error = "the device's EDID read back differs from what was written, first at byte " +
                             std::to_string(at - edid.begin());
        run.document.problems.push_back(*run.document.error);
    }
    return true;
}

Plan derive(const Operation&, const Inputs& inputs) {
    Plan plan;
    const bool write = flag(inputs, "write"), force = flag(inputs, "force");
    const auto source = edidSourceOf(inputs, "from", "content", plan.problems);
    edid_editor::EdidEdits edits;
    for (auto& problem : edidEditsOf(inputs, edits)) plan.problems.push_back(std::move(problem));
    plan.result = {{"source", source ? json(source->what) : json(nullptr)},
                   {"changes", json::array()},
                   {"checks", nullptr},
                   {"edid", nullptr},
                   {"written", false},
                   {"readBack", nullptr}};
    if (!plan.problems.empty()) return plan;
    const auto editsGiven = std::any_of(edidEditInputs().begin(), edidEditInputs().end(),
                                        [&](const EdidEditInput& edit) { return inputs.contains(edit.name); });
    if (!editsGiven) plan.notes.push_back("no edits asked for: the result is the original, checked");
    plan.subject = write ? "EDID derived from " + source->what : source->what;
    plan.confirmedText =
        write ? "written, confirmed by the device and read back" : "read, nothing written to the device";

    if (source->reading == EdidReading::none) {
        ResultDocument doc;
        doc.result = std::move(plan.result);
        doc.notes = std::move(plan.notes);
        const Taken taken = take(deriveChecked(source->bytes, edits), force, write, doc);
        plan.result = std::move(doc.result);
        plan.notes = std::move(doc.notes);
        plan.problems = std::move(doc.problems);
        plan.refusal = taken.refusal;
        if (taken.overridable) {
            plan.override = "force";
            plan.overridden = force;
        }
        if (taken.bytes.empty()) return plan;
        plan.data = taken.bytes;
        if (write) plan.run = [edid = taken.forDevice](RunContext& run) { return writeAndReadBack(run, edid); };
        return plan;
    }

    plan.run = [reading = source->reading, edits, force, write](RunContext& run) {
        std::vector<uint8_t> original;
        if (!readEdid(run, reading, original)) return false;
        const Taken taken = take(deriveChecked(original, edits), force, write, run.document);
        if (taken.bytes.empty()) {
            // Refused only now, from what was read: the read itself was confirmed.
            run.passed = false;
            // The checks' findings are in the document's checks; an edit's refusal only here.
            std::string error = taken.refusal;
            if (taken.overridable)
                error += " (force gives and writes it anyway)";
            else
                for (const auto& problem : run.document.problems)
                    error += (&problem == &run.document.problems.front() ? ": " : "; ") + problem;
            run.document.error = error;
            return true;
        }
        run.data = taken.bytes;
        return !write || writeAndReadBack(run, taken.forDevice);
    };
    return plan;
}

Plan diff(const Operation&, const Inputs& inputs) {
    Plan plan;
    const auto before = edidSourceOf(inputs, "before", "beforeContent", plan.problems);
    const auto after = edidSourceOf(inputs, "after", "afterContent", plan.problems);
    plan.result = {{"before", before ? json(before->what) : json(nullptr)},
                   {"after", after ? json(after->what) : json(nullptr)},
                   {"changes", json::array()}};
    if (!plan.problems.empty()) return plan;
    if (before->reading == EdidReading::none && after->reading == EdidReading::none) {
        plan.result["changes"] = edid_editor::diffEdidBytes(before->bytes, after->bytes);
        return plan;
    }
    plan.subject = before->what + " and " + after->what;
    plan.confirmedText = "read";
    plan.run = [before = *before, after = *after](RunContext& run) mutable {
        for (auto* source : {&before, &after})
            if (source->reading != EdidReading::none && !readEdid(run, source->reading, source->bytes)) return false;
        run.result["changes"] = edid_editor::diffEdidBytes(before.bytes, after.bytes);
        return true;
    };
    return plan;
}

}  // namespace

// Made at the first call: the inputs of edid derive come from the editor's option table.
std::span<const Operation> edidEditor() {
    static const std::string fromHelp = "the EDID to start from: " + std::string(edidSourceHelp);
    static const std::string beforeHelp = "the first EDID: " + std::string(edidSourceHelp);
    static const std::string afterHelp = "the second EDID: " + std::string(edidSourceHelp);
    static const std::vector<InputDeclaration> deriveInputs = deriveInputList(fromHelp);
    static const std::array<InputDeclaration, 4> diffInputs{{
        {"before", InputKind::word, false, beforeHelp},
        {"beforeContent", InputKind::content, false, "the first EDID, as a file holds it (in place of before)"},
        {"after", InputKind::word, false, afterHelp},
        {"afterContent", InputKind::content, false, "the second EDID, as a file holds it (in place of after)"},
    }};
    static const std::array<Operation, 2> ops{{
        {"edid derive",
         "an EDID made from another by edits, checked against it, given or written to the device (which is asked "
         "only for sink, device and write)",
         deriveInputs, true, derive},
        {"edid diff",
         "what differs between two EDIDs, block by block, field by field (the device is asked only for sink and "
         "device)",
         diffInputs, false, diff},
    }};
    return ops;
}

}  // namespace brixel::toolkit::families
