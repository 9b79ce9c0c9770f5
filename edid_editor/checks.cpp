// SPDX-License-Identifier: MIT
#include "edid_editor/checks.h"

#include <algorithm>
#include <set>

#include "edid_editor/cta_tables.h"
#include "edid_editor/modes.h"
#include "text/hex.h"

namespace brixel::edid_editor {
namespace {

std::string hex8(uint8_t value) { return "0x" + text::hexByte(value, text::HexCase::upper); }

void checkTiming(const Descriptor& d, const std::string& where, std::vector<std::string>& problems) {
    const DetailedTiming t = detailedTiming(d);
    if (t.hActive == 0 || t.vActive == 0)
        problems.push_back(where + ": a detailed timing with no active pixels or lines.");
    if (t.hFront + t.hSync > t.hBlank)
        problems.push_back(where + ": the horizontal front porch and sync are longer than the blanking.");
    if (t.vFront + t.vSync > t.vBlank)
        problems.push_back(where + ": the vertical front porch and sync are longer than the blanking.");
}

void checkText(const Descriptor& d, const std::string& where, std::vector<std::string>& problems) {
    const auto& b = d.bytes;
    const auto lineFeed = std::find(b.begin() + 5, b.end(), uint8_t{0x0A});
    if (std::any_of(b.begin() + 5, lineFeed, [](uint8_t c) { return c < 0x20 || c > 0x7E; }))
        problems.push_back(where + ": the text holds a character that is not printable ASCII.");
    if (lineFeed != b.end() && std::any_of(lineFeed + 1, b.end(), [](uint8_t c) { return c != 0x20; }))
        problems.push_back(where + ": the text is not padded with spaces after its line feed.");
}

void checkDescriptor(const Descriptor& d, const std::string& where, std::vector<std::string>& problems) {
    const auto& b = d.bytes;
    switch (d.kind) {
        case DescriptorKind::detailedTiming: checkTiming(d, where, problems); return;
        case DescriptorKind::unused: return;
        case DescriptorKind::displayName:
        case DescriptorKind::serialText:
        case DescriptorKind::dataText: checkText(d, where, problems); break;
        case DescriptorKind::rangeLimits:
            if (b[5] > b[6] && (b[4] & 0x03) == 0)
                problems.push_back(where + ": the range limits' minimum vertical rate is above the maximum.");
            if (b[7] > b[8] && (b[4] & 0x0C) == 0)
                problems.push_back(where + ": the range limits' minimum horizontal rate is above the maximum.");
            break;
        case DescriptorKind::other: break;
    }
    if (b[2] != 0) problems.push_back(where + ": byte 2 of a display descriptor is " + hex8(b[2]) + ", not 0.");
    if (b[4] != 0 && d.kind != DescriptorKind::rangeLimits)
        problems.push_back(where + ": byte 4 of a display descriptor is " + hex8(b[4]) + ", not 0.");
}

void checkBlock(const DataBlock& block, const CtaBlock& cta, std::vector<std::string>& problems) {
    const std::string name = "Block 1, " + blockName(block);
    const std::size_t length = block.bytes.size() - 1;
    if (const BlockKindRow* row = rowOf(block); row && length < row->minLength)
        problems.push_back(name + ": " + std::to_string(length) + " bytes long, fewer than its " +
                           std::to_string(row->minLength) + ".");
    const auto f = fields(block);
    // Only these kinds have more to check than their length.
    if (block.kind == BlockKind::video || block.kind == BlockKind::y420Video) {
        std::set<uint8_t> seen;
        for (const auto& mode : videoModes(block)) {
            if (!vicMode(mode.vic))
                problems.push_back(name + ": VIC " + std::to_string(mode.vic) + " names no CTA-861 mode.");
            else if (!seen.insert(mode.vic).second)
                problems.push_back(name + ": VIC " + std::to_string(mode.vic) + " is listed twice.");
        }
    } else if (block.kind == BlockKind::audio && f.size() % 3) {
        problems.push_back(name + ": its short audio descriptors are 3 bytes each, but it holds " +
                           std::to_string(f.size()) + ".");
    } else if (block.kind == BlockKind::y420CapabilityMap) {
        const std::size_t modes = allVideoModes(cta).size();
        for (std::size_t i = modes; i < 8 * f.size(); ++i) {
            if (!(f[i / 8] & (1u << (i % 8)))) continue;
            problems.push_back(name + ": it maps descriptor " + std::to_string(i + 1) +
                               ", but the video data blocks hold " + std::to_string(modes) + ".");
            break;
        }
    } else if (block.kind == BlockKind::hdmi && length >= 5 && !hdmiFields(block).complete) {
        problems.push_back(name + ": it announces fields that it does not hold.");
    }
}

void checkCta(const CtaBlock& cta, std::vector<std::string>& problems) {
    if (!cta.offsetInRange) {
        problems.push_back("Block 1: the DTD offset (byte 2) is " + std::to_string(cta.dtdOffset) +
                           ", outside the block.");
        return;
    }
    std::size_t at = ctaHeaderSize;
    for (const auto& block : cta.blocks) {
        checkBlock(block, cta, problems);
        at += block.bytes.size();
    }
    if (!cta.unparsed.empty() && cta.revision >= 3)
        problems.push_back("Block 1: the data block at byte " + std::to_string(at) + " claims " +
                           std::to_string(cta.unparsed[0] & 0x1F) + " bytes, past the DTD offset " +
                           std::to_string(cta.dtdOffset) + ".");
    at += cta.unparsed.size();
    for (const auto& d : cta.timings) {
        const std::string where = "Block 1, the descriptor at byte " + std::to_string(at);
        if (d.kind == DescriptorKind::detailedTiming)
            checkTiming(d, where, problems);
        else
            problems.push_back(where + ": not a detailed timing.");
        at += descriptorSize;
    }
    const auto nonZero = std::count_if(cta.padding.begin(), cta.padding.end(), [](uint8_t b) { return b != 0; });
    if (nonZero)
        problems.push_back("Block 1: " + std::to_string(nonZero) + " bytes after the detailed timings are not zero.");
}

}  // namespace

std::vector<std::string> checkEdid(std::span<const uint8_t> bytes) {
    std::vector<std::string> problems;
    std::string error;
    const auto edid = parseEdid(bytes, error);
    if (!edid) return {error};
    const BaseBlock& base = edid->base;
    if (base.header != edid::header)
        problems.push_back("Block 0: the header is " + text::hexBytes(base.header, " ", text::HexCase::upper) +
                           ", not 00 FF FF FF FF FF FF 00.");
    for (std::size_t block = 0; block < bytes.size() / blockSize; ++block) {
        const auto b = bytes.subspan(block * blockSize, blockSize);
        if (!edid::sumsToZero(b))
            problems.push_back("Block " + std::to_string(block) + ": the checksum is " + hex8(b.back()) +
                               "; the block needs " + hex8(edid::checksumFor(b)) + ".");
    }
    if (base.version != 1)
        problems.push_back("Block 0: EDID version " + std::to_string(base.version) + "." +
                           std::to_string(base.revision) + "; only version 1 is known.");
    const std::size_t extensions = bytes.size() / blockSize - 1;
    if (base.extensionCount > 1)
        problems.push_back("Block 0 announces " + std::to_string(base.extensionCount) +
                           " extension blocks; 256 bytes hold one.");
    else if (base.extensionCount == 1 && extensions == 0)
        problems.push_back("Block 0 announces an extension block, but the EDID ends after it.");
    else if (base.extensionCount == 0 && extensions == 1 &&
             std::any_of(bytes.begin() + blockSize, bytes.end(), [](uint8_t b) { return b != 0; }))
        problems.push_back("Block 0 announces no extension block, but block 1 holds data.");
    if (base.descriptors[0].kind != DescriptorKind::detailedTiming)
        problems.push_back("Block 0, descriptor 1: not a detailed timing, where the preferred timing belongs.");
    int names = 0;
    for (std::size_t i = 0; i < baseDescriptorCount; ++i) {
        checkDescriptor(base.descriptors[i], "Block 0, descriptor " + std::to_string(i + 1), problems);
        names += base.descriptors[i].kind == DescriptorKind::displayName ? 1 : 0;
    }
    if (names > 1) problems.push_back("Block 0: more than one display name descriptor.");
    if (edid->cta) checkCta(*edid->cta, problems);
    return problems;
}

}  // namespace brixel::edid_editor
