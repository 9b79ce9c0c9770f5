#pragma once
// The twelve matrix values as people type them: checked before they are sent,
// so that nothing wraps silently on the wire. Pure.

#include <BrixelLibrary.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::cli {

// SB_VALUES order: per row an offset and three coefficients.
struct MatrixRecordField {
    std::string_view name;
    double SB_VALUES::*field;
};

// The record's own order, the order people write the twelve values in.
inline constexpr std::array<MatrixRecordField, 12> matrixRecordFields{{
    {"offset1", &SB_VALUES::offset1},
    {"coef11", &SB_VALUES::coef11},
    {"coef12", &SB_VALUES::coef12},
    {"coef13", &SB_VALUES::coef13},
    {"offset2", &SB_VALUES::offset2},
    {"coef21", &SB_VALUES::coef21},
    {"coef22", &SB_VALUES::coef22},
    {"coef23", &SB_VALUES::coef23},
    {"offset3", &SB_VALUES::offset3},
    {"coef31", &SB_VALUES::coef31},
    {"coef32", &SB_VALUES::coef32},
    {"coef33", &SB_VALUES::coef33},
}};

// What the 16-bit fields hold: 3.13 coefficients, 8.8 offsets.
inline constexpr double coefficientLimit = 4.0;
inline constexpr double offsetLow = -128.0;
inline constexpr double offsetHigh = 127.99609375;

// The words of a matrix file: numbers separated by white space or commas, with
// '#' starting a comment that runs to the end of the line.
std::vector<std::string> matrixFileWords(std::string_view content);

// Parses exactly twelve values in SB_VALUES order; problems name each value.
SB_VALUES parseMatrixValues(const std::vector<std::string>& words, std::vector<std::string>& problems);

}  // namespace brixel::cli
