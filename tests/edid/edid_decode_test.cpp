// SPDX-License-Identifier: MIT
// The built-in EDIDs as Debian's edid-decode reads them: each entry says what
// its catalogue row says, and --check reports exactly the failures pinned in
// fixtures/value-NN.failures (the entries carry some on purpose).
// BRIXEL_UPDATE_EDID_FIXTURES=1 rewrites the fixtures instead of comparing.

#include "toolkit/edid_decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "edid/catalogue.h"

namespace brixel {
namespace {

using Lines = std::vector<std::string>;

std::string decoded(int value, bool check) {
    return toolkit::runEdidDecode(*edid::builtInEdidFor(value), check ? "--check" : "").value_or("");
}

Lines splitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t indentOf(const std::string& line) { return line.find_first_not_of(' '); }

// The lines under `title` (at `indent` spaces), up to the next line at that indent or less.
Lines section(const Lines& lines, const std::string& title, std::size_t indent = 2) {
    Lines body;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != std::string(indent, ' ') + title) continue;
        for (std::size_t j = i + 1; j < lines.size() && !lines[j].empty() && indentOf(lines[j]) > indent; ++j)
            body.push_back(lines[j]);
        break;
    }
    return body;
}

bool contains(const Lines& lines, const std::string& text) {
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

// "VIC  97: ..." lines: the numbers, with a '*' for native.
std::vector<std::string> vics(const Lines& body) {
    std::vector<std::string> out;
    for (const auto& l : body) {
        const auto w = words(l);
        if (w.size() < 2 || w[0] != "VIC") continue;
        out.push_back(w[1].substr(0, w[1].size() - 1) + (l.find("(native)") != std::string::npos ? "*" : ""));
    }
    return out;
}

// "DTD n: 3840x2160 60.000000 Hz ..." lines as "3840x2160@60".
std::vector<std::string> timings(const Lines& body) {
    std::vector<std::string> out;
    for (const auto& l : body) {
        const auto w = words(l);
        if (w.size() < 4 || w[0] != "DTD") continue;
        out.push_back(w[2] + "@" + w[3].substr(0, w[3].find('.')));
    }
    return out;
}

Lines failures(const Lines& lines) {
    Lines out;
    bool in = false;
    for (const auto& l : lines) {
        if (l == "Failures:") {
            in = true;
            continue;
        }
        if (l.rfind("EDID conformity:", 0) == 0) break;
        if (in && !l.empty()) out.push_back(l);
    }
    return out;
}

// ---- What each catalogue row says, written out from the row -------------------------

using Vics = std::vector<std::string>;
const Vics vid2160p60{"97", "16", "31",  "96",  "19", "5",  "20",  "32", "33", "34", "93", "94",
                      "95", "4",  "101", "102", "98", "99", "100", "7",  "22", "3",  "18"};
const Vics vid2160p50{"96", "16", "31", "4",  "19", "5",   "20", "32", "33", "34",
                      "93", "94", "95", "98", "99", "100", "7",  "22", "3",  "18"};
const Vics vid2160p30{"95", "16", "31", "4",  "19",  "5", "20", "32", "33", "34",
                      "93", "94", "98", "99", "100", "7", "22", "3",  "18"};
const Vics vid1080p60{"16*", "34", "32", "5", "4", "3", "2", "1"};
const Vics vid1080p24{"32*", "34", "5", "4", "3", "2", "1"};
const Vics vid1080i60{"5*", "4", "3", "2", "1"};

enum class Hdr { none, withHlg, withoutHlg };
enum class Colour { none, bt2020, xvycc };
enum class YCbCr { both, none, only422 };

struct Row {
    int value;
    std::string preferred;
    const Vics* vid;
    bool multichannel;
    Vics y420Map;   // VICs of the 4:2:0 capability map
    bool y420Only;  // the 4:2:0 video data block
    Hdr hdr;
    Colour colour;
    int tmds;
    bool hdmiVics;
    bool deepColour;
    bool y444;
    bool hf600;
    YCbCr ycbcr;
    bool vcdb;
    std::vector<std::string> extensionTimings;
};

const std::vector<std::string> uhdTimings{"1920x1080i@60", "1366x768@59"};
const std::vector<std::string> uhd720Timings{"1920x1080i@60", "1280x720@60"};
const std::vector<std::string> hd60Timings{"1920x1080@60", "1920x1080i@60", "1280x720@60"};
const std::vector<std::string> hd24Timings{"1920x1080i@60", "1280x720@60"};
const std::vector<std::string> hdiTimings{"1280x720@60", "720x480@59"};

// clang-format off
const Row rows[] = {
    {2, "3840x2160@60", &vid2160p60, true, {"97", "96"}, false, Hdr::withHlg, Colour::bt2020, 300, true, true, true, true, YCbCr::both, false, uhdTimings},
    {3, "3840x2160@60", &vid2160p60, false, {"97", "96"}, false, Hdr::withHlg, Colour::bt2020, 300, true, true, true, true, YCbCr::both, false, uhdTimings},
    {4, "3840x2160@60", &vid2160p60, true, {"97", "96"}, false, Hdr::none, Colour::xvycc, 300, true, true, true, true, YCbCr::both, false, uhdTimings},
    {5, "3840x2160@60", &vid2160p60, false, {"97", "96"}, false, Hdr::none, Colour::xvycc, 300, true, true, true, true, YCbCr::both, false, uhdTimings},
    {6, "3840x2160@30", &vid2160p50, true, {"96"}, false, Hdr::withoutHlg, Colour::bt2020, 300, true, true, true, true, YCbCr::both, false, uhdTimings},
    {7, "3840x2160@30", &vid2160p50, false, {"96"}, false, Hdr::withoutHlg, Colour::bt2020, 300, true, true, true, true, YCbCr::both, false, uhdTimings},
    {8, "3840x2160@30", &vid2160p30, true, {}, true, Hdr::withHlg, Colour::bt2020, 300, true, true, true, true, YCbCr::both, true, uhdTimings},
    {9, "3840x2160@30", &vid2160p30, false, {}, true, Hdr::withHlg, Colour::bt2020, 300, true, true, true, true, YCbCr::both, true, uhdTimings},
    {10, "3840x2160@30", &vid2160p30, true, {}, true, Hdr::none, Colour::bt2020, 300, true, true, true, true, YCbCr::both, true, uhdTimings},
    {11, "3840x2160@30", &vid2160p30, false, {}, true, Hdr::none, Colour::bt2020, 300, true, true, true, true, YCbCr::both, true, uhdTimings},
    {12, "3840x2160@30", &vid2160p30, true, {}, true, Hdr::none, Colour::xvycc, 300, true, true, true, false, YCbCr::both, true, uhd720Timings},
    {13, "3840x2160@30", &vid2160p30, false, {}, true, Hdr::none, Colour::xvycc, 300, true, true, true, false, YCbCr::both, true, uhd720Timings},
    {14, "3840x2160@30", &vid2160p30, true, {}, false, Hdr::none, Colour::xvycc, 300, true, true, true, false, YCbCr::both, true, uhdTimings},
    {15, "3840x2160@30", &vid2160p30, false, {}, false, Hdr::none, Colour::xvycc, 300, true, true, true, false, YCbCr::both, true, uhdTimings},
    {16, "3840x2160@30", &vid2160p30, true, {}, false, Hdr::none, Colour::none, 300, true, true, false, false, YCbCr::none, true, uhdTimings},
    {17, "3840x2160@30", &vid2160p30, false, {}, false, Hdr::none, Colour::none, 300, true, true, false, false, YCbCr::none, true, uhdTimings},
    {18, "3840x2160@30", &vid2160p30, true, {}, false, Hdr::none, Colour::xvycc, 300, true, true, false, false, YCbCr::only422, true, uhdTimings},
    {19, "3840x2160@30", &vid2160p30, false, {}, false, Hdr::none, Colour::xvycc, 300, true, true, false, false, YCbCr::only422, true, uhdTimings},
    {20, "1920x1080@60", &vid1080p60, true, {}, false, Hdr::none, Colour::xvycc, 225, false, true, true, false, YCbCr::both, false, hd60Timings},
    {21, "1920x1080@60", &vid1080p60, false, {}, false, Hdr::withHlg, Colour::xvycc, 225, false, true, true, false, YCbCr::both, false, hd60Timings},
    {22, "1920x1080@24", &vid1080p24, true, {}, false, Hdr::none, Colour::xvycc, 225, false, true, true, false, YCbCr::both, false, hd24Timings},
    {23, "1920x1080@24", &vid1080p24, false, {}, false, Hdr::none, Colour::xvycc, 75, false, false, false, false, YCbCr::both, false, hd24Timings},
    {24, "1920x1080i@60", &vid1080i60, true, {}, false, Hdr::none, Colour::none, 75, false, false, false, false, YCbCr::both, false, hdiTimings},
    {25, "1920x1080i@60", &vid1080i60, false, {}, false, Hdr::none, Colour::none, 75, false, false, false, false, YCbCr::both, false, hdiTimings},
};
// clang-format on

void PrintTo(const Row& row, std::ostream* os) { *os << "value " << row.value; }

class EdidDecode : public testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        if (!toolkit::edidDecodeInstalled())
            GTEST_SKIP() << "edid-decode is not installed (Debian package edid-decode); the catalogue was not checked";
    }
};

TEST_P(EdidDecode, SaysWhatItsRowSays) {
    const Row& row = GetParam();
    const Lines out = splitLines(decoded(row.value, false));
    ASSERT_FALSE(out.empty());

    const Lines base = section(out, "Detailed Timing Descriptors:");
    ASSERT_FALSE(timings(base).empty());
    EXPECT_EQ(timings(base).front(), row.preferred);
    EXPECT_TRUE(contains(out, "Display Product Name: 'BRIXEL'"));
    EXPECT_TRUE(contains(out, "Manufacturer: BRX"));

    EXPECT_EQ(vics(section(out, "Video Data Block:")), *row.vid);
    EXPECT_EQ(vics(section(out, "YCbCr 4:2:0 Capability Map Data Block:")), row.y420Map);
    EXPECT_EQ(vics(section(out, "YCbCr 4:2:0 Video Data Block:")),
              (row.y420Only ? Vics{"96", "97", "101", "102"} : Vics{}));

    const Lines audio = section(out, "Audio Data Block:");
    const Lines lpcm = section(audio, "Linear PCM:", 4);
    EXPECT_TRUE(contains(lpcm, row.multichannel ? "Max channels: 8" : "Max channels: 2"));
    std::size_t formats = 0;
    for (const auto& l : audio) formats += indentOf(l) == 4 ? 1 : 0;
    EXPECT_EQ(formats, row.multichannel ? 7u : 1u);
    EXPECT_EQ(section(out, "Speaker Allocation Data Block:").size(), row.multichannel ? 6u : 1u);

    const Lines hdmi = section(out, "Vendor-Specific Data Block (HDMI), OUI 00-0C-03:");
    EXPECT_TRUE(contains(hdmi, "Source physical address: 1.0.0.0"));
    EXPECT_TRUE(contains(hdmi, "Maximum TMDS clock: " + std::to_string(row.tmds) + " MHz"));
    EXPECT_EQ(contains(hdmi, "HDMI VIC 4:"), row.hdmiVics);
    EXPECT_EQ(contains(hdmi, "DC_36bit"), row.deepColour);
    EXPECT_EQ(contains(hdmi, "DC_Y444"), row.y444);
    EXPECT_EQ(contains(section(out, "Vendor-Specific Data Block (HDMI Forum), OUI C4-5D-D8:"),
                       "Maximum TMDS Character Rate: 600 MHz"),
              row.hf600);

    const Lines hdr = section(out, "HDR Static Metadata Data Block:");
    EXPECT_EQ(!hdr.empty(), row.hdr != Hdr::none);
    EXPECT_EQ(contains(hdr, "Hybrid Log-Gamma"), row.hdr == Hdr::withHlg);
    const Lines colour = section(out, "Colorimetry Data Block:");
    EXPECT_EQ(contains(colour, "xvYCC709"), row.colour != Colour::none);
    EXPECT_EQ(contains(colour, "BT2020RGB"), row.colour == Colour::bt2020);
    EXPECT_EQ(!section(out, "Video Capability Data Block:").empty(), row.vcdb);

    EXPECT_EQ(contains(out, "Supports YCbCr 4:4:4"), row.ycbcr == YCbCr::both);
    EXPECT_EQ(contains(out, "Supports YCbCr 4:2:2"), row.ycbcr != YCbCr::none);

    // The extension's timings follow its data blocks.
    const auto all = timings(out);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(all.begin() + 2, all.end()), row.extensionTimings);
}

TEST_P(EdidDecode, CheckReportsExactlyThePinnedFailures) {
    const Row& row = GetParam();
    const Lines out = splitLines(decoded(row.value, true));
    ASSERT_TRUE(contains(out, "EDID conformity:")) << "edid-decode --check gave no verdict";
    const Lines found = failures(out);

    char file[512];
    std::snprintf(file, sizeof file, "%s/value-%02d.failures", BRIXEL_EDID_FIXTURES, row.value);
    if (std::getenv("BRIXEL_UPDATE_EDID_FIXTURES")) {
        std::ofstream(file) << [&] {
            std::string text;
            for (const auto& l : found) text += l + "\n";
            return text;
        }();
        GTEST_SKIP() << "rewrote " << file;
    }
    std::ifstream in(file);
    ASSERT_TRUE(in) << "no fixture " << file;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(found, splitLines(expected.str()));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EdidDecode, testing::ValuesIn(rows),
                         [](const auto& p) { return "value" + std::to_string(p.param.value); });

}  // namespace
}  // namespace brixel
