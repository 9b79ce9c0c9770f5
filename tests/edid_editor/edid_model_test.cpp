// SPDX-License-Identifier: MIT
// The EDID model: every EDID the tests know comes apart and goes back byte for
// byte; a television's parts read as what they are; odd layouts are kept and
// named; the checks name what is wrong, and only that.

#include "edid_editor/edid_model.h"

#include <gtest/gtest.h>

#include <functional>

#include "edid_editor/checks.h"
#include "edid_editor/describe.h"
#include "tests/edid_editor/corpus.h"

namespace brixel {
namespace {

using namespace edid_editor;
using test::CorpusEdid;

Edid parsed(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto edid = parseEdid(bytes, error);
    EXPECT_TRUE(edid) << error;
    return edid.value_or(Edid{});
}

std::vector<uint8_t> withChecksums(std::vector<uint8_t> bytes) {
    for (std::size_t at = 0; at + blockSize <= bytes.size(); at += blockSize)
        bytes[at + blockSize - 1] = edid::checksumFor(std::span(bytes).subspan(at, blockSize));
    return bytes;
}

class Corpus : public testing::TestWithParam<CorpusEdid> {};

TEST_P(Corpus, GoesBackByteForByteWithNothingToComplainOf) {
    const auto& bytes = GetParam().bytes;
    const Edid edid = parsed(bytes);
    EXPECT_EQ(writeEdid(edid).bytes, bytes);
    EXPECT_EQ(checkEdid(bytes), std::vector<std::string>{});
    EXPECT_EQ(diffEdids(edid, edid), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, Corpus, testing::ValuesIn(test::editorCorpus()),
                         [](const auto& p) { return p.param.name; });

// The toolkit's files, some with a wrong checksum on purpose: back as they
// were, with the checksums made right.
class OtherFiles : public testing::TestWithParam<CorpusEdid> {};

TEST_P(OtherFiles, GoBackWithTheirChecksumsRight) {
    const auto& bytes = GetParam().bytes;
    EXPECT_EQ(writeEdid(parsed(bytes)).bytes, withChecksums(bytes));
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, OtherFiles, testing::ValuesIn([] {
                             auto files = test::binariesIn(BRIXEL_TOOLKIT_FIXTURES, "toolkit_");
                             const auto fuzz = test::binariesIn(BRIXEL_FUZZ_EDID_FILES, "fuzz_");
                             files.insert(files.end(), fuzz.begin(), fuzz.end());
                             return files;
                         }()),
                         [](const auto& p) { return p.param.name; });

TEST(EdidEditorModel, TakesATelevisionApart) {
    const Edid tv = parsed(test::editorFixture("tv-4k-hdr.bin"));
    EXPECT_EQ(manufacturerLetters(tv.base.manufacturer), "LTV");
    EXPECT_EQ(tv.base.product, 0xC0DE);
    EXPECT_EQ(descriptorText(tv.base.descriptors[3]), "HOME OLED");
    ASSERT_TRUE(tv.cta);
    std::vector<BlockKind> kinds;
    for (const auto& block : tv.cta->blocks) kinds.push_back(block.kind);
    EXPECT_EQ(kinds, (std::vector<BlockKind>{BlockKind::video, BlockKind::audio, BlockKind::speakers, BlockKind::hdmi,
                                             BlockKind::hdmiForum, BlockKind::videoCapability, BlockKind::colorimetry,
                                             BlockKind::hdrStatic, BlockKind::y420CapabilityMap, BlockKind::y420Video,
                                             BlockKind::hdr10Plus, BlockKind::dolbyVision}));
    EXPECT_TRUE(tv.cta->timings.empty());
    EXPECT_EQ(tv.cta->padding, std::vector<uint8_t>(15, 0));

    std::vector<unsigned> vics;
    for (const auto& mode : videoModes(tv.cta->blocks[0])) vics.push_back(mode.vic);
    EXPECT_EQ(vics, (std::vector<unsigned>{97, 16, 4, 31, 19, 96, 95, 94, 93, 63, 64, 118, 117, 34, 32, 5}));

    const HdmiFields hdmi = hdmiFields(tv.cta->blocks[3]);
    EXPECT_TRUE(hdmi.complete);
    EXPECT_EQ(hdmi.physicalAddress, 0x1000);
    EXPECT_EQ(hdmi.maxTmds, 0x3C);
    EXPECT_EQ(hdmi.latencies, (std::vector<uint8_t>{0x29, 0x29}));
    EXPECT_EQ(hdmi.hdmiVics, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(hdmi.threeD, (std::vector<uint8_t>{0x01, 0x41, 0x00, 0x1E, 0x18, 0x10, 0x46}));
}

TEST(EdidEditorModel, DescribesWhatATelevisionOffers) {
    const auto facts = describeEdid(parsed(test::editorFixture("tv-4k-hdr.bin")));
    const auto has = [&](const std::string& group, const std::string& key, const std::string& value) {
        return std::any_of(facts.begin(), facts.end(),
                           [&](const Fact& f) { return f.group == group && f.key == key && f.value == value; });
    };
    const std::string hf = "CTA: Vendor-Specific Data Block (HDMI Forum), OUI C4-5D-D8";
    const Fact expected[] = {
        {"", "Manufacturer", "LTV"},
        {"", "Year", "2021"},
        {"", "Image size", "160x90 cm"},
        {"", "Preferred timing", "3840x2160@60 (594.00 MHz)"},
        {"", "Detailed timing: 1920x1080@60 (148.50 MHz)", ""},
        {"", "Standard timing: 1920x1080@60", ""},
        {"", "Established timing: 640x480@60", ""},
        {"", "Range limits", "24-120 Hz, 15-255 kHz, 1200 MHz"},
        {"", "Display name", "HOME OLED"},
        {"CTA extension", "CTA: native detailed timings", "1"},
        {"CTA extension", "CTA: YCbCr 4:2:2", ""},
        {"CTA: Video Data Block", "Video: first VIC", "VIC 97 (3840x2160p60)"},
        {"CTA: Video Data Block", "Video: VIC 118 (3840x2160p120)", ""},
        {"CTA: Audio Data Block", "Audio: Enhanced AC-3, 8 channels, 44.1/48 kHz, byte 3 0x03", ""},
        {"CTA: Speaker Allocation Data Block", "Speakers", "FL/FR"},
        {"CTA: Vendor-Specific Data Block (HDMI), OUI 00-0C-03", "HDMI: max TMDS clock", "300 MHz"},
        {"CTA: Vendor-Specific Data Block (HDMI), OUI 00-0C-03", "HDMI: 3D_Multi_present", "2"},
        {"CTA: Vendor-Specific Data Block (HDMI), OUI 00-0C-03", "HDMI: HDMI VIC 1 (3840x2160p30)", ""},
        {hf, "HDMI Forum: max TMDS character rate", "600 MHz"},
        {hf, "HDMI Forum: max FRL rate", "12 Gbit/s on 4 lanes"},
        {hf, "HDMI Forum: VRR", "40-120 Hz"},
        {hf, "HDMI Forum: ALLM", ""},
        {"CTA: HDR Static Metadata Data Block", "HDR: hybrid log-gamma", ""},
        {"CTA: HDR Static Metadata Data Block", "HDR: desired max luminance", "800.0 cd/m\u00B2"},
        {"CTA: YCbCr 4:2:0 Capability Map Data Block", "4:2:0 also: VIC 117 (3840x2160p100)", ""},
        {"CTA: YCbCr 4:2:0 Video Data Block", "4:2:0 only: VIC 107 (3840x2160p60)", ""},
        {"CTA: HDR10+ Vendor-Specific Video Data Block, OUI 90-84-8B", "HDR10+: application version", "1"},
        {"CTA: Dolby Vision Vendor-Specific Video Data Block, OUI 00-D0-46", "Dolby Vision: version", "2"},
    };
    for (const auto& fact : expected)
        EXPECT_TRUE(has(fact.group, fact.key, fact.value)) << fact.group << " | " << fact.key << " = " << fact.value;
}

// Layouts the model keeps as they are and names as wrong where they are.
struct Layout {
    std::string name;
    std::function<void(std::vector<uint8_t>&)> shape;  // on the 1080p60 built-in, bytes of the extension from 128
    std::string problem;                               // "" for none
    std::function<void(const Edid&)> check;
};

const Layout layouts[] = {
    {"OffsetZero",
     [](auto& b) {
         b[130] = 0;
         std::fill(b.begin() + 132, b.begin() + 255, 0);
     },
     "",
     [](const Edid& e) {
         EXPECT_TRUE(e.cta->blocks.empty() && e.cta->timings.empty());
         EXPECT_EQ(e.cta->padding.size(), 123u);
     }},
    {"OffsetOutside", [](auto& b) { b[130] = 200; }, "Block 1: the DTD offset (byte 2) is 200, outside the block.",
     [](const Edid& e) { EXPECT_FALSE(e.cta->offsetInRange); }},
    {"BlockPastTheOffset", [](auto& b) { b[128 + 50] = 0xE4; },  // the colorimetry block claims a byte more
     "Block 1: the data block at byte 50 claims 4 bytes, past the DTD offset 54.",
     [](const Edid& e) {
         EXPECT_EQ(e.cta->unparsed, (std::vector<uint8_t>{0xE4, 0x05, 0x03, 0x01}));
     }},
    {"RevisionTwo", [](auto& b) { b[129] = 2; }, "",
     [](const Edid& e) {
         EXPECT_TRUE(e.cta->blocks.empty());
         EXPECT_EQ(e.cta->unparsed.size(), 50u);
         EXPECT_EQ(e.cta->timings.size(), 3u);
     }},
    {"NotCta", [](auto& b) { b[128] = 0xF0; }, "", [](const Edid& e) { EXPECT_TRUE(!e.cta && e.otherExtension); }},
    {"PaddingNotZero", [](auto& b) { b[254] = 0x55; }, "Block 1: 1 bytes after the detailed timings are not zero.",
     [](const Edid& e) { EXPECT_EQ(e.cta->padding.back(), 0x55); }},
};

class Layouts : public testing::TestWithParam<Layout> {};

TEST_P(Layouts, AreKeptAndNamed) {
    const auto& builtIn = *edid::builtInEdidFor(EDIDTABLE_1080P60_MULTI);
    std::vector<uint8_t> bytes(builtIn.begin(), builtIn.end());
    GetParam().shape(bytes);
    bytes = withChecksums(bytes);
    const Edid edid = parsed(bytes);
    GetParam().check(edid);
    EXPECT_EQ(writeEdid(edid).bytes, bytes);
    const auto problems = checkEdid(bytes);
    if (GetParam().problem.empty())
        EXPECT_EQ(problems, std::vector<std::string>{});
    else
        EXPECT_EQ(problems, std::vector<std::string>{GetParam().problem});
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, Layouts, testing::ValuesIn(layouts), [](const auto& p) { return p.param.name; });

struct Fault {
    std::string name;
    std::function<void(std::vector<uint8_t>&)> make;  // on the toolkit's base-only EDID, 128 bytes
    std::string problem;
};

const Fault faults[] = {
    {"Header", [](auto& b) { b[0] = 0x01; },
     "Block 0: the header is 01 FF FF FF FF FF FF 00, not 00 FF FF FF FF FF FF 00."},
    {"Checksum", [](auto& b) { b[127] = 0x3B; }, "Block 0: the checksum is 0x3B; the block needs 0x3A."},
    {"ExtensionMissing", [](auto& b) { b[126] = 1; },
     "Block 0 announces an extension block, but the EDID ends after it."},
    {"NoPreferredTiming", [](auto& b) { std::swap_ranges(b.begin() + 54, b.begin() + 72, b.begin() + 108); },
     "Block 0, descriptor 1: not a detailed timing, where the preferred timing belongs."},
    {"NamePadding", [](auto& b) { b[108 + 13] = 0x00; },
     "Block 0, descriptor 4: the text is not padded with spaces after its line feed."},
    {"NameCharacter", [](auto& b) { b[108 + 6] = 0x07; },
     "Block 0, descriptor 4: the text holds a character that is not printable ASCII."},
    {"TwoNames", [](auto& b) { std::copy(b.begin() + 108, b.begin() + 126, b.begin() + 90); },
     "Block 0: more than one display name descriptor."},
    {"SyncOutsideBlanking", [](auto& b) { b[54 + 8] = 0xFF; },
     "Block 0, descriptor 1: the horizontal front porch and sync are longer than the blanking."},
    {"DescriptorByteTwo", [](auto& b) { b[108 + 2] = 0x01; },
     "Block 0, descriptor 4: byte 2 of a display descriptor is 0x01, not 0."},
};

class Faults : public testing::TestWithParam<Fault> {};

TEST_P(Faults, AreNamedOnce) {
    auto bytes = test::readFile(std::filesystem::path(BRIXEL_TOOLKIT_FIXTURES) / "base-only.bin");
    ASSERT_EQ(checkEdid(bytes), std::vector<std::string>{});
    GetParam().make(bytes);
    if (GetParam().name != "Checksum") bytes = withChecksums(bytes);
    EXPECT_EQ(checkEdid(bytes), std::vector<std::string>{GetParam().problem});
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, Faults, testing::ValuesIn(faults), [](const auto& p) { return p.param.name; });

TEST(EdidEditorModel, NamesAVicThatNamesNoFormat) {
    const auto& builtIn = *edid::builtInEdidFor(EDIDTABLE_1080P60_MULTI);
    std::vector<uint8_t> bytes(builtIn.begin(), builtIn.end());
    bytes[128 + 5] = 0x80;  // the first VIC: code 128 is reserved
    EXPECT_EQ(checkEdid(withChecksums(bytes)),
              std::vector<std::string>{"Block 1, Video Data Block: VIC 128 names no CTA-861 mode."});
}

TEST(EdidEditorModel, TakesOnly128Or256Bytes) {
    std::string error;
    EXPECT_FALSE(parseEdid(std::vector<uint8_t>(100), error));
    EXPECT_EQ(error, "An EDID here is 128 or 256 bytes; this one is 100.");
    EXPECT_EQ(checkEdid(std::vector<uint8_t>(384)),
              std::vector<std::string>{"An EDID here is 128 or 256 bytes; this one is 384."});
}

TEST(EdidEditorModel, RefusesToWriteWhatDoesNotFit) {
    Edid tv = parsed(test::editorFixture("tv-4k-hdr.bin"));
    tv.cta->blocks.push_back(parseDataBlock(std::vector<uint8_t>(16, 0xEF)));  // 15 bytes to spare
    const Written written = writeEdid(tv);
    EXPECT_TRUE(written.bytes.empty());
    EXPECT_EQ(written.overBy, 1u);
}

}  // namespace
}  // namespace brixel
