// SPDX-License-Identifier: MIT
#include "toolkit/matrix_values.h"

#include <gtest/gtest.h>

#include <limits>

namespace brixel::toolkit {
namespace {

TEST(MatrixValues, FileWordsSkipCommentsCommasAndWhiteSpace) {
    EXPECT_EQ(matrixFileWords("# identity\n0, 1, 0,0\r\n0 0 1 0 # row 2\n\t0 0 0 1"),
              (std::vector<std::string>{"0", "1", "0", "0", "0", "0", "1", "0", "0", "0", "0", "1"}));
}

TEST(MatrixValues, TwelveValuesInRecordOrder) {
    std::vector<std::string> problems;
    const SB_VALUES v =
        parseMatrixValues({"1", "2", "3", "-4", "5", "0.5", "-0.25", "4", "-128", "1e-3", "0", "-1"}, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(v.offset1, 1.0);
    EXPECT_EQ(v.coef13, -4.0);
    EXPECT_EQ(v.offset2, 5.0);
    EXPECT_EQ(v.coef22, -0.25);
    EXPECT_EQ(v.offset3, -128.0);
    EXPECT_EQ(v.coef31, 0.001);
    EXPECT_EQ(v.coef33, -1.0);
}

TEST(MatrixValues, EveryValueThatWouldNotSurviveTheWireIsNamed) {
    std::vector<std::string> problems;
    parseMatrixValues({"256", "4.001", "x", "0", "0", "nan", "0", "inf", "0", "1,5", "0", "-4.5"}, problems);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "offset1: 256 is outside -128 to 255.996, which its 16-bit field holds",
                            "coef11: 4.001 is outside -4 to 4, which its 16-bit field holds",
                            "coef12: 'x' is not a number",
                            "coef21: 'nan' is not a number",
                            "coef23: 'inf' is not a number",
                            "coef31: '1,5' is not a number",
                            "coef33: -4.5 is outside -4 to 4, which its 16-bit field holds",
                        }));
    problems.clear();
    parseMatrixValues({"1", "2"}, problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("got 2"), std::string::npos);
}

TEST(MatrixValues, ANumberGivenAsOneIsCheckedAgainstItsField) {
    const auto& offset1 = matrixRecordFields[0];
    const auto& coef11 = matrixRecordFields[1];
    EXPECT_EQ(matrixValueProblem(offset1, 255.99), std::nullopt);
    EXPECT_EQ(matrixValueProblem(coef11, -4.0), std::nullopt);
    EXPECT_EQ(matrixValueProblem(offset1, -128.5),
              "offset1: -128.5 is outside -128 to 255.996, which its 16-bit field holds");
    EXPECT_EQ(matrixValueProblem(coef11, std::numeric_limits<double>::quiet_NaN()),
              "coef11: nan is outside -4 to 4, which its 16-bit field holds");
    EXPECT_EQ(matrixValueProblem(coef11, std::numeric_limits<double>::infinity()),
              "coef11: inf is outside -4 to 4, which its 16-bit field holds");
}

}  // namespace
}  // namespace brixel::toolkit

namespace brixel::toolkit {
namespace {

TEST(MatrixValues, WhatTheDeviceHoldsAndTheWarningsWhereItDiffers) {
    std::vector<std::string> problems;
    const SB_VALUES asked =
        parseMatrixValues({"16.5", "1", "0", "-4", "-16", "0", "-0.213", "0", "0.001", "0", "0", "4"}, problems);
    ASSERT_TRUE(problems.empty());
    const SB_VALUES held = heldMatrixValues(asked);
    EXPECT_EQ(held.offset1, 16.0);
    EXPECT_EQ(held.coef13, 4.0);
    EXPECT_EQ(held.offset2, 240.0);
    EXPECT_EQ(held.coef22, -0.212890625);
    EXPECT_EQ(held.offset3, 0.0);
    EXPECT_EQ(held.coef33, 4.0);
    EXPECT_EQ(matrixHoldingWarnings(asked),
              (std::vector<std::string>{
                  "offset1: 16.5 will read back as 16 (the device gives back only the whole part of an offset, "
                  "unsigned)",
                  "coef13: -4 will read back as 4 (a coefficient of -4 has no 3.13 form of its own and reads back as "
                  "+4)",
                  "offset2: -16 will read back as 240 (the device gives back only the whole part of an offset, "
                  "unsigned)",
              }));
}

TEST(MatrixValues, TheTextFormReadsBack) {
    const SB_VALUES v{16, 1, 0, 0, 240, 0, -0.212890625, 0, 0, 1.1639404296875, 2.1119384765625, 0};
    const std::string text = matrixText(v);
    EXPECT_EQ(text,
              "#         offset            col 1            col 2            col 3\n"
              "              16                1                0                0  # row 1\n"
              "             240                0     -0.212890625                0  # row 2\n"
              "               0  1.1639404296875  2.1119384765625                0  # row 3\n");
    std::vector<std::string> problems;
    const SB_VALUES back = parseMatrixValues(matrixFileWords(text), problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(matrixJson(back), matrixJson(v));
}

}  // namespace
}  // namespace brixel::toolkit
