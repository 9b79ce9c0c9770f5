#include "cli/matrix_values.h"

#include <gtest/gtest.h>

namespace brixel::cli {
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
    parseMatrixValues({"128", "4.001", "x", "0", "0", "nan", "0", "inf", "0", "1,5", "0", "-4.5"}, problems);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "offset1: 128 is outside -128 to 127.996, which its 16-bit field holds",
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

}  // namespace
}  // namespace brixel::cli
