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
inline constexpr std::array<std::string_view, 12> matrixFieldNames{"offset1", "coef11", "coef12", "coef13",
                                                                   "offset2", "coef21", "coef22", "coef23",
                                                                   "offset3", "coef31", "coef32", "coef33"};

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
