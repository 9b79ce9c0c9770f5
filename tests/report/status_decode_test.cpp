// SPDX-License-Identifier: MIT
#include "report/status_decode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "report/status_fields.h"
#include "text/hex.h"

namespace brixel {
namespace {

using Block = StatusBlocks::Block;

StatusBlocks openGate() {
    StatusBlocks blocks{};
    blocks.status[0] = 0xE0;
    blocks.status[27] = 8;
    return blocks;
}

VIDEO_STATUS decode(const StatusBlocks& blocks) {
    VIDEO_STATUS status;
    std::memset(&status, '#', sizeof status);
    decodeVideoStatus(blocks, status);
    return status;
}

// Type, version, length, checksum and payload from byte 2 on, as the device delivers them.
void putInfoFrame(Block& block, uint8_t type, uint8_t version, const std::vector<uint8_t>& payload, int length = -1) {
    block[0] = 0xE0;
    block[2] = type;
    block[3] = version;
    block[4] = static_cast<uint8_t>(length < 0 ? payload.size() : length);
    block[5] = 0x5A;
    for (std::size_t i = 0; i < payload.size() && 6 + i < block.size(); ++i) block[6 + i] = payload[i];
}

void setClock(Block& s, uint32_t khz) {
    s[9] = static_cast<uint8_t>(khz);
    s[10] = static_cast<uint8_t>(khz >> 8);
    s[11] = static_cast<uint8_t>(khz >> 16);
}

// ---- the colour space rule, for both lines ------------------------------------

struct ColorSpaceCase {
    uint8_t b1, b2, b3;
    const char* suffix;
};

// Each row as ctest and a failure name it: the bytes it sets.
void PrintTo(const ColorSpaceCase& c, std::ostream* os) { *os << text::hexBytes(std::array{c.b1, c.b2, c.b3}, ":"); }

class ColorSpaceRule : public testing::TestWithParam<ColorSpaceCase> {};

TEST_P(ColorSpaceRule, InputFromTheAviBlock) {
    const auto& c = GetParam();
    auto blocks = openGate();
    blocks.avi[6] = c.b1, blocks.avi[7] = c.b2, blocks.avi[8] = c.b3;
    EXPECT_EQ(std::string(decode(blocks).inColorSpace), std::string("In Color Space:") + c.suffix);
}

TEST_P(ColorSpaceRule, OutputFromStatusBytes13To15) {
    const auto& c = GetParam();
    auto blocks = openGate();
    blocks.status[13] = c.b1, blocks.status[14] = c.b2, blocks.status[15] = c.b3;
    EXPECT_EQ(std::string(decode(blocks).outColorSpace), std::string("Out Color Space:") + c.suffix);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ColorSpaceRule,
    testing::Values(ColorSpaceCase{0x00, 0x00, 0x00, " RGB 0-255"},
                    ColorSpaceCase{0x00, 0x80, 0x04, " RGB 16-235 ITU-R BT.709"},
                    ColorSpaceCase{0x00, 0x00, 0x08, " RGB 0-255"}, ColorSpaceCase{0x00, 0x00, 0x0C, " RGB 0-255"},
                    ColorSpaceCase{0x9F, 0x3F, 0x84, " RGB 16-235"},              // only the rule's bits count
                    ColorSpaceCase{0x20, 0x40, 0x04, " YCbCr 4:2:2 SMPTE 170M"},  // no range for YCbCr
                    ColorSpaceCase{0x40, 0xC0, 0x60, " YCbCr 4:4:4 Extended ITU-R BT.2020"},
                    ColorSpaceCase{0x60, 0x80, 0x00, " YCbCr 4:2:0 ITU-R BT.709"},
                    ColorSpaceCase{0x00, 0xC0, 0x64, " RGB 16-235 Extended ITU-R BT.2020"}));

INSTANTIATE_TEST_SUITE_P(ExtendedColorimetry, ColorSpaceRule,
                         testing::Values(ColorSpaceCase{0x40, 0xC0, 0x00, " YCbCr 4:4:4 Extended xvYCC601"},
                                         ColorSpaceCase{0x40, 0xC0, 0x10, " YCbCr 4:4:4 Extended xvYCC709"},
                                         ColorSpaceCase{0x40, 0xC0, 0x20, " YCbCr 4:4:4 Extended sYCC601"},
                                         ColorSpaceCase{0x40, 0xC0, 0x30, " YCbCr 4:4:4 Extended AdobeYCC601"},
                                         ColorSpaceCase{0x40, 0xC0, 0x40, " YCbCr 4:4:4 Extended AdobeRGB"},
                                         ColorSpaceCase{0x40, 0xC0, 0x50,
                                                        " YCbCr 4:4:4 Extended ITU-R BT.2020 YcCbcCrc"},
                                         ColorSpaceCase{0x40, 0xC0, 0x60, " YCbCr 4:4:4 Extended ITU-R BT.2020"},
                                         ColorSpaceCase{0x40, 0xC0, 0x70, " YCbCr 4:4:4 Extended"},
                                         ColorSpaceCase{0x40, 0xFF, 0x8F, " YCbCr 4:4:4 Extended xvYCC601"}));

TEST(ColorSpaceRule, AnAviBlockThatFailsItsCheckStillGivesTheInputColourSpace) {
    auto blocks = openGate();
    putInfoFrame(blocks.avi, 0x82, 0x03, {0x40, 0x80, 0x00});  // wrong version
    const auto status = decode(blocks);
    EXPECT_STREQ(status.inColorSpace, "In Color Space: YCbCr 4:4:4 ITU-R BT.709");
    EXPECT_STREQ(status.aviIfHex, "");
}

// ---- input and output pixel clocks ------------------------------------------------

struct ClockCase {
    const char* what;
    uint32_t p;
    uint8_t j, k, fIn, fOut;
    uint8_t down, up;
    const char* text;
};

void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.what; }

class OutputPixelClock : public testing::TestWithParam<ClockCase> {};

TEST_P(OutputPixelClock, Text) {
    const auto& c = GetParam();
    auto blocks = openGate();
    setClock(blocks.status, c.p);
    blocks.status[18] = c.j, blocks.status[8] = c.k;
    blocks.avi[6] = c.fIn, blocks.status[13] = c.fOut;
    blocks.status[4] = c.down, blocks.status[6] = c.up;
    const auto status = decode(blocks);
    EXPECT_EQ(std::string(status.inPixelClock), "Input Pixel Clock: " + std::to_string(c.p));
    EXPECT_STREQ(status.outPixelClock, c.text) << c.what;
}

const char* over(const char* number) {
    static std::vector<std::string> texts;  // kept for the life of the test program
    texts.push_back(std::string("<font color='red'>Output Pixel Clock: ") + number + " [over HDMI2.0 limit]</font>");
    return texts.back().c_str();
}
constexpr const char* notSupported422 = "<font color='red'>Output Pixel Clock: N/A [422 16bit not supported]</font>";

INSTANTIATE_TEST_SUITE_P(
    Examples, OutputPixelClock,
    testing::Values(ClockCase{"same depth", 594000, 0, 0, 0, 0, 0, 0, "Output Pixel Clock: 594000"},
                    ClockCase{"10-bit out over the limit", 594000, 0, 1, 0, 0, 0, 0, over("742500")},
                    ClockCase{"4:2:0 in, RGB out: doubled", 297000, 0, 0, 0x60, 0x00, 0, 0,
                              "Output Pixel Clock: 594000"},
                    ClockCase{"4:2:0 both sides", 297000, 0, 0, 0x60, 0x60, 0, 0, "Output Pixel Clock: 297000"},
                    ClockCase{"4:2:0 out only: halved", 297001, 0, 0, 0x40, 0x60, 0, 0, "Output Pixel Clock: 148500"},
                    ClockCase{"exactly the limit", 640000, 0, 0, 0, 0, 0, 0, "Output Pixel Clock: 640000"},
                    ClockCase{"one past the limit", 640001, 0, 0, 0, 0, 0, 0, over("640001")},
                    ClockCase{"24-bit clock", 0xFFFFFF, 4, 4, 0, 0, 1, 0, over("4194303")}));

// P = 100001 makes every cell's truncation show.
INSTANTIATE_TEST_SUITE_P(
    DepthRatios, OutputPixelClock,
    testing::Values(ClockCase{"J0 K1", 100001, 0, 1, 0, 0, 0, 0, "Output Pixel Clock: 125001"},
                    ClockCase{"J0 K2", 100001, 0, 2, 0, 0, 0, 0, "Output Pixel Clock: 150001"},
                    ClockCase{"J0 K3", 100001, 0, 3, 0, 0, 0, 0, "Output Pixel Clock: 200002"},
                    ClockCase{"J1 K0", 100001, 1, 0, 0, 0, 0, 0, "Output Pixel Clock: 80000"},
                    ClockCase{"J1 K1", 100001, 1, 1, 0, 0, 0, 0, "Output Pixel Clock: 100001"},
                    ClockCase{"J1 K2", 100001, 1, 2, 0, 0, 0, 0, "Output Pixel Clock: 120001"},
                    ClockCase{"J1 K3", 100001, 1, 3, 0, 0, 0, 0, "Output Pixel Clock: 160001"},
                    ClockCase{"J2 K0", 100001, 2, 0, 0, 0, 0, 0, "Output Pixel Clock: 66667"},
                    ClockCase{"J2 K1", 100001, 2, 1, 0, 0, 0, 0, "Output Pixel Clock: 83334"},
                    ClockCase{"J2 K3", 100001, 2, 3, 0, 0, 0, 0, "Output Pixel Clock: 133334"},
                    ClockCase{"J3 K0", 100001, 3, 0, 0, 0, 0, 0, "Output Pixel Clock: 50000"},
                    ClockCase{"J3 K1", 100001, 3, 1, 0, 0, 0, 0, "Output Pixel Clock: 62500"},
                    ClockCase{"J3 K2", 100001, 3, 2, 0, 0, 0, 0, "Output Pixel Clock: 75000"},
                    ClockCase{"J3 K3", 100001, 3, 3, 0, 0, 0, 0, "Output Pixel Clock: 100001"},
                    ClockCase{"K same as input", 100001, 2, 4, 0, 0, 0, 0, "Output Pixel Clock: 100001"},
                    ClockCase{"J out of range", 100001, 7, 1, 0, 0, 0, 0, "Output Pixel Clock: 100001"}));

INSTANTIATE_TEST_SUITE_P(
    Output422, OutputPixelClock,
    testing::Values(ClockCase{"J0 ignores K", 100001, 0, 2, 0, 0x20, 0, 0, "Output Pixel Clock: 100001"},
                    ClockCase{"J1", 100001, 1, 0, 0, 0x20, 0, 0, "Output Pixel Clock: 80000"},
                    ClockCase{"J2", 100001, 2, 0, 0, 0x20, 0, 0, "Output Pixel Clock: 66667"},
                    ClockCase{"J3", 100001, 3, 0, 0, 0x20, 0, 0, "Output Pixel Clock: 50000"},
                    ClockCase{"4:2:0 input not doubled", 297000, 0, 0, 0x60, 0x20, 0, 0, "Output Pixel Clock: 297000"},
                    ClockCase{"16-bit not supported", 297000, 0, 3, 0, 0x20, 0, 0, notSupported422},
                    ClockCase{"over the limit wins", 700000, 0, 3, 0, 0x20, 0, 0, over("700000")}));

INSTANTIATE_TEST_SUITE_P(
    Scaling, OutputPixelClock,
    testing::Values(ClockCase{"downscaled", 594003, 0, 0, 0, 0, 1, 0, "Output Pixel Clock: 148500"},
                    ClockCase{"upscaled", 148500, 0, 0, 0, 0, 0, 1, "Output Pixel Clock: 594000"},
                    ClockCase{"both flags: down only", 594000, 0, 0, 0, 0, 1, 1, "Output Pixel Clock: 148500"},
                    ClockCase{"after the depth", 594000, 0, 1, 0, 0, 1, 0, "Output Pixel Clock: 185625"},
                    ClockCase{"after 4:2:0 doubling", 297000, 0, 0, 0x60, 0x40, 1, 0, "Output Pixel Clock: 148500"},
                    ClockCase{"upscaled over the limit", 297000, 0, 0, 0, 0, 0, 1, over("1188000")}));

// ---- input and output lines -----------------------------------------------------------

struct LineCase {
    uint8_t structure, code, hdmiFormat;
    const char* text;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << text::hexBytes(std::array{c.structure, c.code, c.hdmiFormat}, ":");
}

class InputLine : public testing::TestWithParam<LineCase> {};

TEST_P(InputLine, Text) {
    const auto& c = GetParam();
    auto blocks = openGate();
    blocks.status[2] = c.structure, blocks.status[3] = c.code, blocks.status[20] = c.hdmiFormat;
    EXPECT_STREQ(decode(blocks).input, c.text);
}

INSTANTIATE_TEST_SUITE_P(Formats, InputLine,
                         testing::Values(LineCase{0, 16, 0, "Input : 1920x1080p60"}, LineCase{0, 0, 0, "Input : "},
                                         LineCase{0, 108, 0, "Input : "}, LineCase{0, 255, 0, "Input : "},
                                         LineCase{0x00, 16, 0x40, "Input : 1920x1080p60 Frame Packed 3D,"},
                                         LineCase{0x60, 16, 0x40, "Input : 1920x1080p60 Top/Bottom 3D,"},
                                         LineCase{0x80, 32, 0x40, "Input : 1920x1080p24 Side-by-side 3D,"},
                                         LineCase{0x60, 16, 0x20, "Input : 1920x1080p60"},
                                         // A structure with no text of its own: the plain form.
                                         LineCase{0x20, 16, 0x40, "Input : 1920x1080p60"}));

TEST(OutputLine, NamesTheOutputCodeAndTheScaling) {
    struct Case {
        uint8_t down, up;
        const char* text;
    };
    for (const Case& c :
         {Case{0, 0, "Output : 3840x2160p60"}, Case{1, 0, "Output : 3840x2160p60 [downscaled]"},
          Case{0, 2, "Output : 3840x2160p60 [upscaled]"}, Case{3, 1, "Output : 3840x2160p60 [downscaled]"}}) {
        auto blocks = openGate();
        blocks.status[3] = 16;
        blocks.status[21] = 97;
        blocks.status[4] = c.down, blocks.status[6] = c.up;
        EXPECT_STREQ(decode(blocks).output, c.text);
    }
    auto blocks = openGate();
    blocks.status[21] = 200;
    EXPECT_STREQ(decode(blocks).output, "Output : ");
}

// ---- encryption ----------------------------------------------------------------------------

TEST(Encryption, BothLinesByTheirHdcpStateByte) {
    struct Case {
        uint8_t code;
        const char* input;
        const char* output;
    };
    for (const Case& c : {Case{0x14, "Input Encryption: HDCP 1.4", "Output Encryption:  HDCP 1.4"},
                          Case{0x22, "Input Encryption:  HDCP 2.2", "Output Encryption:  HDCP 2.2"},
                          Case{0x55, "Input Encryption: None", "Output Encryption:  None"},
                          Case{0x00, "Input Encryption:", "Output Encryption: "},
                          Case{0x23, "Input Encryption:", "Output Encryption: "}}) {
        auto blocks = openGate();
        blocks.status[16] = c.code;
        blocks.status[17] = c.code;
        const auto status = decode(blocks);
        EXPECT_STREQ(status.inEncryption, c.input);
        EXPECT_STREQ(status.outEncryption, c.output);
    }
    auto blocks = openGate();
    blocks.status[16] = 0x22, blocks.status[17] = 0x55;
    const auto status = decode(blocks);
    EXPECT_STREQ(status.inEncryption, "Input Encryption:  HDCP 2.2");
    EXPECT_STREQ(status.outEncryption, "Output Encryption:  None");
}

// ---- deep colour -------------------------------------------------------------------------------

TEST(InputDeepColor, ByTheInputDepthCode) {
    struct Case {
        uint8_t j, fIn;
        const char* text;
    };
    for (const Case& c : {Case{0, 0x00, "Input Deep Color: 8-bit"}, Case{0, 0x20, "Input Deep Color: up to 12-bit"},
                          Case{0, 0x60, "Input Deep Color: 8-bit"}, Case{1, 0x20, "Input Deep Color: 10-bit"},
                          Case{2, 0x00, "Input Deep Color: 12-bit"}, Case{3, 0x00, "Input Deep Color: 16-bit"},
                          Case{4, 0x00, "Input Deep Color:"}, Case{200, 0x20, "Input Deep Color:"}}) {
        auto blocks = openGate();
        blocks.status[18] = c.j;
        blocks.avi[6] = c.fIn;
        EXPECT_STREQ(decode(blocks).inDeepColor, c.text) << int(c.j) << " " << int(c.fIn);
    }
}

struct OutDepthCase {
    uint8_t down, dsCode, k, j, fIn, fOut;
    const char* text;
};

void PrintTo(const OutDepthCase& c, std::ostream* os) {
    *os << text::hexBytes(std::array{c.down, c.dsCode, c.k, c.j, c.fIn, c.fOut}, ":");
}

class OutputDeepColor : public testing::TestWithParam<OutDepthCase> {};

TEST_P(OutputDeepColor, Text) {
    const auto& c = GetParam();
    auto blocks = openGate();
    blocks.status[4] = c.down, blocks.status[5] = c.dsCode, blocks.status[8] = c.k, blocks.status[18] = c.j;
    blocks.avi[6] = c.fIn, blocks.status[13] = c.fOut;
    EXPECT_STREQ(decode(blocks).outDeepColor, c.text);
}

INSTANTIATE_TEST_SUITE_P(NoDownscaling, OutputDeepColor,
                         testing::Values(OutDepthCase{0, 3, 0, 0, 0, 0x00,
                                                      "Output Deep Color: 8-bit"},  // byte 5 not looked at
                                         OutDepthCase{0, 0, 0, 0, 0, 0x20, "Output Deep Color: up to 12-bit"},
                                         OutDepthCase{0, 0, 1, 0, 0, 0x20, "Output Deep Color: 10-bit"},
                                         OutDepthCase{0, 0, 2, 0, 0, 0x00, "Output Deep Color: 12-bit"},
                                         OutDepthCase{0, 0, 3, 0, 0, 0x00, "Output Deep Color: 16-bit"},
                                         OutDepthCase{0, 0, 4, 0, 0x20, 0x00, "Output Deep Color: up to 12-bit"},
                                         OutDepthCase{0, 0, 4, 0, 0x00, 0x20, "Output Deep Color: 8-bit"},
                                         OutDepthCase{0, 0, 4, 1, 0, 0, "Output Deep Color: 10-bit"},
                                         OutDepthCase{0, 0, 4, 2, 0, 0, "Output Deep Color: 12-bit"},
                                         OutDepthCase{0, 0, 4, 3, 0, 0, "Output Deep Color: 16-bit"},
                                         OutDepthCase{0, 0, 4, 4, 0, 0, "Output Deep Color:"},
                                         OutDepthCase{0, 0, 5, 0, 0, 0, "Output Deep Color:"}));

INSTANTIATE_TEST_SUITE_P(Downscaling, OutputDeepColor,
                         testing::Values(OutDepthCase{1, 0, 3, 0, 0, 0x20,
                                                      "Output Deep Color: 8-bit"},  // K not looked at
                                         OutDepthCase{1, 1, 0, 0, 0, 0, "Output Deep Color: 10-bit"},
                                         OutDepthCase{1, 2, 0, 0, 0, 0, "Output Deep Color: 12-bit"},
                                         OutDepthCase{1, 3, 0, 0, 0, 0, "Output Deep Color: 16-bit"},
                                         OutDepthCase{1, 4, 0, 0, 0x20, 0, "Output Deep Color: 12-bit"},
                                         OutDepthCase{1, 4, 0, 0, 0x00, 0x20, "Output Deep Color: 8-bit"},
                                         OutDepthCase{1, 4, 0, 1, 0, 0, "Output Deep Color: 10-bit"},
                                         OutDepthCase{1, 4, 0, 3, 0, 0, "Output Deep Color: 16-bit"},
                                         OutDepthCase{1, 4, 0, 9, 0, 0, "Output Deep Color:"},
                                         OutDepthCase{1, 6, 1, 0, 0, 0, "Output Deep Color:"}));

// ---- HDR ------------------------------------------------------------------------------------------

TEST(HdrInput, ByTheHdrBlockAndItsEotf) {
    struct Case {
        uint8_t type, version;
        int length;
        uint8_t eotf;
        const char* text;
    };
    for (const Case& c :
         {Case{0x87, 0x01, 26, 0, "HDR input:  Not Active"}, Case{0x87, 0x01, 26, 1, "HDR input:  HDR Luminance Range"},
          Case{0x87, 0x01, 26, 2, "HDR input:  SMPTE ST 2084"}, Case{0x87, 0x01, 26, 3, "HDR input: "},
          Case{0x87, 0x01, 26, 0x42, "HDR input: "}, Case{0x00, 0x00, 0, 2, "HDR Input: Not Active"},  // missing
          Case{0x87, 0x02, 26, 2, "HDR Input: Not Active"}, Case{0x87, 0x01, 0, 2, "HDR Input: Not Active"}}) {
        auto blocks = openGate();
        putInfoFrame(blocks.hdr, c.type, c.version, {c.eotf}, c.length);
        const auto status = decode(blocks);
        EXPECT_STREQ(status.hdrInput, c.text);
        EXPECT_EQ(status.hdrIfHex[0] == '\0', c.text[4] == 'I') << "hex text only for a passing block";
    }
}

// ---- source and display names ----------------------------------------------------------------------

std::vector<uint8_t> spdPayload(std::string_view vendor, std::string_view product) {
    std::vector<uint8_t> payload(25, 0);
    std::copy(vendor.begin(), vendor.end(), payload.begin());
    std::copy(product.begin(), product.end(), payload.begin() + 8);
    return payload;
}

TEST(SourceName, VendorAndProductFromTheSpdBlock) {
    struct Case {
        std::string_view vendor, product;
        const char* text;
    };
    for (const Case& c :
         {Case{"ABC", "Player", "Source Name: ABC Player"}, Case{"ABCDEFGH", "Player", "Source Name: ABCDEFGH Player"},
          Case{"", "", "Source Name:  "}, Case{"Vendor", "SixteenCharsLong", "Source Name: Vendor SixteenCharsLong"}}) {
        auto blocks = openGate();
        putInfoFrame(blocks.spd, 0x83, 0x01, spdPayload(c.vendor, c.product));
        blocks.spd[30] = 'Z';  // the source information byte never joins the name
        EXPECT_STREQ(decode(blocks).sourceName, c.text);
    }
}

TEST(SourceName, NoInfoWithoutAPassingSpdBlock) {
    for (const auto& [type, version, length] : {std::tuple{0x00, 0x00, 25}, std::tuple{0x83, 0x02, 25},
                                                std::tuple{0x82, 0x01, 25}, std::tuple{0x83, 0x01, 0}}) {
        auto blocks = openGate();
        putInfoFrame(blocks.spd, static_cast<uint8_t>(type), static_cast<uint8_t>(version), spdPayload("ABC", "Player"),
                     length);
        const auto status = decode(blocks);
        EXPECT_STREQ(status.sourceName, "Source Name: no info received");
        EXPECT_STREQ(status.spdIfHex, "");
    }
}

TEST(DisplayName, UpToTheLineFeedAndNeverPastThirteenBytes) {
    struct Case {
        std::string_view bytes;
        const char* text;
    };
    for (const Case& c :
         {Case{"TV\n          ", "Display Name: TV"}, Case{"ThirteenChars", "Display Name: ThirteenChars"},
          Case{"", "Display Name: "}, Case{"\n", "Display Name: "}, Case{"Big TV\0zz\n", "Display Name: Big TV"}}) {
        auto blocks = openGate();
        blocks.displayName[0] = 0xE0;
        std::copy(c.bytes.begin(), c.bytes.end(), blocks.displayName.begin() + 2);
        blocks.displayName[15] = 'X';  // past the block
        EXPECT_STREQ(decode(blocks).displayName, c.text);
    }
}

TEST(Names, HostileBytesStayInsideTheirFields) {
    auto blocks = openGate();
    std::fill(blocks.spd.begin(), blocks.spd.end(), uint8_t{0xFF});
    putInfoFrame(blocks.spd, 0x83, 0x01, {}, 0xFF);
    std::fill(blocks.displayName.begin(), blocks.displayName.end(), uint8_t{0xFF});
    const auto status = decode(blocks);
    EXPECT_EQ(strnlen(status.sourceName, sizeof status.sourceName), 13 + 8 + 1 + 16);
    EXPECT_EQ(strnlen(status.displayName, sizeof status.displayName), 14 + 13);
    EXPECT_EQ(strnlen(status.spdIfHex, sizeof status.spdIfHex), 31 * 3 - 1);
}

// ---- InfoFrame checks and hex texts ------------------------------------------------------------------

struct InfoFrameField {
    const char* name;
    Block StatusBlocks::*block;
    char (VIDEO_STATUS::*text)[120];
    uint8_t type, version;
};

constexpr InfoFrameField infoFrameFields[] = {
    {"spd", &StatusBlocks::spd, &VIDEO_STATUS::spdIfHex, 0x83, 0x01},
    {"vendor1", &StatusBlocks::vendor1, &VIDEO_STATUS::vsIfHex1, 0x81, 0x00},
    {"audio", &StatusBlocks::audio, &VIDEO_STATUS::audioIfHex, 0x84, 0x01},
    {"vendor2", &StatusBlocks::vendor2, &VIDEO_STATUS::vsIfHex2, 0x81, 0x00},
    {"avi", &StatusBlocks::avi, &VIDEO_STATUS::aviIfHex, 0x82, 0x02},
    {"hdr", &StatusBlocks::hdr, &VIDEO_STATUS::hdrIfHex, 0x87, 0x01},
};

TEST(InfoFrameHex, EachBlockPassesOnlyWithItsTypeVersionAndALength) {
    for (const auto& f : infoFrameFields) {
        auto blocks = openGate();
        putInfoFrame(blocks.*f.block, f.type, f.version, {0xAB});
        char expected[32];
        std::snprintf(expected, sizeof expected, "%02x:%02x:01:5a:ab", f.type, f.version);
        EXPECT_STREQ(decode(blocks).*f.text, expected) << f.name;

        for (const auto& [type, version, length] :
             {std::tuple{f.type ^ 0x04, int{f.version}, 1}, std::tuple{int{f.type}, f.version ^ 0x01, 1},
              std::tuple{int{f.type}, int{f.version}, 0}}) {
            auto failing = openGate();
            putInfoFrame(failing.*f.block, static_cast<uint8_t>(type), static_cast<uint8_t>(version), {0xAB}, length);
            EXPECT_STREQ(decode(failing).*f.text, "") << f.name << " " << type << " " << version << " " << length;
        }
    }
}

TEST(InfoFrameHex, CoversLengthPlusFourBytesCutAtTheBlocksEnd) {
    std::vector<uint8_t> payload(40);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(0xC0 + i);
    struct Case {
        int length;
        std::size_t bytes;
    };
    for (const Case& c : {Case{13, 17}, Case{26, 30}, Case{27, 31}, Case{28, 31}, Case{255, 31}}) {
        auto blocks = openGate();
        putInfoFrame(blocks.avi, 0x82, 0x02, payload, c.length);  // the payload runs on past byte 32
        const std::string hex = decode(blocks).aviIfHex;
        ASSERT_EQ(hex.size(), c.bytes * 3 - 1) << c.length;
        char start[10];
        std::snprintf(start, sizeof start, "82:02:%02x:", c.length);
        EXPECT_EQ(hex.substr(0, 9), start);
        char last[3];
        std::snprintf(last, sizeof last, "%02x", 0xC0 + static_cast<int>(c.bytes) - 5);
        EXPECT_EQ(hex.substr(hex.size() - 2), last) << c.length;
    }
}

// ---- the gate and what it leaves alone ----------------------------------------------------------------

TEST(ReportGate, OpenOnlyFor8And10) {
    for (int gate = 0; gate < 256; ++gate) {
        auto blocks = openGate();
        blocks.status[27] = static_cast<uint8_t>(gate);
        blocks.status[3] = 16;
        const auto status = decode(blocks);
        const bool open = gate == 8 || gate == 10;
        EXPECT_EQ(reportGateOpen(blocks), open);
        EXPECT_STREQ(status.input, open ? "Input : 1920x1080p60" : "Input :") << gate;
    }
}

TEST(ReportGate, ClosedWritesTheThirteenLabelsAndLeavesTheRest) {
    auto blocks = openGate();
    blocks.status[27] = 9;
    putInfoFrame(blocks.avi, 0x82, 0x02, {0x40});
    VIDEO_STATUS status;
    std::memset(&status, '#', sizeof status);
    decodeVideoStatus(blocks, status);
    const std::vector<std::string> labels{"Input :",
                                          "Output :",
                                          "In Color Space:",
                                          "Out Color Space:",
                                          "Input Pixel Clock:",
                                          "Output Pixel Clock:",
                                          "Source Name:",
                                          "HDR Input:",
                                          "Input Encryption:",
                                          "Output Encryption:",
                                          "Input Deep Color:",
                                          "Output Deep Color:",
                                          "Display Name:"};
    std::size_t label = 0;
    for (const auto& field : statusFields) {
        const char* text = status.*field.text;
        if (field.labelled) {
            EXPECT_EQ(std::string(text), labels.at(label++)) << field.name;
        } else {
            EXPECT_TRUE(std::all_of(text, text + 120, [](char c) { return c == '#'; })) << field.name;
        }
    }
    EXPECT_EQ(label, labels.size());
}

TEST(SinkEdidLimited, ByStatusByte26) {
    auto blocks = openGate();
    EXPECT_STREQ(decode(blocks).sinkEdidLimited, "");
    blocks.status[26] = 0x80;
    EXPECT_STREQ(decode(blocks).sinkEdidLimited, "[Sink EDID limited]");
}

TEST(EmptyBlocks, GiveTheBaseTexts) {
    const auto status = decode(openGate());
    EXPECT_STREQ(status.inColorSpace, "In Color Space: RGB 0-255");
    EXPECT_STREQ(status.aviIfHex, "");
    EXPECT_STREQ(status.sourceName, "Source Name: no info received");
    EXPECT_STREQ(status.hdrInput, "HDR Input: Not Active");
    EXPECT_STREQ(status.outPixelClock, "Output Pixel Clock: 0");
    EXPECT_STREQ(status.displayName, "Display Name: ");
    for (const auto& field : statusFields)
        if (!field.labelled && field.name != "sinkEdidLimited") {
            EXPECT_STREQ(status.*field.text, "") << field.name;
        }
}

// The InfoFrame lines come without a label, so a tool shows them under a title.
TEST(StatusFields, InfoFrameLinesCarryTitlesAndNoOtherDoes) {
    const std::vector<std::pair<std::string, std::string>> titled{
        {"vsIfHex1", "Vendor InfoFrame 1: "}, {"vsIfHex2", "Vendor InfoFrame 2: "},
        {"aviIfHex", "AVI InfoFrame: "},      {"hdrIfHex", "HDR InfoFrame: "},
        {"spdIfHex", "SPD InfoFrame: "},      {"audioIfHex", "Audio InfoFrame: "}};
    std::vector<std::pair<std::string, std::string>> found;
    for (const auto& field : statusFields)
        if (!field.title.empty()) found.emplace_back(field.name, field.title);
    EXPECT_EQ(found, titled);
}

}  // namespace
}  // namespace brixel
