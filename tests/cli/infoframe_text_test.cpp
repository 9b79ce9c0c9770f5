#include "cli/infoframe_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brixel::cli {
namespace {

struct TextCase {
    std::string text;
    std::size_t maxBytes;
    std::vector<std::string> problems;
};

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

TEST(DrmInfoFrame, Bt2020PqMasteringAtOneThousandNits) {
    HdrMetadata m;
    const auto& bt2020 = primaryPresets[0];
    m.red = bt2020.red, m.green = bt2020.green, m.blue = bt2020.blue, m.white = whiteD65;
    m.maxCll = 1000;
    m.maxFall = 400;
    const auto frame = buildDrmInfoFrame(m);
    // Green 0.170,0.797; blue 0.131,0.046; red 0.708,0.292; white 0.3127,0.3290 in steps of 0.00002.
    const std::array<uint8_t, drmInfoFrameSize> expected{0x87, 0x01, 0x1A, 0x91, 0x02, 0x00, 0x34, 0x21, 0xAA, 0x9B,
                                                         0x96, 0x19, 0xFC, 0x08, 0x48, 0x8A, 0x08, 0x39, 0x13, 0x3D,
                                                         0x42, 0x40, 0xE8, 0x03, 0x32, 0x00, 0xE8, 0x03, 0x90, 0x01};
    EXPECT_EQ(frame, expected);
    EXPECT_TRUE(checksumHolds(frame));
    EXPECT_TRUE(hdrMetadataProblems(m).empty());
}

TEST(DrmInfoFrame, TransferFunctionCodesAndTheChecksumFollowTheValues) {
    HdrMetadata m;
    for (auto [eotf, code] : {std::pair{TransferFunction::sdr, 0},
                              {TransferFunction::hdr, 1},
                              {TransferFunction::pq, 2},
                              {TransferFunction::hlg, 3}}) {
        m.eotf = eotf;
        const auto frame = buildDrmInfoFrame(m);
        EXPECT_EQ(frame[4], code);
        EXPECT_TRUE(checksumHolds(frame));
    }
}

TEST(DrmInfoFrame, ValuesThatDoNotFitAreNamed) {
    HdrMetadata m;
    m.red = {1.2, 0.3};
    m.minLuminance = 7;
    m.maxCll = -1;
    const auto problems = hdrMetadataProblems(m);
    EXPECT_EQ(problems, (std::vector<std::string>{"red x 1.2 is outside 0 to 1",
                                                  "mastering min luminance (cd/m2) 7 is outside 0 to 6.5535",
                                                  "MaxCLL (cd/m2) -1 is outside 0 to 65535"}));
}

}  // namespace
}  // namespace brixel::cli
