// SPDX-License-Identifier: MIT
// matrix get|set|reset|enable|disable: the colour matrix and its offsets.

#include <BrixelLibrary.h>

#include <array>
#include <optional>
#include <string>

#include "toolkit/command_results.h"
#include "toolkit/matrix_values.h"
#include "toolkit/operation_families.h"

namespace brixel::toolkit::families {
namespace {

using nlohmann::json;

constexpr std::array<InputDeclaration, 1> valuesInput{{
    {"values", InputKind::values, true,
     "the twelve values in record order (offset1 coef11 coef12 coef13 offset2 ... coef33): a list, an object by "
     "name, or text as a matrix file holds it"},
}};

Plan get(const Operation&, const Inputs&) {
    Plan plan;
    plan.subject = "matrix get";
    plan.run = [](RunContext& run) {
        SB_VALUES values{};
        const bool ok = run.call([&] { return get3x(&values); });
        run.result = matrixReadResult(ok ? std::optional(values) : std::nullopt);
        return ok;
    };
    return plan;
}

// The plan that sends `values`, which fit their fields.
Plan sending(std::string_view name, SB_VALUES values) {
    Plan plan;
    plan.notes = matrixHoldingWarnings(values);
    plan.subject = name;
    plan.result = matrixSentResult(values);
    plan.run = [values](RunContext& run) mutable { return run.call([&] { return set3x(&values); }); };
    return plan;
}

// The twelve values as words, whichever shape they came in.
std::vector<std::string> wordsOf(const json& values, Plan& plan) {
    std::vector<std::string> words;
    if (values.is_string()) return matrixFileWords(values.get<std::string>());
    if (values.is_array()) {
        for (const auto& v : values) words.push_back(wordOf(v));
        return words;
    }
    std::vector<std::string> missing;
    for (const auto& field : matrixRecordFields) {
        const auto it = values.find(field.name);
        if (it == values.end())
            missing.emplace_back(field.name);
        else
            words.push_back(wordOf(*it));
    }
    if (!missing.empty()) {
        std::string names;
        for (const auto& m : missing) names += (names.empty() ? "" : ", ") + m;
        plan.refuse("the matrix needs all twelve values; missing: " + names);
    }
    return words;
}

Plan set(const Operation&, const Inputs& inputs) {
    Plan refused;
    const auto words = wordsOf(inputs.at("values"), refused);
    if (!refused.problems.empty()) return refused;
    std::vector<std::string> problems;
    const SB_VALUES values = parseMatrixValues(words, problems);
    if (!problems.empty()) {
        refused.problems = std::move(problems);
        refused.refusal = "the values are not usable";
        return refused;
    }
    return sending("matrix set", values);
}

// reset3x only fills a record; the device gets it through set3x.
Plan reset(const Operation&, const Inputs&) {
    SB_VALUES defaults{};
    reset3x(&defaults);
    return sending("matrix reset", defaults);
}

Plan defaults(const Operation&, const Inputs&) {
    SB_VALUES values{};
    reset3x(&values);
    Plan plan;
    plan.result = matrixReadResult(values);
    return plan;
}

Plan switched(std::string_view name, bool on) {
    Plan plan;
    plan.subject = name;
    plan.run = [on](RunContext& run) { return run.call([on] { return set3xEn(on); }); };
    return plan;
}

Plan enable(const Operation&, const Inputs&) { return switched("matrix enable", true); }
Plan disable(const Operation&, const Inputs&) { return switched("matrix disable", false); }

const std::array<Operation, 6> ops{{
    {"matrix get", "read the device's matrix and offsets", {}, false, get},
    {"matrix set", "write a matrix", valuesInput, true, set},
    {"matrix reset",
     "send the default matrix (BT.709 limited-range YCbCr to RGB) to the device; zero offsets",
     {},
     true,
     reset},
    {"matrix default",
     "the default matrix that reset sends, as a table 'matrix set --file' reads (no device needed)",
     {},
     false,
     defaults},
    {"matrix enable", "switch the matrix on", {}, true, enable},
    {"matrix disable", "switch the matrix off", {}, true, disable},
}};

}  // namespace

std::span<const Operation> matrix() { return ops; }

}  // namespace brixel::toolkit::families
