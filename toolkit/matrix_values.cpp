// SPDX-License-Identifier: MIT
#include "toolkit/matrix_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace brixel::toolkit {
namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.14g", v);
    return text;
}

}  // namespace

std::vector<std::string> matrixFileWords(std::string_view content) {
    std::vector<std::string> words;
    std::string word;
    bool comment = false;
    for (char c : content) {
        if (c == '\n') comment = false;
        if (c == '#') comment = true;
        const bool separator = comment || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!separator) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::optional<std::string> matrixValueProblem(const MatrixRecordField& field, double value) {
    const double low = field.coefficient ? -coefficientLimit : offsetLow;
    const double high = field.coefficient ? coefficientLimit : offsetHigh;
    if (std::isfinite(value) && value >= low && value <= high) return std::nullopt;
    char text[160];
    std::snprintf(text, sizeof text, "%.*s: %g is outside %g to %g, which its 16-bit field holds",
                  static_cast<int>(field.name.size()), field.name.data(), value, low, high);
    return text;
}

SB_VALUES parseMatrixValues(const std::vector<std::string>& words, std::vector<std::string>& problems) {
    SB_VALUES values{};
    if (words.size() != matrixRecordFields.size()) {
        problems.push_back("expected 12 values (offset1 coef11 coef12 coef13 offset2 ... coef33), got " +
                           std::to_string(words.size()));
        return values;
    }
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string& w = words[k];
        const auto& field = matrixRecordFields[k];
        const std::string name(field.name);
        double v = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
        if (ec != std::errc{} || end != w.data() + w.size() || !std::isfinite(v)) {
            problems.push_back(name + ": '" + w + "' is not a number");
            continue;
        }
        if (auto problem = matrixValueProblem(field, v)) {
            problems.push_back(std::move(*problem));
            continue;
        }
        values.*field.field = v;
    }
    return values;
}

SB_VALUES heldMatrixValues(const SB_VALUES& asked) {
    SB_VALUES held{};
    for (const auto& f : matrixRecordFields)
        held.*f.field = f.coefficient ? coefficientFromWire(coefficientToWire(asked.*f.field))
                                      : offsetFromWire(offsetToWire(asked.*f.field));
    return held;
}

std::vector<std::string> matrixHoldingWarnings(const SB_VALUES& asked) {
    const SB_VALUES held = heldMatrixValues(asked);
    std::vector<std::string> warnings;
    for (const auto& f : matrixRecordFields) {
        const double step = 1.0 / (f.coefficient ? coefficientScale : offsetScale);
        const double a = asked.*f.field;
        const double h = held.*f.field;
        if (!(std::fabs(h - a) >= step)) continue;
        const std::string why = f.coefficient ? "a coefficient of -4 has no 3.13 form of its own and reads back as +4"
                                              : "the device gives back only the whole part of an offset, unsigned";
        warnings.push_back(std::string(f.name) + ": " + number(a) + " will read back as " + number(h) + " (" + why +
                           ")");
    }
    return warnings;
}

std::string matrixText(const SB_VALUES& v) {
    std::string text = "#         offset            col 1            col 2            col 3\n";
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t col = 0; col < 4; ++col) {
            char cell[24];
            std::snprintf(cell, sizeof cell, "%16.14g ", v.*matrixRecordFields[row * 4 + col].field);
            text += cell;
        }
        text += " # row " + std::to_string(row + 1) + "\n";
    }
    return text;
}

nlohmann::json matrixJson(const SB_VALUES& values) {
    nlohmann::json j = nlohmann::json::object();
    for (const auto& f : matrixRecordFields) j[std::string(f.name)] = values.*f.field;
    return j;
}

SB_VALUES matrixFromJson(const nlohmann::json& values) {
    SB_VALUES record{};
    for (const auto& f : matrixRecordFields) {
        const auto it = values.find(f.name);
        if (it != values.end() && it->is_number()) record.*f.field = it->get<double>();
    }
    return record;
}

}  // namespace brixel::toolkit
