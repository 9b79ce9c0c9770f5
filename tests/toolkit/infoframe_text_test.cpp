// SPDX-License-Identifier: MIT
#include "toolkit/infoframe_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace brixel::toolkit {
namespace {

struct TextCase {
    std::string text;
    std::size_t maxBytes;
    std::vector<std::string> problems;
};

// The row as ctest and a failure name it.
void PrintTo(const TextCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.text) << ", at most " << c.maxBytes << " bytes";
}

class InfoFrameTextCheck : public testing::TestWithParam<TextCase> {};

TEST_P(InfoFrameTextCheck, NamesEveryProblemWithItsPosition) {
    EXPECT_EQ(infoFrameTextProblems(GetParam().text, GetParam().maxBytes), GetParam().problems);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InfoFrameTextCheck,
    testing::Values(
        TextCase{"82:02:0d", 17, {}}, TextCase{"87:01", 31, {}},
        TextCase{"82:2:0D", 17, {"position 4: byte 2 '2' has 1 character; each byte is exactly two hex digits"}},
        TextCase{"82:0G:0D", 17, {"position 5: 'G' is not a hex digit (byte 2)"}},
        TextCase{":82:02", 17, {"position 1: the text begins with a colon; it must begin with a byte"}},
        TextCase{"82:02:", 17, {"position 6: the text ends with a colon; every colon must be followed by a byte"}},
        TextCase{"82::02", 17, {"position 4: two colons in a row; byte 2 is missing"}},
        TextCase{"82 02",
                 17,
                 {"position 3: ' ' is not a hex digit (byte 1)",
                  "position 1: byte 1 '82 02' has 5 characters; each byte is exactly two hex digits",
                  "1 byte given; this InfoFrame takes 2 to 17 bytes"}},
        TextCase{"82", 17, {"1 byte given; this InfoFrame takes 2 to 17 bytes"}},
        TextCase{"82:020D", 17, {"position 4: byte 2 '020D' has 4 characters; each byte is exactly two hex digits"}}));

TEST(InfoFrameTextCheck, CountsTheBytesAgainstTheLimit) {
    std::string text = "00";
    for (int k = 1; k < 18; ++k) text += ":00";
    EXPECT_EQ(infoFrameTextProblems(text, 17),
              std::vector<std::string>{"18 bytes given; this InfoFrame takes 2 to 17 bytes"});
    EXPECT_TRUE(infoFrameTextProblems(text, 31).empty());
    EXPECT_EQ(infoFrameTextProblems("", 17).size(), 1u);
}

TEST(InfoFrameTextCheck, ListsAtMostEightProblemsAndCountsTheRest) {
    const auto problems = infoFrameTextProblems("zz:zz:zz:zz:zz:zz", 17);
    ASSERT_EQ(problems.size(), 9u);
    EXPECT_EQ(problems.back(), "... and 4 more problems");
}

TEST(InfoFrameText, BytesAndTextRoundTrip) {
    const std::vector<uint8_t> bytes{0x82, 0x02, 0x0D, 0xAB};
    EXPECT_EQ(infoFrameText(bytes), "82:02:0D:AB");
    EXPECT_EQ(infoFrameTextBytes("82:02:0d:ab"), bytes);
}

}  // namespace
}  // namespace brixel::toolkit
