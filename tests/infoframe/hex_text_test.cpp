// SPDX-License-Identifier: MIT
#include "infoframe/hex_text.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace brixel {
namespace {

// Parses as the library does: the text in its work area, a carriage return
// after it, span = length + 1.
std::vector<uint8_t> parse(const std::string& text) {
    std::array<char, infoFrameTextAreaSize> area{};
    std::copy(text.begin(), text.end(), area.begin());
    area[text.size()] = '\r';
    std::array<uint8_t, 100> bytes;
    bytes.fill(0xEE);
    const uint8_t n = parseHexBytes(area, bytes, text.size() + 1);
    for (std::size_t k = n; k < bytes.size(); ++k) EXPECT_EQ(bytes[k], 0) << "byte area not zeroed at " << k;
    return {bytes.begin(), bytes.begin() + n};
}

struct ParseCase {
    const char* text;
    std::vector<uint8_t> bytes;
};

// The row as ctest and a failure name it.
void PrintTo(const ParseCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class ParseHexBytes : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseHexBytes, GivesTheBytesOfTheWalk) { EXPECT_EQ(parse(GetParam().text), GetParam().bytes); }

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseHexBytes,
    testing::Values(ParseCase{"82:02:0D", {0x82, 0x02, 0x0D}}, ParseCase{"ab:cd", {0xAB, 0xCD}},
                    ParseCase{"AB:CD", {0xAB, 0xCD}}, ParseCase{"aB:Cd:eF:09", {0xAB, 0xCD, 0xEF, 0x09}},
                    // No colon: one byte, from the second and third characters.
                    ParseCase{"ABCDEF", {0xBC}},
                    // Not hex digits: converted by the arithmetic, no error. 'G' 0x10, 'z' 0x23.
                    ParseCase{"Gz:00", {0x23, 0x00}}, ParseCase{"  :@@", {0xF0, 0x99}},
                    // The walk ends at a colon not followed by another three on: "5:" is the last pair.
                    ParseCase{"12:34:5:67", {0x12, 0x34, 0x53}},
                    // A trailing colon takes the carriage return and the zero after it.
                    ParseCase{"12:34:", {0x12, 0x34, 0xA0}}));

TEST(ParseHexBytes, ThirtyOneBytesAtTheLongestText) {
    std::string text = "00";
    for (int k = 1; k < 31; ++k) text += ":" + std::string(1, "0123456789ABCDEF"[k % 16]) + "F";
    ASSERT_EQ(text.size(), 92u);
    const auto bytes = parse(text);
    ASSERT_EQ(bytes.size(), 31u);
    EXPECT_EQ(bytes[1], 0x1F);
    EXPECT_EQ(bytes[30], 0xEF);
}

TEST(ParseHexBytes, StaysInsideBothAreasWhateverItIsGiven) {
    // A text of colons three apart, longer than the byte area holds, and a span
    // beyond the text: reads past the text count as NUL, writes stop at the end.
    std::string text;
    for (int k = 0; k < 150; ++k) text += "AA:";
    std::array<uint8_t, 100> bytes{};
    const uint8_t n = parseHexBytes(std::span<const char>(text.data(), text.size()), bytes, 10000);
    EXPECT_EQ(n, 100);
    EXPECT_EQ(bytes[98], 0xAA);
    // Leading colons: the characters before the text read as NUL.
    const std::string colon = ":1:23";
    EXPECT_EQ(parseHexBytes(std::span<const char>(colon.data(), colon.size()), bytes, colon.size()), 2);
}

TEST(HdrChecksum, MakesTheFrameSumToZeroWithTypeAndVersionOfTheStandard) {
    std::array<uint8_t, 100> bytes{0x87, 0x01, 0x1A, 0x00, 0x02};
    EXPECT_EQ(hdrChecksum(bytes, 30), 0x5C);
    bytes[4 + 22] = 0xE8;  // PB23
    bytes[4 + 23] = 0x03;  // PB24
    EXPECT_EQ(hdrChecksum(bytes, 30), 0x71);
    // The first two bytes are not read.
    bytes[0] = 0x00;
    bytes[1] = 0x7F;
    EXPECT_EQ(hdrChecksum(bytes, 30), 0x71);
    // Only the bytes the text gave count.
    bytes[40] = 0x55;
    EXPECT_EQ(hdrChecksum(bytes, 30), 0x71);
}

}  // namespace
}  // namespace brixel
