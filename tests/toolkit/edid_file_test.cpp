// SPDX-License-Identifier: MIT
// EDID files as brixelctl reads them.

#include "toolkit/edid_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

namespace brixel::toolkit {
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
}  // namespace brixel::toolkit

// ---- Every form people paste, as the programs that make them wrote them ---------

namespace brixel::toolkit {
namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(BRIXEL_TOOLKIT_FIXTURES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> fixtureBytes(const std::string& name) {
    const std::string raw = fixture(name);
    return {raw.begin(), raw.end()};
}

struct FormCase {
    const char* file;
    const char* bytesFile;  // the raw binary it was made from
    const char* form;
};

class EdidForms : public testing::TestWithParam<FormCase> {};

TEST_P(EdidForms, ReadsTheBytesItWasMadeFrom) {
    const auto& c = GetParam();
    const std::string content = fixture(c.file);
    ASSERT_FALSE(content.empty()) << c.file;
    std::string error;
    const auto read = readEdidBytes(content, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->form, c.form);
    EXPECT_EQ(read->bytes, fixtureBytes(c.bytesFile));
    const auto device = parseEdidBytes(content, error);
    ASSERT_TRUE(device) << error;
    EXPECT_EQ(device->size(), 256u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EdidForms,
                         testing::Values(FormCase{"edid-20.bin", "edid-20.bin", "raw binary"},
                                         // edid-decode's default output: its hex block, then the decoding.
                                         FormCase{"edid-20.edid-decode.txt", "edid-20.bin", "edid-decode's output"},
                                         // brixelctl edid get --decode with edid-decode installed.
                                         FormCase{"edid-20.get-decode.txt", "edid-20.bin", "edid-decode's output"},
                                         FormCase{"edid-20.carray.txt", "edid-20.bin", "a C array"},
                                         FormCase{"edid-20.xxd-i.txt", "edid-20.bin", "a C array"},
                                         FormCase{"edid-20.xxd.txt", "edid-20.bin", "an xxd dump"},
                                         // hexdump -C folds the repeated zero lines of this one into "*".
                                         FormCase{"edid-23.hexdump-C.txt", "edid-23.bin", "a hexdump -C dump"},
                                         // od -An -tx1 folds them too, with no address to count them by.
                                         FormCase{"edid-23.od-An.txt", "edid-23.bin", "an od dump"},
                                         FormCase{"edid-20.bom.hex", "edid-20.bin", "a hex dump"}),
                         [](const auto& p) {
                             std::string name = p.param.file;
                             for (auto& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(EdidFile, AByteOrderMarkIsNotTakenForBytes) {
    std::string error;
    const auto bytes = parseEdidBytes("\xEF\xBB\xBF" + hexDump(fixtureBytes("edid-20.bin")), error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ((*bytes)[0], 0x00);
    EXPECT_EQ((*bytes)[1], 0xFF);
}

TEST(EdidFile, ABaseBlockWithoutExtensionIsPaddedAndOneThatAnnouncesOneIsRefused) {
    const auto base = fixtureBytes("base-only.bin");
    ASSERT_EQ(base.size(), 128u);
    std::vector<std::string> notes;
    std::string error;
    const auto padded = edidForDevice({base, "raw binary"}, notes, error);
    ASSERT_TRUE(padded) << error;
    EXPECT_EQ(std::vector<uint8_t>(padded->begin(), padded->begin() + 128), base);
    EXPECT_EQ(std::vector<uint8_t>(padded->begin() + 128, padded->end()), std::vector<uint8_t>(128, 0x00));
    EXPECT_EQ(notes, std::vector<std::string>{"a base block that announces no extension: padded to 256 bytes with an "
                                              "empty extension block"});
    EXPECT_TRUE(edidProblems(*padded).empty());

    const auto full = fixtureBytes("edid-20.bin");
    const std::vector<uint8_t> announcing(full.begin(), full.begin() + 128);
    EXPECT_FALSE(edidForDevice({announcing, "raw binary"}, notes, error));
    EXPECT_EQ(error,
              "the file holds 128 bytes; an EDID for the device is 256 bytes (a base block and one extension "
              "block), and this base block announces 1 extension block that it lacks");

    std::vector<uint8_t> three(full);
    three.insert(three.end(), full.begin() + 128, full.end());
    EXPECT_FALSE(edidForDevice({three, "a hex dump"}, notes, error));
    EXPECT_EQ(error,
              "the file holds a hex dump of 384 bytes, a base block and 2 extension blocks; an EDID for the device is "
              "256 bytes (a base block and one extension block): the device cannot hold the others");
}

TEST(EdidFile, FixingChecksumsSetsTheLastByteOfEachBlockThatIsWrong) {
    auto e = fixtureBytes("edid-20.bin");
    e[10] = static_cast<uint8_t>(e[10] + 1);
    e[200] = static_cast<uint8_t>(e[200] + 3);
    EXPECT_EQ(fixEdidChecksums(e),
              (std::vector<std::string>{"base block checksum: byte 127 set from 0x39 to 0x38",
                                        "extension block checksum: byte 255 set from 0x8d to 0x8a"}));
    EXPECT_TRUE(edidProblems(e).empty());
    EXPECT_TRUE(fixEdidChecksums(e).empty());
}

TEST(EdidFile, TheFormsSayWhereTheyStopMakingSense) {
    struct Case {
        std::string input;
        std::string error;
    };
    const Case cases[] = {
        {"unsigned char e[] = {\n  0x00, 0x1ff,\n};", "not a C array of bytes: '0x1ff' at line 2 is not a byte"},
        {"unsigned char e[] = { 0x00, 0xff", "not a C array of bytes: no '}' closes the '{'"},
        {"00000000  00 ff ff ff ff ff ff 00  |........|\n00000010  00 ff  |..|\n",
         "not a hexdump -C dump: offset 00000010 at line 2 does not follow the 8 bytes before it"},
        {"00000000: 00ff ffff ffff ff00  ........\nzz", "not an xxd dump: line 2 does not begin with an offset"},
        {"edid-decode (hex):\n\n00 ff 0g\n", "not a hex dump: unexpected 'g' at line 3, column 8"},
        {"*\n00 ff\n", "not a hex dump: '*' at line 1 follows no whole line to repeat"},
        {"\n\n*", "not a hex dump: '*' at line 3 follows no whole line to repeat"},
        // 32 bytes, then a repeated line: 128 would announce no extension, 256 one; byte 126 is 0 either way.
        {" 00 ff ff ff ff ff ff 00 00 00 00 00 00 00 00 00\n 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01\n*\n"
         " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n*\n",
         "not an EDID's hex dump: od -An leaves out how often each '*' line repeats, and the EDID's size does not "
         "tell; dump it with hexdump -C, which gives the addresses"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(readEdidBytes(c.input, error)) << c.input;
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace brixel::toolkit
