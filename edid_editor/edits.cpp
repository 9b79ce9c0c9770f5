// SPDX-License-Identifier: MIT
#include "edid_editor/edits.h"

#include <algorithm>
#include <functional>

#include "edid/descriptors.h"
#include "edid_editor/checks.h"
#include "edid_editor/cta_tables.h"
#include "edid_editor/describe.h"
#include "edid_editor/edit_rules.h"

namespace brixel::edid_editor {
namespace {

constexpr uint8_t tagName = 0xFC;
constexpr uint8_t tagSerial = 0xFF;
constexpr std::array<uint8_t, descriptorSize> dummyBytes{0x00, 0x00, 0x00, 0x10};
constexpr std::size_t maxBlockPayload = 0x1F;
// HDMI without a Max_TMDS_Clock means 165 MHz; above 340 MHz only the HDMI Forum block speaks.
constexpr unsigned defaultTmdsMhz = 165;
constexpr unsigned tmdsOnlyLimitMhz = 340;
constexpr unsigned rangeClockStepMhz = 10;
// What the 3D fields index: the first 16 short video descriptors.
constexpr std::size_t threeDIndexed = 16;

Descriptor dummy() { return parseDescriptor(dummyBytes); }

std::string descriptorKindName(DescriptorKind kind) {
    switch (kind) {
        case DescriptorKind::detailedTiming: return "a detailed timing";
        case DescriptorKind::displayName: return "the display name";
        case DescriptorKind::serialText: return "the serial text";
        case DescriptorKind::dataText: return "a data string";
        case DescriptorKind::rangeLimits: return "the range limits";
        case DescriptorKind::unused: return "unused";
        case DescriptorKind::other: return "another descriptor";
    }
    return {};
}

// ---- Bytes of a data block ------------------------------------------------------

void setLength(Bytes& block) { block[0] = static_cast<uint8_t>((block[0] & 0xE0) | (block.size() - 1)); }

// Clears `mask` in the field at `at`; true when a bit was set.
bool clearBits(DataBlock& block, std::size_t at, uint8_t mask) {
    const std::size_t index = fieldsAt(block) + at;
    if (index >= block.bytes.size() || !(block.bytes[index] & mask)) return false;
    block.bytes[index] = static_cast<uint8_t>(block.bytes[index] & ~mask);
    return true;
}

bool setField(DataBlock& block, std::size_t at, uint8_t value) {
    const std::size_t index = fieldsAt(block) + at;
    if (index >= block.bytes.size() || block.bytes[index] == value) return false;
    block.bytes[index] = value;
    return true;
}

bool removeBlocks(CtaBlock& cta, std::initializer_list<BlockKind> kinds) {
    const auto before = cta.blocks.size();
    std::erase_if(cta.blocks,
                  [&](const DataBlock& b) { return std::find(kinds.begin(), kinds.end(), b.kind) != kinds.end(); });
    return cta.blocks.size() != before;
}

template <typename Change>
bool forEachBlock(CtaBlock& cta, BlockKind kind, Change change) {
    bool changed = false;
    for (auto& block : cta.blocks)
        if (block.kind == kind) changed = change(block) || changed;
    return changed;
}

// ---- The short video descriptors, moved with what points at them ------------------

struct Svd {
    VideoMode mode;
    std::optional<std::size_t> from;  // its place among all the video data blocks' descriptors before
};
using VideoLists = std::vector<std::vector<Svd>>;  // one list per video data block

VideoLists videoLists(const CtaBlock& cta) {
    VideoLists lists;
    std::size_t index = 0;
    for (const auto& block : cta.blocks) {
        if (block.kind != BlockKind::video) continue;
        auto& list = lists.emplace_back();
        for (const auto& mode : videoModes(block)) list.push_back({mode, index++});
    }
    return lists;
}

using IndexMap = std::vector<std::optional<std::size_t>>;  // old place -> new place

// The HDMI block's 3D fields name descriptors by their place among the first
// 16; they follow the descriptors to their new places, or go with them.
bool moveThreeD(DataBlock& block, const IndexMap& moved, std::size_t newCount, EditReport& report) {
    const HdmiFields h = hdmiFields(block);
    if (!h.videoFlags) return true;
    const unsigned multi = (*h.videoFlags & hdmi3dMulti) >> 5;
    if (h.threeD.empty() && multi == 0) return true;
    bool same = true;
    for (std::size_t p = 0; p < threeDIndexed; ++p) {
        const bool wasThere = p < moved.size(), isThere = p < newCount;
        same = same && wasThere == isThere && (!wasThere || moved[p] == p);
    }
    if (same) return true;
    if (!h.complete) {
        report.refusals.push_back(
            "The HDMI block's 3D fields run past its end, so the VICs they point at cannot be moved.");
        return false;
    }
    const auto newPlace = [&](std::size_t old) -> std::optional<std::size_t> {
        if (old >= moved.size() || !moved[old] || *moved[old] >= threeDIndexed) return std::nullopt;
        return moved[old];
    };
    std::size_t at = 0;
    Bytes structureAll;
    uint16_t mask = 0;
    if (multi == 1 || multi == 2) {
        if (h.threeD.size() < (multi == 2 ? 4u : 2u)) {
            report.refusals.push_back("The HDMI block's 3D fields are shorter than its 3D_Multi_present says.");
            return false;
        }
        structureAll.assign(h.threeD.begin(), h.threeD.begin() + 2);
        const uint16_t oldMask = multi == 2 ? static_cast<uint16_t>(h.threeD[2] << 8 | h.threeD[3]) : 0xFFFF;
        for (std::size_t i = 0; i < threeDIndexed; ++i)
            if (oldMask & (1u << i))
                if (const auto to = newPlace(i)) mask = static_cast<uint16_t>(mask | (1u << *to));
        at = multi == 2 ? 4 : 2;
    }
    Bytes entries;
    while (at < h.threeD.size()) {
        const uint8_t entry = h.threeD[at];
        const std::size_t length = (entry & 0x0F) >= 8 ? 2 : 1;  // side-by-side (half) carries a detail byte
        if (at + length > h.threeD.size()) {
            report.refusals.push_back("The HDMI block's last 3D entry is cut short.");
            return false;
        }
        if (const auto to = newPlace(entry >> 4)) {
            entries.push_back(static_cast<uint8_t>(*to << 4 | (entry & 0x0F)));
            if (length == 2) entries.push_back(h.threeD[at + 1]);
        }
        at += length;
    }
    Bytes threeD;
    unsigned newMulti = multi == 3 ? 3 : 0;
    if ((multi == 1 || multi == 2) && mask) {
        newMulti = 2;
        threeD = structureAll;
        threeD.push_back(static_cast<uint8_t>(mask >> 8));
        threeD.push_back(static_cast<uint8_t>(mask));
    }
    threeD.insert(threeD.end(), entries.begin(), entries.end());
    Bytes b(block.bytes.begin(), block.bytes.begin() + static_cast<std::ptrdiff_t>(h.threeDAt));
    b.insert(b.end(), threeD.begin(), threeD.end());
    b.insert(b.end(), block.bytes.begin() + static_cast<std::ptrdiff_t>(h.threeDAt + h.threeD.size()),
             block.bytes.end());
    b[h.videoFlagsAt] = static_cast<uint8_t>((b[h.videoFlagsAt] & ~hdmi3dMulti) | newMulti << 5);
    b[h.videoFlagsAt + 1] = static_cast<uint8_t>((b[h.videoFlagsAt + 1] & hdmiVicLengthMask) | threeD.size());
    if (threeD.size() > hdmi3dLengthMask || b.size() - 1 > maxBlockPayload) {
        report.refusals.push_back("The HDMI block's 3D fields would outgrow the block.");
        return false;
    }
    setLength(b);
    block = parseDataBlock(std::move(b));
    return true;
}

// Writes the lists back into the video data blocks (an empty one goes), and
// moves the 4:2:0 capability map and the HDMI 3D fields with the descriptors.
bool setVideoLists(CtaBlock& cta, const VideoLists& lists, EditReport& report) {
    const std::size_t oldCount = allVideoModes(cta).size();
    IndexMap moved(oldCount);
    std::size_t newCount = 0;
    for (const auto& list : lists) {
        if (list.size() > maxBlockPayload) {
            report.refusals.push_back("A Video Data Block holds at most 31 VICs; this one would hold " +
                                      std::to_string(list.size()) + ".");
            return false;
        }
        for (const auto& svd : list) {
            if (svd.from && *svd.from < oldCount) moved[*svd.from] = newCount;
            ++newCount;
        }
    }
    for (auto& block : cta.blocks)
        if (block.kind == BlockKind::hdmi && !moveThreeD(block, moved, newCount, report)) return false;

    std::size_t next = 0;
    for (auto& block : cta.blocks) {
        if (block.kind != BlockKind::video) continue;
        Bytes b{static_cast<uint8_t>(tagVideo << 5)};
        for (const auto& svd : lists[next]) b.push_back(svdByte(svd.mode));
        ++next;
        setLength(b);
        block = parseDataBlock(std::move(b));
    }
    std::erase_if(cta.blocks, [](const DataBlock& b) { return b.kind == BlockKind::video && b.bytes.size() == 1; });

    for (auto& block : cta.blocks) {
        if (block.kind != BlockKind::y420CapabilityMap) continue;
        const auto bitmap = fields(block);
        // An empty map means every descriptor; it stays so while there are any.
        if (bitmap.empty()) continue;
        Bytes bits;
        for (std::size_t i = 0; i < 8 * bitmap.size() && i < oldCount; ++i) {
            if (!(bitmap[i / 8] & (1u << (i % 8))) || !moved[i]) continue;
            const std::size_t to = *moved[i];
            if (bits.size() <= to / 8) bits.resize(to / 8 + 1, 0);
            bits[to / 8] = static_cast<uint8_t>(bits[to / 8] | (1u << (to % 8)));
        }
        Bytes b{block.bytes[0], extendedY420CapabilityMap};
        b.insert(b.end(), bits.begin(), bits.end());
        setLength(b);
        block = parseDataBlock(std::move(b));
    }
    // A map left with no descriptor would say "every descriptor".
    std::erase_if(cta.blocks, [&](const DataBlock& b) {
        return b.kind == BlockKind::y420CapabilityMap && (b.bytes.size() == 2 || newCount == 0);
    });
    return true;
}

bool changeVideo(CtaBlock& cta, EditReport& report, const std::function<void(VideoLists&)>& change) {
    VideoLists lists = videoLists(cta);
    const VideoLists before = lists;
    change(lists);
    const auto same = [](const VideoLists& a, const VideoLists& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].size() != b[i].size()) return false;
            for (std::size_t j = 0; j < a[i].size(); ++j)
                if (a[i][j].mode.vic != b[i][j].mode.vic || a[i][j].mode.native != b[i][j].mode.native ||
                    a[i][j].from != b[i][j].from)
                    return false;
        }
        return true;
    };
    if (same(lists, before)) return true;
    return setVideoLists(cta, lists, report);
}

// Keeps the descriptors of a 4:2:0 video data block that `keep` keeps; an empty block goes.
bool filterY420(CtaBlock& cta, const std::function<bool(uint8_t vic)>& keep) {
    bool changed = false;
    for (auto& block : cta.blocks) {
        if (block.kind != BlockKind::y420Video) continue;
        Bytes b(block.bytes.begin(), block.bytes.begin() + static_cast<std::ptrdiff_t>(fieldsAt(block)));
        for (const auto& mode : videoModes(block))
            if (keep(mode.vic)) b.push_back(svdByte(mode));
        if (b.size() == block.bytes.size()) continue;
        changed = true;
        setLength(b);
        block = parseDataBlock(std::move(b));
    }
    std::erase_if(cta.blocks, [](const DataBlock& b) { return b.kind == BlockKind::y420Video && b.bytes.size() == 2; });
    return changed;
}

// ---- Timings ------------------------------------------------------------------------

using TooMuch = std::function<bool(const Mode& mode, bool y420Only)>;

bool isTiming(const Descriptor& d) { return d.kind == DescriptorKind::detailedTiming; }

// Descriptor 1 holds the preferred timing: when it went, the next timing there is takes its place.
void refillPreferred(Edid& edid, EditReport& report) {
    auto& slots = edid.base.descriptors;
    if (isTiming(slots[0])) return;
    // A progressive timing first: an interlaced one is a poor native mode.
    for (const bool interlacedToo : {false, true}) {
        const auto usable = [&](const Descriptor& d) {
            return isTiming(d) && (interlacedToo || !detailedTiming(d).interlaced);
        };
        for (std::size_t i = 1; i < slots.size(); ++i) {
            if (!usable(slots[i])) continue;
            slots[0] = slots[i];
            slots[i] = dummy();
            return;
        }
        if (!edid.cta) continue;
        auto& timings = edid.cta->timings;
        const auto found = std::find_if(timings.begin(), timings.end(), usable);
        if (found != timings.end()) {
            slots[0] = *found;
            timings.erase(found);
            return;
        }
    }
    report.refusals.push_back(
        "No detailed timing within the limit remains for descriptor 1, where the preferred timing belongs.");
}

bool removeHdmiVics(CtaBlock& cta, const TooMuch& tooMuch, EditReport& report) {
    return forEachBlock(cta, BlockKind::hdmi, [&](DataBlock& block) {
        const HdmiFields h = hdmiFields(block);
        if (!h.videoFlags) return false;
        if (!h.complete) {
            report.refusals.push_back("The HDMI block's fields run past its end, so its HDMI VICs cannot be checked.");
            return false;
        }
        Bytes kept;
        for (uint8_t vic : h.hdmiVics) {
            const auto mode = hdmiVicMode(vic);
            if (!mode || !tooMuch(*mode, false)) kept.push_back(vic);
        }
        if (kept.size() == h.hdmiVics.size()) return false;
        Bytes b(block.bytes.begin(), block.bytes.begin() + static_cast<std::ptrdiff_t>(h.vicsAt));
        b.insert(b.end(), kept.begin(), kept.end());
        b.insert(b.end(), block.bytes.begin() + static_cast<std::ptrdiff_t>(h.threeDAt), block.bytes.end());
        b[h.videoFlagsAt + 1] = static_cast<uint8_t>((b[h.videoFlagsAt + 1] & hdmi3dLengthMask) | kept.size() << 5);
        setLength(b);
        block = parseDataBlock(std::move(b));
        return true;
    });
}

// Every mode that `tooMuch` says is too much goes, wherever it is listed.
void removeModes(Edid& edid, const TooMuch& tooMuch, EditReport& report) {
    BaseBlock& base = edid.base;
    const bool hadPreferred = isTiming(base.descriptors[0]);
    for (auto& d : base.descriptors)
        if (isTiming(d) && tooMuch(timingMode(detailedTiming(d)), false)) d = dummy();
    for (auto& slot : base.standardTimings) {
        const auto mode = standardTimingMode(slot, base.revision);
        if (mode && tooMuch(*mode, false)) slot = unusedStandardTiming;
    }
    for (const auto& timing : establishedTimingBits)
        if (tooMuch(establishedMode(timing), false))
            base.establishedTimings[timing.at] =
                static_cast<uint8_t>(base.establishedTimings[timing.at] & ~timing.mask);
    if (edid.cta) {
        CtaBlock& cta = *edid.cta;
        std::erase_if(cta.timings, [&](const Descriptor& d) {
            return isTiming(d) && tooMuch(timingMode(detailedTiming(d)), false);
        });
        const auto over = [&](uint8_t vic, bool y420Only) {
            const auto mode = vicMode(vic);
            return mode && tooMuch(*mode, y420Only);
        };
        changeVideo(cta, report, [&](VideoLists& lists) {
            for (auto& list : lists) std::erase_if(list, [&](const Svd& svd) { return over(svd.mode.vic, false); });
        });
        filterY420(cta, [&](uint8_t vic) { return !over(vic, true); });
        removeHdmiVics(cta, tooMuch, report);
    }
    if (hadPreferred) refillPreferred(edid, report);
}

// ---- The edits ------------------------------------------------------------------------

// The CTA block, where data blocks can be put; else nullptr and a refusal that says why.
CtaBlock* blocksToEdit(Edid& edid, const std::string& purpose, EditReport& report) {
    if (!edid.cta) {
        report.refusals.push_back("This EDID has no CTA-861 extension " + purpose + ".");
        return nullptr;
    }
    if (edid.cta->revision < 3) {
        report.refusals.push_back("This EDID's CTA-861 extension is revision " + std::to_string(edid.cta->revision) +
                                  ", which holds no data blocks.");
        return nullptr;
    }
    if (!edid.cta->offsetInRange) {
        report.refusals.push_back(
            "The CTA-861 extension's DTD offset points outside the block, so its data blocks cannot be edited.");
        return nullptr;
    }
    return &*edid.cta;
}

void setText(Edid& edid, DescriptorKind kind, uint8_t tag, std::string_view what, const std::string& text,
             EditReport& report) {
    if (const auto problem = textProblem(what, text)) {
        report.refusals.push_back(*problem);
        return;
    }
    auto& slots = edid.base.descriptors;
    auto slot = std::find_if(slots.begin(), slots.end(), [&](const Descriptor& d) { return d.kind == kind; });
    // Descriptor 1 is kept for the preferred timing.
    if (slot == slots.end())
        slot = std::find_if(slots.begin() + 1, slots.end(),
                            [](const Descriptor& d) { return d.kind == DescriptorKind::unused; });
    if (slot == slots.end()) {
        std::string kinds;
        for (const auto& d : slots) kinds += (kinds.empty() ? "" : ", ") + descriptorKindName(d.kind);
        report.refusals.push_back(std::string(what) +
                                  " has no place: the base block's four descriptors are all in use (" + kinds + ").");
        return;
    }
    *slot = textDescriptor(tag, text);
}

void editIdentification(Edid& edid, const EdidEdits& edits, EditReport& report) {
    BaseBlock& base = edid.base;
    if (edits.name) setText(edid, DescriptorKind::displayName, tagName, displayNameText, *edits.name, report);
    if (edits.serialText)
        setText(edid, DescriptorKind::serialText, tagSerial, serialTextText, *edits.serialText, report);
    if (edits.serial) base.serialNumber = *edits.serial;
    if (edits.product) base.product = *edits.product;
    if (edits.manufacturer) {
        if (const auto problem = manufacturerProblem(*edits.manufacturer)) {
            report.refusals.push_back(*problem);
        } else {
            const auto packed = edid::packManufacturer(*edits.manufacturer);
            base.manufacturer = static_cast<uint16_t>(packed[0] << 8 | packed[1]);
        }
    }
    if (edits.week) {
        if (const auto problem = weekProblem(*edits.week))
            report.refusals.push_back(*problem);
        else
            base.week = static_cast<uint8_t>(*edits.week);
    }
    if (edits.year) {
        if (const auto problem = yearProblem(*edits.year))
            report.refusals.push_back(*problem);
        else
            base.year = static_cast<uint8_t>(*edits.year - firstYear);
    }
}

bool dropStereo(Edid& edid) {
    bool changed = false;
    const auto clear = [&](Descriptor& d) {
        if (!isTiming(d) || !(d.bytes[17] & dtdStereoBits)) return;
        d.bytes[17] = static_cast<uint8_t>(d.bytes[17] & ~dtdStereoMask);
        changed = true;
    };
    for (auto& d : edid.base.descriptors) clear(d);
    if (edid.cta)
        for (auto& d : edid.cta->timings) clear(d);
    return changed;
}

bool dropHdmi3d(CtaBlock& cta, EditReport& report) {
    return forEachBlock(cta, BlockKind::hdmi, [&](DataBlock& block) {
        const HdmiFields h = hdmiFields(block);
        if (!h.videoFlags || !((*h.videoFlags & (hdmi3dPresent | hdmi3dMulti)) || !h.threeD.empty())) return false;
        if (!h.complete) {
            report.refusals.push_back("The HDMI block's 3D fields run past its end; they cannot be dropped safely.");
            return false;
        }
        Bytes b(block.bytes.begin(), block.bytes.begin() + static_cast<std::ptrdiff_t>(h.threeDAt));
        b.insert(b.end(), block.bytes.begin() + static_cast<std::ptrdiff_t>(h.threeDAt + h.threeD.size()),
                 block.bytes.end());
        b[h.videoFlagsAt] = static_cast<uint8_t>(b[h.videoFlagsAt] & ~(hdmi3dPresent | hdmi3dMulti));
        b[h.videoFlagsAt + 1] = static_cast<uint8_t>(b[h.videoFlagsAt + 1] & hdmiVicLengthMask);
        setLength(b);
        block = parseDataBlock(std::move(b));
        return true;
    });
}

bool dropFeature(Edid& edid, Feature feature, EditReport& report) {
    if (feature == Feature::threeD && !edid.cta) return dropStereo(edid);
    if (!edid.cta) return false;
    CtaBlock& cta = *edid.cta;
    switch (feature) {
        case Feature::hdr:
            return removeBlocks(
                cta, {BlockKind::hdrStatic, BlockKind::hdrDynamic, BlockKind::hdr10Plus, BlockKind::dolbyVision});
        case Feature::hdr10Plus: return removeBlocks(cta, {BlockKind::hdr10Plus});
        case Feature::dolbyVision: return removeBlocks(cta, {BlockKind::dolbyVision});
        case Feature::vrr: {
            const bool range = forEachBlock(cta, BlockKind::hdmiForum, [](DataBlock& b) {
                const bool features = clearBits(b, forumFeaturesAt, forumVrrFeatures);
                const bool low = setField(b, forumVrrMinAt, 0);
                const bool high = setField(b, forumVrrMaxAt, 0);
                return features || low || high;
            });
            return removeBlocks(cta, {BlockKind::amd}) || range;
        }
        case Feature::allm:
            return forEachBlock(cta, BlockKind::hdmiForum,
                                [](DataBlock& b) { return clearBits(b, forumFeaturesAt, forumAllm); });
        case Feature::audio: {
            const bool blocks = removeBlocks(cta, {BlockKind::audio, BlockKind::speakers, BlockKind::vendorAudio,
                                                   BlockKind::roomConfiguration, BlockKind::speakerLocation});
            const bool flag = (cta.flags & ctaBasicAudio) != 0;
            cta.flags = static_cast<uint8_t>(cta.flags & ~ctaBasicAudio);
            return blocks || flag;
        }
        case Feature::threeD: {
            const bool hdmi = dropHdmi3d(cta, report);
            const bool forum = forEachBlock(cta, BlockKind::hdmiForum,
                                            [](DataBlock& b) { return clearBits(b, forumFlagsAt, forum3dMask); });
            const bool stereo = dropStereo(edid);
            return hdmi || forum || stereo;
        }
        case Feature::ycbcr420: {
            const bool blocks = removeBlocks(cta, {BlockKind::y420Video, BlockKind::y420CapabilityMap});
            const bool forum = forEachBlock(cta, BlockKind::hdmiForum, [](DataBlock& b) {
                const bool depths = clearBits(b, forumFrlAt, forumDc420Mask);
                const bool dsc = clearBits(b, forumDscAt, forumDscNative420);
                return depths || dsc;
            });
            return blocks || forum;
        }
    }
    return false;
}

void takeAudio(Edid& edid, const Bytes& other, EditReport& report) {
    std::string error;
    const auto source = parseEdid(other, error);
    if (!source) {
        report.refusals.push_back("The EDID to take audio from is not one: " + error);
        return;
    }
    const auto isAudio = [](const DataBlock& b) { return b.kind == BlockKind::audio || b.kind == BlockKind::speakers; };
    std::vector<DataBlock> taken;
    if (source->cta)
        std::copy_if(source->cta->blocks.begin(), source->cta->blocks.end(), std::back_inserter(taken), isAudio);
    if (std::none_of(taken.begin(), taken.end(), [](const DataBlock& b) { return b.kind == BlockKind::audio; })) {
        report.refusals.push_back("The EDID to take audio from has no Audio Data Block.");
        return;
    }
    CtaBlock* editable = blocksToEdit(edid, "to put audio blocks in", report);
    if (!editable) return;
    CtaBlock& cta = *editable;
    // The same blocks in another order would change bytes and say nothing.
    const auto sorted = [&](const std::vector<DataBlock>& blocks) {
        std::vector<Bytes> found;
        for (const auto& b : blocks)
            if (isAudio(b)) found.push_back(b.bytes);
        std::sort(found.begin(), found.end());
        return found;
    };
    const bool sameFlag = ((cta.flags ^ source->cta->flags) & ctaBasicAudio) == 0;
    if (sameFlag && sorted(cta.blocks) == sorted(taken)) {
        report.notes.push_back("--audio-from: the audio blocks are the same already.");
        return;
    }
    // Where our first audio block was, else after the video data blocks.
    auto at = std::find_if(cta.blocks.begin(), cta.blocks.end(), isAudio);
    std::size_t place = static_cast<std::size_t>(at - cta.blocks.begin());
    if (at == cta.blocks.end()) {
        place = 0;
        for (std::size_t i = 0; i < cta.blocks.size(); ++i)
            if (cta.blocks[i].kind == BlockKind::video) place = i + 1;
    }
    std::vector<DataBlock> blocks;
    for (std::size_t i = 0; i <= cta.blocks.size(); ++i) {
        if (i == place) blocks.insert(blocks.end(), taken.begin(), taken.end());
        if (i < cta.blocks.size() && !isAudio(cta.blocks[i])) blocks.push_back(cta.blocks[i]);
    }
    cta.blocks = std::move(blocks);
    cta.flags = static_cast<uint8_t>((cta.flags & ~ctaBasicAudio) | (source->cta->flags & ctaBasicAudio));
}

void capTmds(Edid& edid, unsigned mhz, EditReport& report) {
    if (const auto problem = maxTmdsProblem(mhz)) {
        report.refusals.push_back(*problem);
        return;
    }
    const auto cap = static_cast<uint8_t>(mhz / tmdsStepMhz);
    if (edid.cta) {
        CtaBlock& cta = *edid.cta;
        forEachBlock(cta, BlockKind::hdmi, [&](DataBlock& block) {
            const HdmiFields h = hdmiFields(block);
            const std::size_t at = fieldsAt(block) + hdmiMaxTmdsAt;
            if (h.maxTmds) {
                const unsigned now = *h.maxTmds ? *h.maxTmds * tmdsStepMhz : defaultTmdsMhz;
                if (now > mhz) block.bytes[at] = cap;
            } else if (mhz < defaultTmdsMhz && block.bytes.size() >= at - 1) {
                block.bytes.resize(at, 0);  // the flags, when they are missing too
                block.bytes.push_back(cap);
                setLength(block.bytes);
            }
            return true;
        });
        forEachBlock(cta, BlockKind::hdmiForum, [&](DataBlock& block) {
            const auto f = fields(block);
            if (forumMaxTmdsAt < f.size() && f[forumMaxTmdsAt] * tmdsStepMhz > mhz)
                setField(block, forumMaxTmdsAt, mhz > tmdsOnlyLimitMhz ? cap : 0);
            // FRL, and DSC that rides on it, would carry more than any TMDS limit.
            clearBits(block, forumFrlAt, forumMaxFrlMask);
            for (std::size_t at = forumDscAt; at <= forumDscChunkAt; ++at) setField(block, at, 0);
            return true;
        });
    }
    const auto rangeCap = static_cast<uint8_t>((mhz + rangeClockStepMhz - 1) / rangeClockStepMhz);
    for (auto& d : edid.base.descriptors)
        if (d.kind == DescriptorKind::rangeLimits && d.bytes[9] > rangeCap) d.bytes[9] = rangeCap;
    const uint32_t limitKhz = mhz * 1000;
    removeModes(
        edid,
        [&](const Mode& mode, bool y420Only) {
            return (y420Only ? mode.pixelClockKhz / 2 : mode.pixelClockKhz) > limitKhz;
        },
        report);
}

void removeVics(Edid& edid, const std::vector<unsigned>& vics, EditReport& report) {
    CtaBlock* editable = blocksToEdit(edid, "to remove VICs from", report);
    if (!editable) return;
    CtaBlock& cta = *editable;
    for (unsigned vic : vics) {
        bool found = false;
        changeVideo(cta, report, [&](VideoLists& lists) {
            for (auto& list : lists)
                found = std::erase_if(list, [&](const Svd& svd) { return svd.mode.vic == vic; }) > 0 || found;
        });
        found = filterY420(cta, [&](uint8_t v) { return v != vic; }) || found;
        if (!found) report.notes.push_back(vicText(vic) + " is not offered; nothing removed.");
    }
}

bool offered(const CtaBlock& cta, unsigned vic) {
    const auto modes = allVideoModes(cta);
    return std::any_of(modes.begin(), modes.end(), [&](const VideoMode& m) { return m.vic == vic; });
}

void addVics(Edid& edid, const EdidEdits& edits, EditReport& report) {
    CtaBlock* editable = blocksToEdit(edid, "to hold VICs", report);
    if (!editable) return;
    CtaBlock& cta = *editable;
    for (unsigned vic : edits.addVics) {
        const auto mode = vicMode(vic);
        if (!mode) {
            report.refusals.push_back("VIC " + std::to_string(vic) + " names no CTA-861 video format.");
            continue;
        }
        if (edits.maxTmdsMhz && mode->pixelClockKhz > *edits.maxTmdsMhz * 1000) {
            report.refusals.push_back(vicText(vic) + " needs " + std::to_string(mode->pixelClockKhz / 1000) +
                                      " MHz, more than the TMDS limit of " + std::to_string(*edits.maxTmdsMhz) +
                                      " MHz.");
            continue;
        }
        if (edits.maxMode && exceeds(*mode, *edits.maxMode)) {
            report.refusals.push_back(vicText(vic) + " is beyond the largest mode, " + requestText(*edits.maxMode) +
                                      ".");
            continue;
        }
        if (offered(cta, vic)) {
            report.notes.push_back(vicText(vic) + " is offered already.");
            continue;
        }
        if (std::none_of(cta.blocks.begin(), cta.blocks.end(),
                         [](const DataBlock& b) { return b.kind == BlockKind::video; }))
            cta.blocks.insert(cta.blocks.begin(), parseDataBlock(Bytes{static_cast<uint8_t>(tagVideo << 5)}));
        for (const auto& d : edid.base.descriptors) {
            if (d.kind != DescriptorKind::rangeLimits) continue;
            const RangeLimits range = rangeLimits(d);
            if (mode->hz > range.maxVerticalHz + 0.5 || mode->pixelClockKhz > range.maxPixelClockMhz * 1000)
                report.notes.push_back(vicText(vic) + " lies beyond the range limits (up to " +
                                       std::to_string(range.maxVerticalHz) + " Hz and " +
                                       std::to_string(range.maxPixelClockMhz) + " MHz), which stay as they are.");
        }
        changeVideo(cta, report, [&](VideoLists& lists) {
            auto room =
                std::find_if(lists.begin(), lists.end(), [](const auto& l) { return l.size() < maxBlockPayload; });
            (room == lists.end() ? lists.front() : *room).push_back({{static_cast<uint8_t>(vic), false}, std::nullopt});
        });
    }
}

// The detailed timing of `request` becomes descriptor 1; false when there is none.
bool preferTiming(Edid& edid, const ModeRequest& request, EditReport& report) {
    auto& slots = edid.base.descriptors;
    const auto fits = [&](const Descriptor& d) {
        return isTiming(d) && matches(timingMode(detailedTiming(d)), request);
    };
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!fits(slots[i])) continue;
        std::swap(slots[0], slots[i]);
        return true;
    }
    if (!edid.cta) return false;
    auto& timings = edid.cta->timings;
    const auto found = std::find_if(timings.begin(), timings.end(), fits);
    if (found == timings.end()) return false;
    if (!isTiming(slots[0])) {
        report.refusals.push_back("Descriptor 1 holds " + descriptorKindName(slots[0].kind) +
                                  ", not a timing, and has nowhere else to go.");
        return true;
    }
    std::swap(slots[0], *found);
    return true;
}

void prefer(Edid& edid, const Preferred& preferred, EditReport& report) {
    std::optional<unsigned> vic;
    std::optional<ModeRequest> request;
    if (const unsigned* asked = std::get_if<unsigned>(&preferred)) {
        vic = *asked;
        const auto mode = vicMode(*asked);
        if (!mode) {
            report.refusals.push_back("VIC " + std::to_string(*asked) + " names no CTA-861 video format.");
            return;
        }
        if (!edid.cta || !offered(*edid.cta, *asked)) {
            report.refusals.push_back(vicText(*asked) +
                                      " is not in the Video Data Block; add it with --add-vic to make it preferred.");
            return;
        }
        request = ModeRequest{mode->width, mode->height, mode->hz, mode->interlaced};
    } else {
        request = std::get<ModeRequest>(preferred);
        if (edid.cta)
            for (const auto& m : allVideoModes(*edid.cta))
                if (const auto mode = vicMode(m.vic); mode && matches(*mode, *request)) {
                    vic = m.vic;
                    break;
                }
    }
    const bool timing = preferTiming(edid, *request, report);
    if (!vic && !timing) {
        report.refusals.push_back("No " + requestText(*request) + " mode is offered here to make preferred.");
        return;
    }
    if (!vic) return;
    // Native says "this is descriptor 1's mode"; without a timing for it the VIC is only first.
    const bool native = timing || !isTiming(edid.base.descriptors[0]);
    changeVideo(*edid.cta, report, [&](VideoLists& lists) {
        std::optional<Svd> chosen;
        for (auto& list : lists)
            for (auto it = list.begin(); it != list.end();)
                if (it->mode.vic == *vic && !chosen) {
                    chosen = *it;
                    it = list.erase(it);
                } else {
                    if (native) it->mode.native = false;
                    ++it;
                }
        chosen->mode.native = native || chosen->mode.native;
        lists.front().insert(lists.front().begin(), *chosen);
    });
    if (!native)
        report.notes.push_back("No detailed timing of " + vicText(*vic) + " is in this EDID: the VIC is put first, " +
                               "not marked native, as descriptor 1 keeps " +
                               timingText(detailedTiming(edid.base.descriptors[0])) + ", the preferred timing.");
}

}  // namespace

EditReport applyEdits(Edid& edid, const EdidEdits& edits) {
    EditReport report;
    editIdentification(edid, edits, report);
    for (Feature feature : edits.drop) {
        const auto row = std::find_if(featureNames.begin(), featureNames.end(),
                                      [&](const FeatureName& r) { return r.feature == feature; });
        if (!dropFeature(edid, feature, report))
            report.notes.push_back("--drop " + std::string(row->name) + ": this EDID has none of " +
                                   std::string(row->what) + "; nothing dropped.");
    }
    if (edits.audioFrom) takeAudio(edid, *edits.audioFrom, report);
    if (edits.maxTmdsMhz) {
        const Bytes before = writeEdid(edid).bytes;
        capTmds(edid, *edits.maxTmdsMhz, report);
        if (writeEdid(edid).bytes == before)
            report.notes.push_back("--max-tmds " + std::to_string(*edits.maxTmdsMhz) +
                                   ": everything here is within it already.");
    }
    if (edits.maxMode) {
        const Bytes before = writeEdid(edid).bytes;
        const ModeRequest largest = *edits.maxMode;
        removeModes(
            edid, [&](const Mode& mode, bool) { return exceeds(mode, largest); }, report);
        if (writeEdid(edid).bytes == before)
            report.notes.push_back("--max-mode " + requestText(largest) + ": every mode here is within it already.");
    }
    if (!edits.removeVics.empty()) removeVics(edid, edits.removeVics, report);
    if (!edits.addVics.empty()) addVics(edid, edits, report);
    if (edits.preferred) prefer(edid, *edits.preferred, report);
    return report;
}

Derived deriveEdid(std::span<const uint8_t> original, const EdidEdits& edits) {
    Derived derived;
    std::string error;
    const auto before = parseEdid(original, error);
    if (!before) {
        derived.refusals.push_back(error);
        return derived;
    }
    Edid edited = *before;
    EditReport report = applyEdits(edited, edits);
    derived.notes = std::move(report.notes);
    derived.refusals = std::move(report.refusals);
    if (!derived.refusals.empty()) return derived;
    Written written = writeEdid(edited);
    if (written.overBy) {
        derived.refusals.push_back(
            "The result does not fit in 256 bytes: the CTA block's data blocks and timings run " +
            std::to_string(written.overBy) + (written.overBy == 1 ? " byte" : " bytes") + " over its 128.");
        return derived;
    }
    derived.bytes = std::move(written.bytes);
    const auto after = parseEdid(derived.bytes, error);
    derived.changes = diffEdids(*before, *after);
    derived.problems = checkEdid(derived.bytes);
    return derived;
}

std::vector<std::string> diffEdidBytes(std::span<const uint8_t> before, std::span<const uint8_t> after) {
    std::string error;
    const auto a = parseEdid(before, error);
    if (!a) return {"The first EDID: " + error};
    const auto b = parseEdid(after, error);
    if (!b) return {"The second EDID: " + error};
    return diffEdids(*a, *b);
}

}  // namespace brixel::edid_editor
