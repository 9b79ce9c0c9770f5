// SPDX-License-Identifier: MIT
#include "toolkit/operations.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "toolkit/operation_families.h"

namespace brixel::toolkit {
namespace families {

std::string wordOf(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_float()) {
        // The shortest text that reads back as the same number; "nan" and "inf" as such.
        std::array<char, 64> text{};
        const auto end = std::to_chars(text.data(), text.data() + text.size(), value.get<double>()).ptr;
        return std::string(text.data(), end);
    }
    return value.dump();
}

}  // namespace families

namespace {

using nlohmann::json;

bool fits(InputKind kind, const json& value) {
    switch (kind) {
        case InputKind::word: return value.is_string() || value.is_number();
        case InputKind::text:
        case InputKind::content: return value.is_string();
        case InputKind::number: return value.is_number();
        case InputKind::flag: return value.is_boolean();
        case InputKind::values: return value.is_array() || value.is_object() || value.is_string();
    }
    return false;
}

std::string_view kindText(InputKind kind) {
    switch (kind) {
        case InputKind::word: return "a name or a number";
        case InputKind::text:
        case InputKind::content: return "text";
        case InputKind::number: return "a number";
        case InputKind::flag: return "true or false";
        case InputKind::values: return "a list of values";
    }
    return "a value";
}

std::vector<Operation> everyOperation() {
    std::vector<Operation> all;
    for (const auto family : {families::settings, families::readback, families::edids, families::infoFrames,
                              families::matrix, families::devices, families::edidEditor}) {
        const auto ops = family();
        all.insert(all.end(), ops.begin(), ops.end());
    }
    return all;
}

}  // namespace

std::span<const Operation> operations() {
    static const std::vector<Operation> all = everyOperation();
    return all;
}

const Operation* findOperation(std::string_view name) {
    const auto all = operations();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Operation& op) { return op.name == name; });
    return it == all.end() ? nullptr : &*it;
}

const Operation* settingOperation(int code) {
    for (const auto& op : operations())
        if (op.setting && op.setting->code == code) return &op;
    return nullptr;
}

std::vector<std::string> inputProblems(const Operation& operation, const Inputs& inputs) {
    std::vector<std::string> problems;
    if (!inputs.is_null() && !inputs.is_object()) return {std::string(operation.name) + " takes named inputs"};
    if (inputs.is_object())
        for (const auto& [name, value] : inputs.items()) {
            // Each input given must be one the operation declares, of its kind.
            const auto declared = std::find_if(operation.inputs.begin(), operation.inputs.end(),
                                               [&](const InputDeclaration& d) { return d.name == name; });
            if (declared == operation.inputs.end())
                problems.push_back(std::string(operation.name) + " takes no input '" + name + "'");
            else if (!value.is_null() && !fits(declared->kind, value))
                problems.push_back(name + ": expected " + std::string(kindText(declared->kind)));
        }
    for (const auto& input : operation.inputs)
        if (input.required && (!inputs.is_object() || !inputs.contains(input.name) || inputs.at(input.name).is_null()))
            problems.push_back(std::string(input.name) + ": missing");
    return problems;
}

Plan planFor(const Operation& operation, const Inputs& inputs) {
    auto problems = inputProblems(operation, inputs);
    if (!problems.empty()) {
        Plan plan;
        plan.problems = std::move(problems);
        plan.malformed = true;
        return plan;
    }
    // Inputs given as null count as not given.
    Inputs given = json::object();
    if (inputs.is_object())
        for (const auto& [name, value] : inputs.items())
            if (!value.is_null()) given[name] = value;
    return operation.plan(operation, given);
}

}  // namespace brixel::toolkit
