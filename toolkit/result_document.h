// SPDX-License-Identifier: MIT
#pragma once
// The one JSON shape of a command's result, the same for every command and
// for whatever serves them (brixelctl --json, the panel's API):
//   {"command": "edid set", "confirmed": true|false|null, ...the result's own keys...,
//    "messages": [...], "warnings": [...], "notes": [...], "problems": [...],
//    "error": "..." (when it failed)}
// "confirmed" is null for a command that asked nothing of a device.
// "messages" are the library's console lines, "warnings" its warnings;
// "notes" what the command says of its inputs without refusing them, and
// "problems" what refused them (or what was let through with force).

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace brixel::toolkit {

struct ResultDocument {
    std::string command;
    std::optional<bool> confirmed;
    nlohmann::json result = nlohmann::json::object();  // the command's own keys
    std::vector<std::string> messages;                 // the library's console lines
    std::vector<std::string> warnings;                 // its warnings
    std::vector<std::string> notes;
    std::vector<std::string> problems;
    std::optional<std::string> error;

    nlohmann::json toJson() const&;
    // The same, the result's keys moved rather than copied.
    nlohmann::json toJson() &&;
};

// JSON text of any document, never throwing: bytes that are not UTF-8 (a
// file name as the file system has it) become U+FFFD. `indent` < 0: one line.
std::string jsonText(const nlohmann::json& document, int indent = 2);

}  // namespace brixel::toolkit
