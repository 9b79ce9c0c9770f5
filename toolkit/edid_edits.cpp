// SPDX-License-Identifier: MIT
#include "toolkit/edid_edits.h"

#include <algorithm>
#include <stdexcept>

#include "edid_editor/checks.h"
#include "edid_editor/edid_decode_failures.h"
#include "toolkit/edid_decode.h"
#include "toolkit/edid_file.h"
#include "toolkit/numbers.h"
#include "toolkit/operation_families.h"

namespace brixel::toolkit {
namespace {

using nlohmann::json;

constexpr std::string_view builtinPrefix = "builtin:";
constexpr std::string_view edidDecodeCheck = "edid-decode --check";

// "--max-tmds" as an input's name: "maxTmds".
std::string camelCase(std::string_view flag) {
    std::string name;
    bool upper = false;
    for (const char c : flag.substr(2)) {
        if (c == '-') {
            upper = true;
            continue;
        }
        name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        upper = false;
    }
    return name;
}

InputKind kindOf(const edid_editor::EditOption& option) {
    if (!option.set) return InputKind::content;
    return option.repeatable ? InputKind::values : InputKind::word;
}

// The built-in EDID "builtin:N" or a bare name names; a bare number names none.
const edid::CatalogueRow* builtInNamed(std::string_view text) {
    if (text.starts_with(builtinPrefix)) return families::builtInEntry(std::string(text.substr(builtinPrefix.size())));
    if (parseNumber(text, 255)) return nullptr;
    return families::builtInEntry(std::string(text));
}

// The lines of `lines` that `others` does not have, each of `others` taken once.
std::vector<std::string> without(const std::vector<std::string>& lines, std::vector<std::string> others) {
    std::vector<std::string> left;
    for (const auto& line : lines) {
        const auto it = std::find(others.begin(), others.end(), line);
        if (it == others.end())
            left.push_back(line);
        else
            others.erase(it);
    }
    return left;
}

json checkResult(const std::vector<std::string>& found, const std::vector<std::string>& added) {
    return {{"passed", added.empty()}, {"new", added}, {"kept", without(found, added)}};
}

std::optional<std::string> edidDecodeOutput(std::span<const uint8_t> edid) {
    // Judged as the blocks it announces: a base block padded with an empty
    // extension is a base block.
    const auto run = runEdidDecodeFor(announcedBlocks(edid), {"--check"});
    if (!run) return std::nullopt;
    return run->output;
}

}  // namespace

// ---- The edits as inputs ----------------------------------------------------------

std::span<const EdidEditInput> edidEditInputs() {
    static const std::vector<EdidEditInput> inputs = [] {
        std::vector<EdidEditInput> all;
        for (const auto& option : edid_editor::editOptions)
            all.push_back({camelCase(option.flag), kindOf(option), &option});
        return all;
    }();
    return inputs;
}

std::vector<std::string> edidEditsOf(const Inputs& inputs, edid_editor::EdidEdits& edits) {
    std::vector<std::string> problems;
    for (const auto& input : edidEditInputs()) {
        const auto given = inputs.find(input.name);
        if (given == inputs.end()) continue;
        const std::string flag(input.option->flag);
        if (input.kind == InputKind::content) {
            std::string error;
            const auto read = readEdidBytes(given->get<std::string>(), error);
            if (!read)
                problems.push_back(flag + ": " + error);
            else
                edits.audioFrom = read->bytes;
            continue;
        }
        std::vector<std::string> texts;
        if (given->is_array()) {
            for (const auto& item : *given) {
                if (!item.is_string() && !item.is_number()) {
                    problems.push_back(flag + " takes a list of names or numbers; " + item.dump() + " is neither.");
                    continue;
                }
                texts.push_back(families::wordOf(item));
            }
        } else if (given->is_object()) {
            problems.push_back(flag + " takes a list of names or numbers, not an object.");
        } else {
            texts.push_back(families::wordOf(*given));
        }
        for (const auto& text : texts)
            if (auto problem = input.option->set(text, edits)) problems.push_back(std::move(*problem));
    }
    return problems;
}

json edidEditsResult() {
    json choices = json::array();
    for (const auto& feature : edid_editor::featureNames)
        choices.push_back({{"name", feature.name}, {"what", feature.what}});
    json edits = json::array();
    for (const auto& input : edidEditInputs()) {
        const auto& option = *input.option;
        json edit = {{"input", input.name},
                     {"option", option.flag},
                     {"value", option.value},
                     {"help", option.help},
                     {"list", input.kind == InputKind::values},
                     {"content", input.kind == InputKind::content}};
        edit["choices"] = input.name == "drop" ? choices : json::array();
        edits.push_back(std::move(edit));
    }
    return {{"edits", edits}};
}

// ---- Where an EDID comes from -------------------------------------------------

bool namesEdidSource(std::string_view text) {
    return text == "sink" || text == "device" || text.starts_with(builtinPrefix) || builtInNamed(text);
}

std::optional<EdidSource> edidSourceOf(const Inputs& inputs, std::string_view word, std::string_view content,
                                       std::vector<std::string>& problems) {
    const std::string wordName(word), contentName(content);
    const bool named = inputs.contains(wordName), given = inputs.contains(contentName);
    if (named == given) {
        problems.push_back(named ? "give " + wordName + " or " + contentName + ", not both"
                                 : "give " + wordName + " (" + std::string(edidSourceHelp) + ") or " + contentName +
                                       " (an EDID's bytes)");
        return std::nullopt;
    }
    EdidSource source;
    if (given) {
        std::string error;
        const auto read = readEdidBytes(inputs.at(contentName).get<std::string>(), error);
        if (!read || !edid_editor::parseEdid(read->bytes, error)) {
            problems.push_back(contentName + ": " + error);
            return std::nullopt;
        }
        source.bytes = read->bytes;
        source.what = "the given EDID";
        return source;
    }
    const std::string text = families::wordOf(inputs.at(wordName));
    if (text == "sink") {
        source.reading = EdidReading::sink;
        source.what = "the display's EDID";
    } else if (text == "device") {
        source.reading = EdidReading::device;
        source.what = "the device's EDID";
    } else if (const auto* row = builtInNamed(text)) {
        const auto& bytes = *edid::builtInEdidFor(row->value);
        source.bytes.assign(bytes.begin(), bytes.end());
        source.what = "built-in EDID " + std::to_string(row->value) + " (" + std::string(row->name) + ")";
    } else {
        problems.push_back(wordName + ": '" + text + "' names no EDID: give " + std::string(edidSourceHelp) +
                           " (edid list)");
        return std::nullopt;
    }
    return source;
}

// ---- A derived EDID, checked -------------------------------------------------------

CheckedEdid deriveChecked(std::span<const uint8_t> original, const edid_editor::EdidEdits& edits) {
    CheckedEdid checked;
    checked.derived = edid_editor::deriveEdid(original, edits);
    const auto& derived = checked.derived;
    checked.notes = derived.notes;
    if (!derived.refusals.empty()) return checked;

    const auto modelNew = without(derived.problems, edid_editor::checkEdid(original));
    checked.failures = modelNew;
    json model = checkResult(derived.problems, modelNew);

    json decoded = nullptr;
    if (!edidDecodeInstalled()) {
        checked.notes.push_back(std::string(edidDecodeMissing) + "; the model's checks alone were made");
    } else {
        try {
            const auto before = edidDecodeOutput(original);
            const auto after = edidDecodeOutput(derived.bytes);
            if (before && after) {
                const auto decodeNew = edid_editor::newEdidDecodeFailures(*before, *after);
                decoded = checkResult(edid_editor::edidDecodeFailures(*after), decodeNew);
                for (const auto& failure : decodeNew)
                    checked.failures.push_back(std::string(edidDecodeCheck) + ": " + failure);
            }
        } catch (const std::runtime_error& e) {
            checked.notes.push_back(std::string(edidDecodeCheck) + " could not be run (" + e.what() +
                                    "); the model's checks alone were made");
        }
    }
    checked.checks = {{"passed", checked.failures.empty()}, {"model", model}, {"edidDecode", decoded}};
    return checked;
}

}  // namespace brixel::toolkit
