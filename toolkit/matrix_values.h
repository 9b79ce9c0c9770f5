// SPDX-License-Identifier: MIT
#pragma once
// The twelve matrix values as people type them, checked before they are sent
// so that nothing wraps silently on the wire; what the device will hold of
// them, and a text form that reads back. Pure.

#include <BrixelLibrary.h>

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "matrix/fixed_point.h"

namespace brixel::toolkit {

// SB_VALUES order: per row an offset and three coefficients.
struct MatrixRecordField {
    std::string_view name;
    double SB_VALUES::*field;
    bool coefficient;
};

// The record's own order, the order people write the twelve values in.
inline constexpr std::array<MatrixRecordField, 12> matrixRecordFields{{
    {"offset1", &SB_VALUES::offset1, false},
    {"coef11", &SB_VALUES::coef11, true},
    {"coef12", &SB_VALUES::coef12, true},
    {"coef13", &SB_VALUES::coef13, true},
    {"offset2", &SB_VALUES::offset2, false},
    {"coef21", &SB_VALUES::coef21, true},
    {"coef22", &SB_VALUES::coef22, true},
    {"coef23", &SB_VALUES::coef23, true},
    {"offset3", &SB_VALUES::offset3, false},
    {"coef31", &SB_VALUES::coef31, true},
    {"coef32", &SB_VALUES::coef32, true},
    {"coef33", &SB_VALUES::coef33, true},
}};

// What the 16-bit fields hold: 3.13 coefficients, 8.8 offsets. An offset is
// taken signed or as the device reads it back, unsigned (240 is the word of
// -16), so that what `matrix get` shows can be written again.
inline constexpr double coefficientLimit = 0x8000 / coefficientScale;
inline constexpr double offsetLow = -0x8000 / offsetScale;
inline constexpr double offsetHigh = 0xFFFF / offsetScale;

// The most a matrix file may hold.
inline constexpr std::size_t matrixFileLimit = 64 * 1024;

// The words of a matrix file: numbers separated by white space or commas, with
// '#' starting a comment that runs to the end of the line.
std::vector<std::string> matrixFileWords(std::string_view content);

// Why `value` does not fit the 16-bit field of `field`; nullopt when it does.
std::optional<std::string> matrixValueProblem(const MatrixRecordField& field, double value);

// Parses exactly twelve values in SB_VALUES order; problems name each value.
SB_VALUES parseMatrixValues(const std::vector<std::string>& words, std::vector<std::string>& problems);

// What get3x gives back once `asked` was written: coefficients to 1/8192,
// -4 as +4; offsets as the whole, unsigned high byte only.
SB_VALUES heldMatrixValues(const SB_VALUES& asked);

// One line for each value the device will hold differently from what was
// asked, beyond the fields' own step.
std::vector<std::string> matrixHoldingWarnings(const SB_VALUES& asked);

// The matrix as a table that matrixFileWords and parseMatrixValues read back:
// one row per line, the numbers in record order, labels as comments.
std::string matrixText(const SB_VALUES& values);

// {"offset1": ..., "coef11": ..., ...}
nlohmann::json matrixJson(const SB_VALUES& values);
// The record from such an object; fields it lacks are 0.
SB_VALUES matrixFromJson(const nlohmann::json& values);

}  // namespace brixel::toolkit
