// SPDX-License-Identifier: MIT
// The edits on every EDID of the corpus: each does what it was asked, changes
// nothing it did not say, leaves the bytes it has no business with alone,
// and refuses, with a sentence, exactly where it cannot work. Then the
// differences, refusals and notes of the common recipes, word for word.

#include "edid_editor/edits.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "edid_editor/cta_tables.h"
#include "edid_editor/describe.h"
#include "tests/edid_editor/corpus.h"

namespace brixel {
namespace {

using namespace edid_editor;
using test::CorpusEdid;
using testing::HasSubstr;
using Lines = std::vector<std::string>;
using Options = std::vector<std::pair<std::string, std::string>>;

Edid parsed(std::span<const uint8_t> bytes) {
    std::string error;
    auto edid = parseEdid(bytes, error);
    EXPECT_TRUE(edid) << error;
    return edid.value_or(Edid{});
}

EdidEdits editsFrom(const Options& options) {
    EdidEdits edits;
    for (const auto& [flag, text] : options) {
        if (flag == "--audio-from") {
            edits.audioFrom = test::editorFixture(text);
            continue;
        }
        const auto error = setEditOption(flag, text, edits);
        EXPECT_FALSE(error) << *error;
    }
    return edits;
}

std::vector<const DataBlock*> blocksOf(const Edid& edid, BlockKind kind) {
    std::vector<const DataBlock*> found;
    if (edid.cta)
        for (const auto& block : edid.cta->blocks)
            if (block.kind == kind) found.push_back(&block);
    return found;
}

// A field of the block's own fields, 0 where the block ends first.
uint8_t field(const DataBlock& block, std::size_t at) {
    const auto f = fields(block);
    return at < f.size() ? f[at] : 0;
}

bool offers(const Edid& edid, unsigned vic) {
    if (!edid.cta) return false;
    const auto modes = allVideoModes(*edid.cta);
    return std::any_of(modes.begin(), modes.end(), [&](const VideoMode& m) { return m.vic == vic; });
}

// Every mode the EDID lists, wherever it lists it.
struct Listed {
    std::string where;
    Mode mode;
    bool y420Only = false;
};

std::vector<Listed> listedModes(const Edid& edid) {
    std::vector<Listed> out;
    const auto timings = [&](const auto& descriptors, const std::string& where) {
        for (const auto& d : descriptors)
            if (d.kind == DescriptorKind::detailedTiming)
                out.push_back({where + timingText(detailedTiming(d)), timingMode(detailedTiming(d))});
    };
    timings(edid.base.descriptors, "timing ");
    for (const auto& slot : edid.base.standardTimings)
        if (const auto mode = standardTimingMode(slot, edid.base.revision))
            out.push_back({"standard " + modeText(*mode), *mode});
    for (const auto& timing : establishedTimingBits)
        if (edid.base.establishedTimings[timing.at] & timing.mask)
            out.push_back({"established " + modeText(establishedMode(timing)), establishedMode(timing)});
    if (!edid.cta) return out;
    timings(edid.cta->timings, "timing ");
    for (const auto& block : edid.cta->blocks) {
        for (const auto& m : videoModes(block))
            if (const auto mode = vicMode(m.vic))
                out.push_back({(block.kind == BlockKind::y420Video ? "4:2:0 only " : "") + vicText(m.vic), *mode,
                               block.kind == BlockKind::y420Video});
        for (uint8_t vic : hdmiFields(block).hdmiVics)
            if (const auto mode = hdmiVicMode(vic)) out.push_back({hdmiVicText(vic), *mode});
    }
    return out;
}

using TooMuch = std::function<bool(const Listed&)>;

// Nothing too much is left, and nothing within the limit went.
void limitHeld(const Edid& before, const Edid& after, const TooMuch& tooMuch) {
    std::multiset<std::string> kept;
    for (const auto& listed : listedModes(after)) {
        EXPECT_FALSE(tooMuch(listed)) << listed.where << " is still listed";
        kept.insert(listed.where);
    }
    for (const auto& listed : listedModes(before)) {
        if (tooMuch(listed)) continue;
        const auto found = kept.find(listed.where);
        EXPECT_NE(found, kept.end()) << listed.where << " went, though within the limit";
        if (found != kept.end()) kept.erase(found);
    }
}

bool hasTimingWithin(const Edid& edid, const TooMuch& tooMuch) {
    for (const auto& listed : listedModes(edid))
        if (listed.where.starts_with("timing ") && !tooMuch(listed)) return true;
    return false;
}

TooMuch tmdsLimit(unsigned mhz) {
    return
        [mhz](const Listed& l) { return (l.y420Only ? l.mode.pixelClockKhz / 2 : l.mode.pixelClockKhz) > mhz * 1000; };
}

TooMuch modeLimit(ModeRequest largest) {
    return [largest](const Listed& l) { return exceeds(l.mode, largest); };
}

void tmdsFieldsHeld(const Edid& after, unsigned mhz) {
    for (const auto* block : blocksOf(after, BlockKind::hdmi))
        if (const auto max = hdmiFields(*block).maxTmds; max && *max) {
            EXPECT_LE(*max * 5u, mhz);
        }
    for (const auto* block : blocksOf(after, BlockKind::hdmiForum)) {
        EXPECT_LE(field(*block, forumMaxTmdsAt) * 5u, mhz > 340 ? mhz : 0);
        EXPECT_EQ(field(*block, forumFrlAt) & forumMaxFrlMask, 0);
    }
    for (const auto& d : after.base.descriptors)
        if (d.kind == DescriptorKind::rangeLimits) {
            EXPECT_LE(d.bytes[9] * 10u, (mhz + 9) / 10 * 10);
        }
}

bool hasFreeSlot(const Edid& edid, DescriptorKind kind) {
    const auto& slots = edid.base.descriptors;
    return std::any_of(slots.begin(), slots.end(), [&](const Descriptor& d) { return d.kind == kind; }) ||
           std::any_of(slots.begin() + 1, slots.end(),
                       [](const Descriptor& d) { return d.kind == DescriptorKind::unused; });
}

void textIs(const Edid& after, DescriptorKind kind, const std::string& text) {
    int count = 0;
    for (const auto& d : after.base.descriptors)
        if (d.kind == kind) {
            EXPECT_EQ(descriptorText(d), text);
            ++count;
        }
    EXPECT_EQ(count, 1);
}

// The collection would outgrow the block with the receiver's audio in place of ours.
bool receiverAudioFits(const Edid& edid) {
    const Edid receiver = parsed(test::editorFixture("avr-multichannel.bin"));
    const auto audioBytes = [](const Edid& e) {
        std::size_t n = 0;
        for (const auto& b : e.cta->blocks)
            n += b.kind == BlockKind::audio || b.kind == BlockKind::speakers ? b.bytes.size() : 0;
        return n;
    };
    std::size_t size = ctaHeaderSize + edid.cta->unparsed.size() + descriptorSize * edid.cta->timings.size();
    for (const auto& b : edid.cta->blocks) size += b.bytes.size();
    return size - audioBytes(edid) + audioBytes(receiver) <= ctaContentEnd;
}

std::optional<DetailedTiming> preferredTiming(const Edid& edid) {
    const auto& d = edid.base.descriptors[0];
    if (d.kind != DescriptorKind::detailedTiming) return std::nullopt;
    return detailedTiming(d);
}

bool listsTimingOf(const Edid& edid, const ModeRequest& request) {
    for (const auto& listed : listedModes(edid))
        if (listed.where.starts_with("timing ") && matches(listed.mode, request)) return true;
    return false;
}

void preferredIs(const Edid& before, const Edid& after, const Derived& derived, const ModeRequest& request) {
    const auto firstMatching = [&](const Edid& e) -> std::optional<VideoMode> {
        if (!e.cta) return std::nullopt;
        for (const auto& m : allVideoModes(*e.cta))
            if (const auto mode = vicMode(m.vic); mode && matches(*mode, request)) return m;
        return std::nullopt;
    };
    const bool timing = listsTimingOf(before, request);
    if (timing) {
        ASSERT_TRUE(preferredTiming(after));
        EXPECT_TRUE(matches(timingMode(*preferredTiming(after)), request));
    }
    if (const auto vic = firstMatching(before)) {
        const auto first = allVideoModes(*after.cta).front();
        EXPECT_EQ(first.vic, vic->vic);
        EXPECT_EQ(first.native, timing && first.vic <= 64);
        EXPECT_EQ(derived.notes.size(), timing ? 0u : 1u);
    }
}

struct EditRow {
    std::string name;
    Options options;
    Lines mayChange;                                                  // what each change line may begin with
    std::vector<std::pair<std::size_t, std::size_t>> bytesMayChange;  // [from, to); empty: not checked by byte
    std::function<std::string(const Edid& original)> refusal;         // part of the refusal expected, "" for none
    std::function<void(const Edid& before, const Edid& after, const Derived& derived)> asked;
};

const std::vector<std::pair<std::size_t, std::size_t>> extensionOnly{{128, 256}};
const Lines modeLines{"Preferred timing",
                      "Detailed timing",
                      "Standard timing",
                      "Established timing",
                      "Range limits",
                      "CTA: detailed timing",
                      "Video",
                      "HDMI",
                      "4:2:0",
                      "CTA: YCbCr 4:2:0",
                      "CTA: Video Data Block"};

std::string noCta(const Edid& e, const std::string& refusal) { return e.cta ? "" : refusal; }

const EditRow editRows[] = {
    {"Name",
     {{"--name", "Lounge"}},
     {"Display name"},
     {{54, 126}, {127, 128}},
     [](const Edid& e) { return hasFreeSlot(e, DescriptorKind::displayName) ? "" : "has no place"; },
     [](const Edid&, const Edid& after, const Derived&) { textIs(after, DescriptorKind::displayName, "Lounge"); }},
    {"SerialText",
     {{"--serial-text", "SN-0042"}},
     {"Serial text"},
     {{54, 126}, {127, 128}},
     [](const Edid& e) { return hasFreeSlot(e, DescriptorKind::serialText) ? "" : "has no place"; },
     [](const Edid&, const Edid& after, const Derived&) { textIs(after, DescriptorKind::serialText, "SN-0042"); }},
    {"Serial",
     {{"--serial", "123456789"}},
     {"Serial number"},
     {{12, 16}, {127, 128}},
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) { EXPECT_EQ(after.base.serialNumber, 123456789u); }},
    {"Product",
     {{"--product", "0xBEEF"}},
     {"Product"},
     {{10, 12}, {127, 128}},
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) { EXPECT_EQ(after.base.product, 0xBEEF); }},
    {"Manufacturer",
     {{"--manufacturer", "abc"}},
     {"Manufacturer"},
     {{8, 10}, {127, 128}},
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         EXPECT_EQ(manufacturerLetters(after.base.manufacturer), "ABC");
     }},
    {"WeekAndYear",
     {{"--week", "7"}, {"--year", "2024"}},
     {"Week", "Year"},
     {{16, 18}, {127, 128}},
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         EXPECT_EQ(after.base.week, 7);
         EXPECT_EQ(after.base.year, 34);
     }},
    {"DropHdr",
     {{"--drop", "hdr"}},
     {"CTA: HDR Static Metadata Data Block removed", "CTA: HDR Dynamic Metadata Data Block removed",
      "CTA: HDR10+ Vendor-Specific Video Data Block, OUI 90-84-8B removed",
      "CTA: Dolby Vision Vendor-Specific Video Data Block, OUI 00-D0-46 removed"},
     extensionOnly,
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         for (auto kind : {BlockKind::hdrStatic, BlockKind::hdrDynamic, BlockKind::hdr10Plus, BlockKind::dolbyVision})
             EXPECT_TRUE(blocksOf(after, kind).empty());
     }},
    {"DropHdr10Plus",
     {{"--drop", "hdr10plus"}},
     {"CTA: HDR10+ Vendor-Specific Video Data Block, OUI 90-84-8B removed"},
     extensionOnly,
     nullptr,
     [](const Edid& before, const Edid& after, const Derived&) {
         EXPECT_TRUE(blocksOf(after, BlockKind::hdr10Plus).empty());
         EXPECT_EQ(blocksOf(after, BlockKind::dolbyVision).size(), blocksOf(before, BlockKind::dolbyVision).size());
     }},
    {"DropDolbyVision",
     {{"--drop", "dolby-vision"}},
     {"CTA: Dolby Vision Vendor-Specific Video Data Block, OUI 00-D0-46 removed"},
     extensionOnly,
     nullptr,
     [](const Edid& before, const Edid& after, const Derived&) {
         EXPECT_TRUE(blocksOf(after, BlockKind::dolbyVision).empty());
         EXPECT_EQ(blocksOf(after, BlockKind::hdrStatic).size(), blocksOf(before, BlockKind::hdrStatic).size());
     }},
    {"DropVrr",
     {{"--drop", "vrr"}},
     {"HDMI Forum: VRR", "HDMI Forum: QMS", "HDMI Forum: M_delta", "HDMI Forum: CinemaVRR",
      "HDMI Forum: negative M_VRR", "CTA: Vendor-Specific Data Block (AMD)"},
     extensionOnly,
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         EXPECT_TRUE(blocksOf(after, BlockKind::amd).empty());
         for (const auto* block : blocksOf(after, BlockKind::hdmiForum)) {
             EXPECT_EQ(field(*block, forumVrrMinAt), 0);
             EXPECT_EQ(field(*block, forumVrrMaxAt), 0);
             EXPECT_EQ(field(*block, forumFeaturesAt) & forumVrrFeatures, 0);
         }
     }},
    {"DropAllm",
     {{"--drop", "allm"}},
     {"HDMI Forum: ALLM removed"},
     extensionOnly,
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         for (const auto* block : blocksOf(after, BlockKind::hdmiForum))
             EXPECT_EQ(field(*block, forumFeaturesAt) & forumAllm, 0);
     }},
    {"DropAudio",
     {{"--drop", "audio"}},
     {"CTA: basic audio removed", "CTA: Audio Data Block removed", "CTA: Speaker Allocation Data Block removed"},
     extensionOnly,
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         EXPECT_TRUE(blocksOf(after, BlockKind::audio).empty());
         EXPECT_TRUE(blocksOf(after, BlockKind::speakers).empty());
         if (after.cta) {
             EXPECT_EQ(after.cta->flags & ctaBasicAudio, 0);
         }
     }},
    {"Drop3d",
     {{"--drop", "3d"}},
     {"HDMI: 3D", "HDMI Forum: 3D"},
     extensionOnly,
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         for (const auto* block : blocksOf(after, BlockKind::hdmi)) {
             const auto h = hdmiFields(*block);
             EXPECT_EQ(h.videoFlags.value_or(0) & (hdmi3dPresent | hdmi3dMulti), 0);
             EXPECT_TRUE(h.threeD.empty());
         }
         for (const auto* block : blocksOf(after, BlockKind::hdmiForum))
             EXPECT_EQ(field(*block, forumFlagsAt) & forum3dMask, 0);
     }},
    {"DropYcbcr420",
     {{"--drop", "ycbcr420"}},
     {"CTA: YCbCr 4:2:0", "HDMI Forum: DC_", "HDMI Forum: DSC native 4:2:0"},
     extensionOnly,
     nullptr,
     [](const Edid&, const Edid& after, const Derived&) {
         EXPECT_TRUE(blocksOf(after, BlockKind::y420Video).empty());
         EXPECT_TRUE(blocksOf(after, BlockKind::y420CapabilityMap).empty());
         for (const auto* block : blocksOf(after, BlockKind::hdmiForum))
             EXPECT_EQ(field(*block, forumFrlAt) & forumDc420Mask, 0);
     }},
    {"MaxTmds300",
     {{"--max-tmds", "300"}},
     modeLines,
     {},
     [](const Edid& e) { return hasTimingWithin(e, tmdsLimit(300)) ? "" : "No detailed timing within the limit"; },
     [](const Edid& before, const Edid& after, const Derived&) {
         limitHeld(before, after, tmdsLimit(300));
         tmdsFieldsHeld(after, 300);
     }},
    {"MaxTmds165",
     {{"--max-tmds", "165"}},
     modeLines,
     {},
     [](const Edid& e) { return hasTimingWithin(e, tmdsLimit(165)) ? "" : "No detailed timing within the limit"; },
     [](const Edid& before, const Edid& after, const Derived&) {
         limitHeld(before, after, tmdsLimit(165));
         tmdsFieldsHeld(after, 165);
     }},
    {"MaxMode1080p60",
     {{"--max-mode", "1920x1080@60"}},
     modeLines,
     {},
     [](const Edid& e) {
         return hasTimingWithin(e, modeLimit({1920, 1080, 60, false})) ? "" : "No detailed timing within the limit";
     },
     [](const Edid& before, const Edid& after, const Derived&) {
         limitHeld(before, after, modeLimit({1920, 1080, 60, false}));
     }},
    {"AudioFromReceiver",
     {{"--audio-from", "avr-multichannel.bin"}},
     {"Audio", "Speakers", "CTA: Audio Data Block", "CTA: Speaker Allocation Data Block", "CTA: basic audio"},
     extensionOnly,
     [](const Edid& e) {
         if (!e.cta) return "no CTA-861 extension to put audio blocks in";
         return receiverAudioFits(e) ? "" : "does not fit";
     },
     [](const Edid&, const Edid& after, const Derived&) {
         const Edid receiver = parsed(test::editorFixture("avr-multichannel.bin"));
         const auto audio = [](const Edid& e) {
             std::vector<std::vector<uint8_t>> blocks;
             for (const auto& b : e.cta->blocks)
                 if (b.kind == BlockKind::audio || b.kind == BlockKind::speakers) blocks.push_back(b.bytes);
             return blocks;
         };
         EXPECT_EQ(audio(after), audio(receiver));
         EXPECT_EQ(after.cta->flags & ctaBasicAudio, receiver.cta->flags & ctaBasicAudio);
     }},
    {"AddVic",
     {{"--add-vic", "63"}},
     {"Video", "CTA: Video Data Block added", "HDMI: 3D"},
     extensionOnly,
     [](const Edid& e) { return noCta(e, "no CTA-861 extension to hold VICs"); },
     [](const Edid& before, const Edid& after, const Derived& derived) {
         EXPECT_TRUE(offers(after, 63));
         EXPECT_EQ(std::count_if(derived.notes.begin(), derived.notes.end(),
                                 [](const std::string& n) { return n.ends_with("is offered already."); }),
                   offers(before, 63) ? 1 : 0);
     }},
    {"RemoveVic",
     {{"--remove-vic", "16"}},
     {"Video", "HDMI: 3D", "CTA: Video Data Block removed", "CTA: YCbCr 4:2:0"},
     extensionOnly,
     [](const Edid& e) { return noCta(e, "no CTA-861 extension to remove VICs from"); },
     [](const Edid& before, const Edid& after, const Derived& derived) {
         EXPECT_FALSE(offers(after, 16));
         EXPECT_EQ(derived.notes.size(), offers(before, 16) ? 0u : 1u);
     }},
    {"PreferredVic",
     {{"--preferred", "16"}},
     {"Video", "Preferred timing", "Detailed timing", "CTA: detailed timing", "HDMI: 3D"},
     {},
     [](const Edid& e) { return offers(e, 16) ? "" : "is not in the Video Data Block"; },
     [](const Edid& before, const Edid& after, const Derived& derived) {
         preferredIs(before, after, derived, {1920, 1080, 60, false});
     }},
    {"PreferredMode",
     {{"--preferred", "1920x1080@60"}},
     {"Video", "Preferred timing", "Detailed timing", "CTA: detailed timing", "HDMI: 3D"},
     {},
     [](const Edid& e) {
         return offers(e, 16) || offers(e, 76) || listsTimingOf(e, {1920, 1080, 60, false}) ? "" : "is offered here";
     },
     [](const Edid& before, const Edid& after, const Derived& derived) {
         preferredIs(before, after, derived, {1920, 1080, 60, false});
     }},
};

void PrintTo(const EditRow& row, std::ostream* os) { *os << row.name; }

class EveryEdit : public testing::TestWithParam<std::tuple<EditRow, CorpusEdid>> {};

TEST_P(EveryEdit, DoesWhatItSaysAndNothingElse) {
    const auto& [row, source] = GetParam();
    const Edid before = parsed(source.bytes);
    const Derived derived = deriveEdid(source.bytes, editsFrom(row.options));
    const std::string refusal = row.refusal ? row.refusal(before) : "";
    if (!refusal.empty()) {
        ASSERT_EQ(derived.refusals.size(), 1u) << testing::PrintToString(derived.refusals);
        EXPECT_THAT(derived.refusals[0], HasSubstr(refusal));
        EXPECT_TRUE(derived.bytes.empty());
        return;
    }
    ASSERT_EQ(derived.refusals, Lines{});
    ASSERT_EQ(derived.bytes.size(), source.bytes.size());
    for (std::size_t at = 0; at < derived.bytes.size(); at += blockSize)
        EXPECT_TRUE(edid::sumsToZero(std::span(derived.bytes).subspan(at, blockSize)));
    EXPECT_EQ(derived.problems, Lines{});
    for (const auto& line : derived.changes)
        EXPECT_TRUE(std::any_of(row.mayChange.begin(), row.mayChange.end(),
                                [&](const std::string& prefix) { return line.starts_with(prefix); }))
            << "unasked change: " << line;
    const auto mayChange = [&](std::size_t i) {
        return row.bytesMayChange.empty() ||
               std::any_of(row.bytesMayChange.begin(), row.bytesMayChange.end(),
                           [&](const auto& range) { return i >= range.first && i < range.second; });
    };
    for (std::size_t i = 0; i < source.bytes.size(); ++i) {
        if (!mayChange(i)) {
            EXPECT_EQ(derived.bytes[i], source.bytes[i]) << "byte " << i;
        }
    }
    // What changes nothing says so, and leaves every byte as it was.
    if (derived.changes.empty()) {
        EXPECT_EQ(derived.bytes, source.bytes);
    }
    if (!derived.notes.empty() && row.name.starts_with("Drop")) {
        EXPECT_EQ(derived.changes, Lines{});
    }
    row.asked(before, parsed(derived.bytes), derived);
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, EveryEdit,
                         testing::Combine(testing::ValuesIn(editRows), testing::ValuesIn(test::editorCorpus())),
                         [](const auto& p) { return std::get<0>(p.param).name + "_" + std::get<1>(p.param).name; });

// ---- The common recipes, word for word -------------------------------------------------

Derived derive(const std::string& fixture, const Options& options) {
    return deriveEdid(test::editorFixture(fixture), editsFrom(options));
}

TEST(EdidEditorRecipes, TelevisionWithoutHdrCalledLounge) {
    const Derived d = derive("tv-4k-hdr.bin", {{"--drop", "hdr"}, {"--name", "Lounge"}});
    EXPECT_EQ(d.changes, (Lines{"Display name: HOME OLED \u2192 Lounge", "CTA: HDR Static Metadata Data Block removed",
                                "CTA: HDR10+ Vendor-Specific Video Data Block, OUI 90-84-8B removed",
                                "CTA: Dolby Vision Vendor-Specific Video Data Block, OUI 00-D0-46 removed"}));
    EXPECT_EQ(d.notes, Lines{});
}

TEST(EdidEditorRecipes, TelevisionWithTheReceiversAudio) {
    const Derived d = derive("tv-4k-hdr.bin", {{"--audio-from", "avr-multichannel.bin"}});
    EXPECT_EQ(d.changes, (Lines{"Audio: LPCM, 2 channels, 32/44.1/48 kHz, 16/20/24 bit removed",
                                "Audio: LPCM, 8 channels, 32/44.1/48/88.2/96/176.4/192 kHz, 16/20/24 bit added",
                                "Audio: DTS, 6 channels, 44.1/48/88.2/96 kHz, up to 1536 kbit/s added",
                                "Audio: One Bit Audio, 6 channels, 44.1 kHz, byte 3 0x00 added",
                                "Audio: DTS-HD, 8 channels, 44.1/48/88.2/96/176.4/192 kHz, byte 3 0x03 added",
                                "Audio: MAT, 8 channels, 44.1/48/88.2/96/176.4/192 kHz, byte 3 0x03 added",
                                "Speakers: FL/FR \u2192 FL/FR, LFE, FC, RL/RR, RLC/RRC, TpFL/TpFR"}));
}

TEST(EdidEditorRecipes, TelevisionForA300MHzCaptureCard) {
    const Derived d = derive("tv-4k-hdr.bin", {{"--max-tmds", "300"}});
    EXPECT_EQ(d.changes, (Lines{
                             "Preferred timing: 3840x2160@60 (594.00 MHz) \u2192 1920x1080@60 (148.50 MHz)",
                             "Detailed timing: 1920x1080@60 (148.50 MHz) removed",
                             "Range limits: 24-120 Hz, 15-255 kHz, 1200 MHz \u2192 24-120 Hz, 15-255 kHz, 300 MHz",
                             "Video: first VIC: VIC 97 (3840x2160p60) \u2192 VIC 16 (1920x1080p60)",
                             "Video: VIC 97 (3840x2160p60) removed",
                             "Video: VIC 96 (3840x2160p50) removed",
                             "Video: VIC 118 (3840x2160p120) removed",
                             "Video: VIC 117 (3840x2160p100) removed",
                             // VIC 16 and 19 keep their 3D, at their new places 0 and 3.
                             "HDMI: 3D fields: 01 41 00 1E 18 10 46 \u2192 01 41 00 0F 08 10 36",
                             "HDMI Forum: max TMDS character rate removed",
                             "HDMI Forum: DSC 1.2a removed",
                             "HDMI Forum: DSC all bpp removed",
                             "HDMI Forum: DSC 12 bpc removed",
                             "HDMI Forum: DSC 10 bpc removed",
                             "HDMI Forum: max FRL rate removed",
                             "HDMI Forum: DSC max slices and FRL rate removed",
                             "HDMI Forum: DSC total chunk byte removed",
                             // Its four VICs all went; 4:2:0-only 2160p50 and p60 need 297 MHz and stay.
                             "CTA: YCbCr 4:2:0 Capability Map Data Block removed",
                         }));
    EXPECT_EQ(d.problems, Lines{});
}

TEST(EdidEditorRecipes, TheCapabilityMapFollowsItsVics) {
    // 97 and 96 are 4:2:0-capable at places 0 and 5; 16 first moves them to 1 and 5.
    const Derived d = derive("tv-4k-hdr.bin", {{"--preferred", "16"}, {"--remove-vic", "4"}});
    const Edid after = parsed(d.bytes);
    const auto maps = blocksOf(after, BlockKind::y420CapabilityMap);
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(fields(*maps[0]).begin(), fields(*maps[0]).end()),
              (std::vector<uint8_t>{0x12, 0x0C}));  // places 1, 4 (96), 10 (118), 11 (117)
    EXPECT_EQ(d.changes, (Lines{"Preferred timing: 3840x2160@60 (594.00 MHz) \u2192 1920x1080@60 (148.50 MHz)",
                                "Detailed timing: 1920x1080@60 (148.50 MHz) removed",
                                "Detailed timing: 3840x2160@60 (594.00 MHz) added",
                                "Video: first VIC: VIC 97 (3840x2160p60) \u2192 VIC 16 (1920x1080p60)",
                                "Video: VIC 16 (1920x1080p60): now native", "Video: VIC 4 (1280x720p60) removed",
                                "HDMI: 3D fields: 01 41 00 1E 18 10 46 \u2192 01 41 00 0D 08 10 36"}));
}

TEST(EdidEditorRecipes, ThreeDForAllBecomesAMaskWhenAVicJoinsTheFirstSixteen) {
    Edid edid = parsed(std::span(*edid::builtInEdidFor(EDIDTABLE_1080P60_MULTI)));
    for (auto& block : edid.cta->blocks)  // 3D_Multi_present 1: the structures apply to all of the first 16
        if (block.kind == BlockKind::hdmi)
            block = parseDataBlock({0x6C, 0x03, 0x0C, 0x00, 0x10, 0x00, 0xB8, 0x2D, 0x20, 0xA0, 0x02, 0x01, 0x41});
    const Derived d = deriveEdid(writeEdid(edid).bytes, editsFrom({{"--add-vic", "63"}}));
    EXPECT_EQ(d.changes, (Lines{"Video: VIC 63 (1920x1080p120) added", "HDMI: 3D_Multi_present: 1 \u2192 2",
                                "HDMI: 3D fields: 01 41 \u2192 01 41 00 FF"}));
}

// ---- Refusals and notes, word for word ----------------------------------------------------

std::vector<uint8_t> builtIn(EDIDTABLE value) {
    const auto& e = *edid::builtInEdidFor(value);
    return {e.begin(), e.end()};
}

// The 1080p60 built-in with its extension's byte `at` set to `value`, checksum mended.
std::vector<uint8_t> withExtensionByte(std::size_t at, uint8_t value) {
    auto bytes = builtIn(EDIDTABLE_1080P60_MULTI);
    bytes[blockSize + at] = value;
    bytes.back() = edid::checksumFor(std::span(bytes).last(blockSize));
    return bytes;
}

struct Refusal {
    std::string name;
    std::vector<uint8_t> source;
    std::function<void(EdidEdits&)> edits;
    Lines refusals;
};

const Refusal refusals[] = {
    {"NameTooLong",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) { e.name = "Lounge Theatre 1"; },
     {"The display name \"Lounge Theatre 1\" is 16 characters long; a descriptor holds 13."}},
    {"NoPlaceForSerialText",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) { e.serialText = "SN1"; },
     {"The serial text has no place: the base block's four descriptors are all in use (a detailed timing, a "
      "detailed timing, the range limits, the display name)."}},
    {"EverythingWrongAtOnce",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) {
         e.manufacturer = "AB1";
         e.week = 55;
         e.year = 1989;
         e.maxTmdsMhz = 297;
     },
     {"The manufacturer is three letters A to Z, like ABC; \"AB1\" is not.",
      "The week of manufacture is 1 to 54, or 0 for none; 55 is not.",
      "The year of manufacture is 1990 to 2245; 1989 is not.",
      "The TMDS limit is 25 to 1275 MHz in steps of 5 MHz, as the HDMI blocks hold it; 297 is not."}},
    {"OneByteOver",
     builtIn(EDIDTABLE_2160P60_HDR_MULTI),  // 3 bytes to spare
     [](EdidEdits& e) {
         e.addVics = {1, 2, 6, 17};
     },
     {"The result does not fit in 256 bytes: the CTA block's data blocks and timings run 1 byte over its 128."}},
    {"VideoBlockFull",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) { e.addVics = {1, 2, 3, 6, 7, 17, 18, 20, 21, 22, 33, 60, 61, 62, 65, 66}; },
     {"A Video Data Block holds at most 31 VICs; this one would hold 32."}},
    {"VicOverTheLimit",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) {
         e.maxTmdsMhz = 300;
         e.addVics = {97};
     },
     {"VIC 97 (3840x2160p60) needs 594 MHz, more than the TMDS limit of 300 MHz."}},
    {"VicBeyondTheLargestMode",
     test::editorFixture("capture-card.bin"),
     [](EdidEdits& e) {
         e.maxMode = ModeRequest{1920, 1080, 60, false};
         e.addVics = {63};
     },
     {"VIC 63 (1920x1080p120) is beyond the largest mode, 1920x1080@60."}},
    {"VicNamesNothing",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) { e.addVics = {150}; },
     {"VIC 150 names no CTA-861 video format."}},
    {"PreferredNotOffered",
     test::editorFixture("capture-card.bin"),
     [](EdidEdits& e) { e.preferred = Preferred{97u}; },
     {"VIC 97 (3840x2160p60) is not in the Video Data Block; add it with --add-vic to make it preferred."}},
    {"PreferredModeNotOffered",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) {
         e.preferred = ModeRequest{1280, 800, 60, false};
     },
     {"No 1280x800@60 mode is offered here to make preferred."}},
    {"RevisionTwoHasNoDataBlocks",
     withExtensionByte(1, 2),
     [](EdidEdits& e) { e.addVics = {63}; },
     {"This EDID's CTA-861 extension is revision 2, which holds no data blocks."}},
    {"OffsetOutsideTheBlock",
     withExtensionByte(2, 200),
     [](EdidEdits& e) { e.audioFrom = test::editorFixture("avr-multichannel.bin"); },
     {"The CTA-861 extension's DTD offset points outside the block, so its data blocks cannot be edited."}},
    {"AudioFromAMonitor",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) { e.audioFrom = test::editorFixture("monitor-1080p.bin"); },
     {"The EDID to take audio from has no Audio Data Block."}},
    {"AudioFromNothing",
     test::editorFixture("tv-4k-hdr.bin"),
     [](EdidEdits& e) { e.audioFrom = std::vector<uint8_t>(10); },
     {"The EDID to take audio from is not one: An EDID here is 128 or 256 bytes; this one is 10."}},
    {"AudioIntoAMonitor",
     test::editorFixture("monitor-1080p.bin"),
     [](EdidEdits& e) { e.audioFrom = test::editorFixture("avr-multichannel.bin"); },
     {"This EDID has no CTA-861 extension to put audio blocks in."}},
    {"EveryTimingOverTheLimit",
     test::editorFixture("capture-card.bin"),
     [](EdidEdits& e) { e.maxTmdsMhz = 70; },
     {"No detailed timing within the limit remains for descriptor 1, where the preferred timing belongs."}},
};

class Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Refusals, SayWhy) {
    EdidEdits edits;
    GetParam().edits(edits);
    const Derived d = deriveEdid(GetParam().source, edits);
    EXPECT_EQ(d.refusals, GetParam().refusals);
    EXPECT_TRUE(d.bytes.empty());
    EXPECT_TRUE(d.changes.empty());
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, Refusals, testing::ValuesIn(refusals), [](const auto& p) { return p.param.name; });

TEST(EdidEditorRefusals, AnythingButAnEdidIsRefused) {
    EXPECT_EQ(deriveEdid(std::vector<uint8_t>(100), {}).refusals,
              Lines{"An EDID here is 128 or 256 bytes; this one is 100."});
    EXPECT_EQ(diffEdidBytes(test::editorFixture("tv-4k-hdr.bin"), std::vector<uint8_t>(100)),
              Lines{"The second EDID: An EDID here is 128 or 256 bytes; this one is 100."});
}

struct Note {
    std::string name;
    std::string fixture;
    Options options;
    std::string note;
};

const Note notes[] = {
    {"NothingToDrop",
     "monitor-1080p.bin",
     {{"--drop", "hdr"}},
     "--drop hdr: this EDID has none of the HDR static and dynamic metadata blocks and the HDR10+ and Dolby Vision "
     "video blocks; nothing dropped."},
    {"OfferedAlready", "tv-4k-hdr.bin", {{"--add-vic", "16"}}, "VIC 16 (1920x1080p60) is offered already."},
    {"BeyondTheRangeLimits",
     "capture-card.bin",
     {{"--add-vic", "63"}},
     "VIC 63 (1920x1080p120) lies beyond the range limits (up to 61 Hz and 300 MHz), which stay as they are."},
    {"NotOffered", "tv-4k-hdr.bin", {{"--remove-vic", "2"}}, "VIC 2 (720x480p60) is not offered; nothing removed."},
    {"WithinTheTmdsLimit",
     "monitor-1080p.bin",
     {{"--max-tmds", "600"}},
     "--max-tmds 600: everything here is within it already."},
    {"WithinTheLargestMode",
     "capture-card.bin",
     {{"--max-mode", "3840x2160@60"}},
     "--max-mode 3840x2160@60: every mode here is within it already."},
    {"NoTimingOfThePreferredVic",
     "capture-card.bin",
     {{"--preferred", "19"}},
     "No detailed timing of VIC 19 (1280x720p50) is in this EDID: the VIC is put first, not marked native, as "
     "descriptor 1 keeps 1920x1080@60 (148.50 MHz), the preferred timing."},
};

class Notes : public testing::TestWithParam<Note> {};

TEST_P(Notes, SayWhatWasNotDone) {
    const Derived d = derive(GetParam().fixture, GetParam().options);
    EXPECT_EQ(d.refusals, Lines{});
    EXPECT_EQ(d.notes, Lines{GetParam().note});
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, Notes, testing::ValuesIn(notes), [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace brixel
