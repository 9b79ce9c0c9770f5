// SPDX-License-Identifier: MIT
// Setting values as people type them, each row a case.

#include "toolkit/setting_values.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace brixel::toolkit {
namespace {

const SettingCode& row(std::string_view command) {
    for (const auto& r : settingCodes)
        if (r.command == command) return r;
    throw std::logic_error("no such setting");
}

struct ValueCase {
    const char* command;
    const char* text;
    int byte;  // -1: refused
};

// The row as ctest and a failure name it.
void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.command << " " << testing::PrintToString(std::string(c.text));
}

class SettingValueParse : public testing::TestWithParam<ValueCase> {};

TEST_P(SettingValueParse, NamesInAnyCaseAndTheirNumbersOnly) {
    const auto& c = GetParam();
    std::string error;
    const auto value = parseSettingValue(row(c.command), c.text, error);
    if (c.byte < 0) {
        EXPECT_FALSE(value) << c.command << " " << c.text;
        EXPECT_FALSE(error.empty());
    } else {
        ASSERT_TRUE(value) << error;
        EXPECT_EQ(*value, c.byte);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingValueParse,
                         testing::Values(ValueCase{"logo-led", "on", 1}, ValueCase{"logo-led", "ON", 1},
                                         ValueCase{"logo-led", "Off", 0}, ValueCase{"logo-led", "1", 1},
                                         ValueCase{"logo-led", "2", -1}, ValueCase{"port", "4", 4},
                                         ValueCase{"port", "5", -1}, ValueCase{"port", "0", -1},
                                         ValueCase{"hdcp", "2.2", 3}, ValueCase{"hdcp", "AUTO", 0},
                                         ValueCase{"hdcp", "1", -1}, ValueCase{"hdcp", "3", 3},
                                         ValueCase{"csc", "YCbCr420", 4}, ValueCase{"csc", "rgb", 1},
                                         ValueCase{"csc", "5", -1}, ValueCase{"deep-color", "10", 1},
                                         ValueCase{"deep-color", "SAME", 4}, ValueCase{"deep-color", "11", -1},
                                         ValueCase{"deep-color", "2", -1}, ValueCase{"scaling", "Down", 2},
                                         ValueCase{"bt2020", "0x02", 2}, ValueCase{"preset-4k30-mode", "x", -1}));

TEST(SettingValues, ARefusedValueSaysWhatTheSettingTakesAndHowAnyByteIsSent) {
    std::string error;
    EXPECT_FALSE(parseSettingValue(row("deep-color"), "11", error));
    EXPECT_EQ(error, "deep-color takes 8|10|12|16|same, not '11'; `brixelctl set 41 VALUE` sends any value byte 0-255");
    EXPECT_FALSE(parseSettingValue(row("port"), "5", error));
    EXPECT_EQ(error, "port takes 1|2|3|4, not '5'; `brixelctl set 0 VALUE` sends any value byte 0-255");
    EXPECT_FALSE(parseSettingValue(row("logo-led"), "2", error));
    EXPECT_EQ(error, "logo-led takes off|on (or 0|1), not '2'; `brixelctl set 22 VALUE` sends any value byte 0-255");
}

TEST(SettingValues, TheLibrarysOwnRefusalIsNamedForTheRawWrite) {
    EXPECT_EQ(settingRefusal(3, 1), "the library refuses value 1 for code 3 (hdcp) and sends nothing");
    EXPECT_FALSE(settingRefusal(3, 2));
    EXPECT_FALSE(settingRefusal(1, 1));
}

TEST(SettingValues, WordsCompareWithoutCase) {
    EXPECT_TRUE(sameWord("YCbCr420", "ycbcr420"));
    EXPECT_FALSE(sameWord("ycbcr42", "ycbcr420"));
    EXPECT_EQ(settingChoices(ArgumentKind::hdcp), "auto|1.4|2.2");
    EXPECT_EQ(settingChoices(ArgumentKind::none), "");
}

}  // namespace
}  // namespace brixel::toolkit
