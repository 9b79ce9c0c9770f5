// EDID files as brixelctl reads them.

#include "cli/edid_file.h"

#include <gtest/gtest.h>

#include <string>

namespace brixel::cli {
namespace {

std::vector<uint8_t> sample() {
    std::vector<uint8_t> e(256);
    for (std::size_t i = 0; i < e.size(); ++i) e[i] = static_cast<uint8_t>(i * 13 + 1);
    return e;
}

TEST(EdidFile, RawAndPastedHexReadTheSame) {
    const auto e = sample();
    const std::string dump = hexDump(e);
    std::string commas, prefixed, colons, upper;
    for (std::size_t i = 0; i < e.size(); ++i) {
        char b[8];
        std::snprintf(b, sizeof b, "%02x", e[i]);
        commas += std::string(i ? ", " : "") + "0x" + b;
        colons += std::string(i ? (i % 16 ? ":" : "\r\n") : "") + b;
        std::snprintf(b, sizeof b, "%02X", e[i]);
        upper += b;
        if (i % 2) upper += i % 32 == 31 ? "\n" : " ";
    }
    const std::string inputs[] = {std::string(e.begin(), e.end()), dump, commas, colons, upper};
    for (const auto& input : inputs) {
        std::string error;
        const auto bytes = parseEdidBytes(input, error);
        ASSERT_TRUE(bytes) << error << "\n" << input.substr(0, 60);
        EXPECT_EQ(*bytes, e);
    }
}

TEST(EdidFile, WrongSizesAndStrayCharactersAreRefusedClearly) {
    struct Case {
        std::string input;
        std::string error;
    };
    const Case cases[] = {
        {std::string(128, '\xFF'), "the file holds 128 bytes; an EDID for the device is 256 bytes"},
        {hexDump(std::vector<uint8_t>(255, 0x00)), "the file holds a hex dump of 255 bytes"},
        {"00 ff\n00 fg", "unexpected 'g' at line 2, column 5"},
        {"00 f 00", "'f' at line 1 is not a whole number of bytes"},
        {"0x", "'0x' at line 1 is not a whole number of bytes"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parseEdidBytes(c.input, error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST(EdidFile, EveryProblemIsListed) {
    auto e = sample();
    const auto problems = edidProblems(e);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].rfind("header is 01 0e 1b", 0), 0u) << problems[0];
    EXPECT_NE(problems[1].find("base block checksum"), std::string::npos);
    EXPECT_NE(problems[2].find("extension block checksum"), std::string::npos);

    // Mending what the messages say leaves nothing to report.
    const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(std::begin(header), std::end(header), e.begin());
    for (std::size_t block : {0u, 1u}) {
        unsigned sum = 0;
        for (std::size_t i = block * 128; i < block * 128 + 127; ++i) sum += e[i];
        e[block * 128 + 127] = static_cast<uint8_t>((256 - sum % 256) % 256);
    }
    EXPECT_TRUE(edidProblems(e).empty());
    e[200] = static_cast<uint8_t>(e[200] + 1);
    const auto one = edidProblems(e);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NE(one[0].find("bytes 128-255 sum to 0x01"), std::string::npos) << one[0];
}

}  // namespace
}  // namespace brixel::cli
