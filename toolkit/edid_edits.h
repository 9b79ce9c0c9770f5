// SPDX-License-Identifier: MIT
#pragma once
// What edid derive and edid diff take and give, apart from any device: the
// EDID editor's edits as the catalogue's inputs (one per option of its table,
// so that every front end offers the same edits under the same names), the
// EDID to start from, and a derived EDID checked against its original by the
// model and by edid-decode. Running edid-decode aside, pure.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid_editor/edits.h"
#include "toolkit/operations.h"

namespace brixel::toolkit {

// ---- The edits as inputs ----------------------------------------------------------

struct EdidEditInput {
    std::string name;  // the option's name in camelCase: "--max-tmds" is "maxTmds"
    // values for an option given several times, content for one that takes
    // an EDID's bytes, a word for any other
    InputKind kind;
    const edid_editor::EditOption* option;
};
std::span<const EdidEditInput> edidEditInputs();

// The edits the inputs ask for, set through the option table; a sentence for
// each value it does not take.
std::vector<std::string> edidEditsOf(const Inputs& inputs, edid_editor::EdidEdits& edits);

// The edits for a form that offers them: {"edits": [{"input", "option",
// "value", "help", "list", "choices"}]}, "choices" the names --drop takes.
nlohmann::json edidEditsResult();

// ---- Where an EDID comes from -------------------------------------------------

// Read from the device when run, or bytes known before.
enum class EdidReading : uint8_t { none, device, sink };

inline constexpr std::string_view edidSourceHelp =
    "sink (the display's EDID), device (the device's own), builtin:N or a built-in EDID's name";

struct EdidSource {
    EdidReading reading = EdidReading::none;
    std::vector<uint8_t> bytes;  // 128 or 256, when not read from the device
    std::string what;            // "the display's EDID", "built-in EDID 20 (1080p60-multi)"
};

// "sink", "device", "builtin:N" or a built-in EDID's name: an EDID found
// without a file.
bool namesEdidSource(std::string_view text);

// The EDID that the input `word` names, or the content of the input
// `content` (one of the two); nullopt with a sentence in `problems`.
std::optional<EdidSource> edidSourceOf(const Inputs& inputs, std::string_view word, std::string_view content,
                                       std::vector<std::string>& problems);

// ---- A derived EDID, checked -------------------------------------------------------

struct CheckedEdid {
    edid_editor::Derived derived;  // refusals, or the bytes and their changes
    // {"passed", "model": {"passed", "new", "kept"}, "edidDecode": the same, or
    // null where edid-decode is not installed}; null when refused.
    nlohmann::json checks;
    std::vector<std::string> failures;  // what the result has wrong that the original had not
    std::vector<std::string> notes;     // edits that found nothing to do; checks not made
};

CheckedEdid deriveChecked(std::span<const uint8_t> original, const edid_editor::EdidEdits& edits);

}  // namespace brixel::toolkit
