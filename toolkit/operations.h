// SPDX-License-Identifier: MIT
#pragma once
// The operations catalogue: every device operation defined once, for every
// front end (brixelctl, the panel, the Python module). An operation names its
// inputs, checks them before anything is sent (problems refuse it, notes do
// not), makes its library calls and builds its result document. A front end
// only maps its own way of asking (options, a JSON body, keyword arguments) to
// the inputs, and the outcome (device_owner.h) to its own way of answering.

#include <BrixelPlatform.h>

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/setting_codes.h"
#include "toolkit/result_document.h"

namespace brixel::toolkit {

// What an operation is given: an object of named values, each as its input's
// kind says.
using Inputs = nlohmann::json;

enum class InputKind : uint8_t {
    word,     // a name or a number, as text or as a JSON number (a setting's value, a built-in EDID)
    text,     // text (InfoFrame bytes as hex, a file's name)
    number,   // a number
    flag,     // true or false
    content,  // bytes, as a file holds them
    values,   // a list of numbers or words, or the operation's own richer shape
};

struct InputDeclaration {
    std::string_view name;  // camelCase, as JSON bodies and documents spell keys
    InputKind kind;
    bool required;
    std::string_view help;
};

// What the library calls of a run see besides the library.
struct RunContext {
    nlohmann::json& result;       // the document's own keys
    std::vector<uint8_t>& data;   // bytes read, for a front end that writes them as they are
    const BRIXEL_USB_LAYER& usb;  // the stack the library is given, for an operation that asks it directly
    // Runs one library call; what it prints becomes console lines of its own.
    std::function<bool(const std::function<bool()>&)> call;
    // A device has been opened in this session so far.
    std::function<bool()> deviceReached;
    // This run's warnings so far.
    const std::vector<std::string>& warnings;
    // Cleared by a run whose confirmed answer fails a check it was asked for
    // (an EDID that does not conform): the device's answer and the verdict apart.
    bool& passed;
    // Whether a Brixel was reached, for a run that knows better than the
    // session does (one that opens devices itself).
    std::optional<bool>& reached;
    // The whole document, for a run that learns its notes, problems or error
    // only from what it read.
    ResultDocument& document;
};

// What an operation will do with the inputs it was given, decided before
// anything is sent.
struct Plan {
    // Any problem refuses the operation: nothing is sent.
    std::vector<std::string> problems;
    // The problems are about the inputs' shape (a missing or mistyped input),
    // not what they hold.
    bool malformed = false;
    // Sentence that heads the problems ("the InfoFrame text is not usable").
    std::string refusal;
    // An input that has the operation go on despite its problems ("force"),
    // and whether it was given.
    std::string_view override;
    bool overridden = false;
    // Said without refusing.
    std::vector<std::string> notes;
    // What the operation acts on, for a line of its outcome ("port 2"), and
    // what confirmation means for it.
    std::string subject;
    std::string_view confirmedText = "confirmed by the device";
    // What a device's answer without confirmation means for it.
    std::string_view unconfirmedText = "the device did not confirm";
    // Keys known before anything is sent; a run may add to them.
    nlohmann::json result = nlohmann::json::object();
    // Bytes made without a device (a built-in EDID exported).
    std::vector<uint8_t> data;
    // Cleared by an operation without a device whose own check failed (a
    // frame decoded with problems): its answer and the verdict apart.
    bool passed = true;
    // The library calls, true when the device confirmed; none for an
    // operation that asks nothing of a device.
    std::function<bool(RunContext&)> run;

    // Adds a problem and returns the plan, for an early return.
    Plan& refuse(std::string problem) {
        problems.push_back(std::move(problem));
        return *this;
    }
};

struct Operation {
    std::string_view name;  // "edid set": brixelctl's command, the document's "command"
    std::string_view summary;
    std::span<const InputDeclaration> inputs;
    bool changesDevice;
    Plan (*plan)(const Operation& self, const Inputs& inputs);
    // The setting an operation of the setting table sends.
    const SettingCode* setting = nullptr;
};

// Every operation: the settings by name in the setting table's order, then
// the others.
std::span<const Operation> operations();
// Nullptr for a name no operation has.
const Operation* findOperation(std::string_view name);
// The operation of a setting code the table lists by name.
const Operation* settingOperation(int code);

// The problems of `inputs` against the operation's inputs: names it does not
// take, required ones missing, values of the wrong kind.
std::vector<std::string> inputProblems(const Operation& operation, const Inputs& inputs);

// What infoframe hdr-build takes when an input is not given.
nlohmann::json hdrBuildDefaults();

// The plan for `inputs`, their shape checked first.
Plan planFor(const Operation& operation, const Inputs& inputs);

}  // namespace brixel::toolkit
