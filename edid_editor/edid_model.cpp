// SPDX-License-Identifier: MIT
#include "edid_editor/edid_model.h"

#include <algorithm>
#include <string>

#include "edid_editor/cta_tables.h"
#include "text/hex.h"

namespace brixel::edid_editor {
namespace {

constexpr uint8_t tagName = 0xFC;
constexpr uint8_t tagSerial = 0xFF;
constexpr uint8_t tagData = 0xFE;
constexpr uint8_t tagRange = 0xFD;
constexpr uint8_t tagDummy = 0x10;

bool allZero(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

uint16_t littleEndian16(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

BaseBlock parseBase(std::span<const uint8_t> b) {
    BaseBlock base;
    std::copy_n(b.begin(), base.header.size(), base.header.begin());
    base.manufacturer = static_cast<uint16_t>(b[8] << 8 | b[9]);
    base.product = littleEndian16(b, 10);
    base.serialNumber = static_cast<uint32_t>(b[12] | b[13] << 8 | b[14] << 16 | static_cast<uint32_t>(b[15]) << 24);
    base.week = b[16];
    base.year = b[17];
    base.version = b[18];
    base.revision = b[19];
    base.videoInput = b[20];
    base.widthCm = b[21];
    base.heightCm = b[22];
    base.gamma = b[23];
    base.features = b[24];
    std::copy_n(b.begin() + 25, base.chromaticity.size(), base.chromaticity.begin());
    std::copy_n(b.begin() + 35, base.establishedTimings.size(), base.establishedTimings.begin());
    for (std::size_t i = 0; i < base.standardTimings.size(); ++i)
        base.standardTimings[i] = {b[38 + 2 * i], b[39 + 2 * i]};
    for (std::size_t i = 0; i < baseDescriptorCount; ++i)
        base.descriptors[i] =
            parseDescriptor(b.subspan(baseDescriptorsAt + i * descriptorSize).first<descriptorSize>());
    base.extensionCount = b[126];
    base.checksum = b[127];
    return base;
}

void writeBase(const BaseBlock& base, std::span<uint8_t> b) {
    std::copy(base.header.begin(), base.header.end(), b.begin());
    b[8] = static_cast<uint8_t>(base.manufacturer >> 8);
    b[9] = static_cast<uint8_t>(base.manufacturer);
    b[10] = static_cast<uint8_t>(base.product);
    b[11] = static_cast<uint8_t>(base.product >> 8);
    for (std::size_t i = 0; i < 4; ++i) b[12 + i] = static_cast<uint8_t>(base.serialNumber >> (8 * i));
    b[16] = base.week;
    b[17] = base.year;
    b[18] = base.version;
    b[19] = base.revision;
    b[20] = base.videoInput;
    b[21] = base.widthCm;
    b[22] = base.heightCm;
    b[23] = base.gamma;
    b[24] = base.features;
    std::copy(base.chromaticity.begin(), base.chromaticity.end(), b.begin() + 25);
    std::copy(base.establishedTimings.begin(), base.establishedTimings.end(), b.begin() + 35);
    for (std::size_t i = 0; i < base.standardTimings.size(); ++i) {
        b[38 + 2 * i] = base.standardTimings[i][0];
        b[39 + 2 * i] = base.standardTimings[i][1];
    }
    for (std::size_t i = 0; i < baseDescriptorCount; ++i)
        std::copy(base.descriptors[i].bytes.begin(), base.descriptors[i].bytes.end(),
                  b.begin() + static_cast<std::ptrdiff_t>(baseDescriptorsAt + i * descriptorSize));
    b[126] = base.extensionCount;
}

CtaBlock parseCta(std::span<const uint8_t> b) {
    CtaBlock cta;
    cta.revision = b[1];
    cta.dtdOffset = b[2];
    cta.flags = b[3];
    cta.checksum = b[ctaContentEnd];
    const std::size_t offset = b[2];
    if (offset != 0 && (offset < ctaHeaderSize || offset > ctaContentEnd)) {
        cta.offsetInRange = false;
        cta.padding.assign(b.begin() + ctaHeaderSize, b.begin() + ctaContentEnd);
        return cta;
    }
    // An offset of 0: neither data blocks nor timings.
    const std::size_t collectionEnd = offset == 0 ? ctaHeaderSize : offset;
    std::size_t at = ctaHeaderSize;
    // Revisions before 3 have no data block collection.
    while (cta.revision >= 3 && at < collectionEnd) {
        const std::size_t length = 1 + (b[at] & 0x1F);
        if (at + length > collectionEnd) break;
        cta.blocks.push_back(parseDataBlock(Bytes(b.begin() + at, b.begin() + at + length)));
        at += length;
    }
    cta.unparsed.assign(b.begin() + at, b.begin() + collectionEnd);
    at = collectionEnd;
    while (offset != 0 && at + descriptorSize <= ctaContentEnd && !allZero(b.subspan(at, descriptorSize))) {
        cta.timings.push_back(parseDescriptor(b.subspan(at).first<descriptorSize>()));
        at += descriptorSize;
    }
    cta.padding.assign(b.begin() + at, b.begin() + ctaContentEnd);
    return cta;
}

// Header, data blocks and timings; the padding fills the rest unless the
// layout moved, when it is zeros.
Bytes ctaContent(const CtaBlock& cta) {
    Bytes out{ctaExtensionTag, cta.revision, cta.dtdOffset, cta.flags};
    if (!cta.offsetInRange) {
        out.insert(out.end(), cta.padding.begin(), cta.padding.end());
        return out;
    }
    for (const auto& block : cta.blocks) out.insert(out.end(), block.bytes.begin(), block.bytes.end());
    out.insert(out.end(), cta.unparsed.begin(), cta.unparsed.end());
    const bool holdsNothing = cta.blocks.empty() && cta.unparsed.empty() && cta.timings.empty();
    out[2] = cta.dtdOffset == 0 && holdsNothing ? 0 : static_cast<uint8_t>(std::min<std::size_t>(out.size(), 0xFF));
    for (const auto& timing : cta.timings) out.insert(out.end(), timing.bytes.begin(), timing.bytes.end());
    if (out.size() > ctaContentEnd) return out;
    const std::size_t room = ctaContentEnd - out.size();
    if (cta.padding.size() == room)
        out.insert(out.end(), cta.padding.begin(), cta.padding.end());
    else
        out.resize(ctaContentEnd, 0);
    return out;
}

void setChecksum(std::span<uint8_t> block) { block.back() = edid::checksumFor(block); }

}  // namespace

std::optional<Edid> parseEdid(std::span<const uint8_t> bytes, std::string& error) {
    if (bytes.size() != blockSize && bytes.size() != 2 * blockSize) {
        error = "An EDID here is 128 or 256 bytes; this one is " + std::to_string(bytes.size()) + ".";
        return std::nullopt;
    }
    Edid edid;
    edid.base = parseBase(bytes.first(blockSize));
    if (bytes.size() == 2 * blockSize) {
        const auto extension = bytes.last(blockSize);
        if (extension[0] == ctaExtensionTag) {
            edid.cta = parseCta(extension);
        } else {
            edid.otherExtension.emplace();
            std::copy(extension.begin(), extension.end(), edid.otherExtension->begin());
        }
    }
    return edid;
}

Written writeEdid(const Edid& edid) {
    Written written;
    Bytes out(edid.size(), 0);
    const auto base = std::span(out).first(blockSize);
    writeBase(edid.base, base);
    setChecksum(base);
    if (edid.cta) {
        const Bytes content = ctaContent(*edid.cta);
        if (content.size() > ctaContentEnd) {
            written.overBy = content.size() - ctaContentEnd;
            return written;
        }
        std::copy(content.begin(), content.end(), out.begin() + blockSize);
    } else if (edid.otherExtension) {
        std::copy(edid.otherExtension->begin(), edid.otherExtension->end(), out.begin() + blockSize);
    }
    if (out.size() > blockSize) setChecksum(std::span(out).last(blockSize));
    written.bytes = std::move(out);
    return written;
}

Descriptor parseDescriptor(std::span<const uint8_t, descriptorSize> bytes) {
    Descriptor d;
    std::copy(bytes.begin(), bytes.end(), d.bytes.begin());
    if (bytes[0] != 0 || bytes[1] != 0)
        d.kind = DescriptorKind::detailedTiming;
    else if (allZero(bytes))
        d.kind = DescriptorKind::unused;
    else if (bytes[3] == tagName)
        d.kind = DescriptorKind::displayName;
    else if (bytes[3] == tagSerial)
        d.kind = DescriptorKind::serialText;
    else if (bytes[3] == tagData)
        d.kind = DescriptorKind::dataText;
    else if (bytes[3] == tagRange)
        d.kind = DescriptorKind::rangeLimits;
    else if (bytes[3] == tagDummy)
        d.kind = DescriptorKind::unused;
    else
        d.kind = DescriptorKind::other;
    return d;
}

DataBlock parseDataBlock(Bytes bytes) {
    DataBlock block{std::move(bytes), BlockKind::other};
    const BlockKindRow* row = rowOf(block);
    if (row) block.kind = row->kind;
    return block;
}

double DetailedTiming::refreshHz() const {
    const double lines = vActive + vBlank + (interlaced ? 0.5 : 0.0);
    const double total = static_cast<double>(hActive + hBlank) * lines;
    return total > 0 ? pixelClockKhz * 1000.0 / total : 0.0;
}

DetailedTiming detailedTiming(const Descriptor& descriptor) {
    const auto& b = descriptor.bytes;
    DetailedTiming t;
    t.pixelClockKhz = static_cast<uint32_t>(littleEndian16(b, 0)) * 10;
    t.hActive = b[2] | (b[4] & 0xF0) << 4;
    t.hBlank = b[3] | (b[4] & 0x0F) << 8;
    t.vActive = b[5] | (b[7] & 0xF0) << 4;
    t.vBlank = b[6] | (b[7] & 0x0F) << 8;
    t.hFront = b[8] | (b[11] & 0xC0) << 2;
    t.hSync = b[9] | (b[11] & 0x30) << 4;
    t.vFront = (b[10] >> 4) | (b[11] & 0x0C) << 2;
    t.vSync = (b[10] & 0x0F) | (b[11] & 0x03) << 4;
    t.widthMm = b[12] | (b[14] & 0xF0) << 4;
    t.heightMm = b[13] | (b[14] & 0x0F) << 8;
    t.interlaced = (b[17] & 0x80) != 0;
    t.stereo = (b[17] & dtdStereoBits) != 0;
    return t;
}

RangeLimits rangeLimits(const Descriptor& descriptor) {
    const auto& b = descriptor.bytes;
    // E-EDID 1.4 adds 255 to a maximum (bits 1, 3), or to both minimum and maximum (bits 0 and 1, 2 and 3).
    const auto plus = [&](uint8_t bits) { return (b[4] & bits) == bits ? 255u : 0u; };
    return {b[5] + plus(0x03), b[6] + plus(0x02), b[7] + plus(0x0C), b[8] + plus(0x08), b[9] * 10u};
}

uint8_t descriptorTag(const Descriptor& descriptor) { return descriptor.bytes[3]; }

std::string descriptorText(const Descriptor& descriptor) {
    std::string text;
    for (std::size_t i = 5; i < descriptorSize && descriptor.bytes[i] != 0x0A; ++i)
        text += static_cast<char>(descriptor.bytes[i]);
    return text;
}

std::string printableText(std::string_view raw) {
    std::string out;
    for (char c : raw) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x20 && byte < 0x7F)
            out += c;
        else
            out += "\\x" + text::hexByte(byte);
    }
    return out;
}

std::string quoted(std::string_view text) { return "\"" + printableText(text) + "\""; }

Descriptor textDescriptor(uint8_t tag, std::string_view text) {
    constexpr std::size_t textLength = descriptorSize - 5;
    std::array<uint8_t, descriptorSize> b{0x00, 0x00, 0x00, tag, 0x00};
    for (std::size_t i = 0; i < textLength; ++i)
        b[5 + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : i == text.size() ? 0x0A : 0x20;
    return parseDescriptor(b);
}

std::optional<std::string> manufacturerLetters(uint16_t code) {
    if (code & 0x8000) return std::nullopt;
    std::string letters;
    for (int shift = 10; shift >= 0; shift -= 5) {
        const unsigned letter = (code >> shift) & 0x1F;
        if (letter < 1 || letter > 26) return std::nullopt;
        letters += static_cast<char>('A' + letter - 1);
    }
    return letters;
}

std::optional<uint8_t> extendedTag(const DataBlock& block) {
    if (block.bytes.size() < 2 || (block.bytes[0] >> 5) != tagExtended) return std::nullopt;
    return block.bytes[1];
}

std::size_t fieldsAt(const DataBlock& block) {
    const BlockKindRow* row = rowOf(block);
    const std::size_t at = row ? row->fieldsAt : (extendedTag(block) ? 2 : 1);
    return std::min(at, block.bytes.size());
}

std::span<const uint8_t> fields(const DataBlock& block) { return std::span(block.bytes).subspan(fieldsAt(block)); }

std::vector<VideoMode> videoModes(const DataBlock& block) {
    std::vector<VideoMode> modes;
    if (block.kind != BlockKind::video && block.kind != BlockKind::y420Video) return modes;
    for (uint8_t code : fields(block)) {
        // Codes 129-192 are VICs 1-64 marked native; the rest are the VIC itself.
        if (code >= 129 && code <= 192)
            modes.push_back({static_cast<uint8_t>(code - 128), true});
        else
            modes.push_back({code, false});
    }
    return modes;
}

uint8_t svdByte(VideoMode mode) {
    return mode.native && mode.vic >= 1 && mode.vic <= 64 ? static_cast<uint8_t>(mode.vic | 0x80) : mode.vic;
}

std::vector<VideoMode> allVideoModes(const CtaBlock& cta) {
    std::vector<VideoMode> modes;
    for (const auto& block : cta.blocks) {
        if (block.kind != BlockKind::video) continue;
        const auto these = videoModes(block);
        modes.insert(modes.end(), these.begin(), these.end());
    }
    return modes;
}

HdmiFields hdmiFields(const DataBlock& block) {
    HdmiFields h;
    if (block.kind != BlockKind::hdmi) return h;
    const std::size_t start = fieldsAt(block);
    const auto& b = block.bytes;
    const auto has = [&](std::size_t at) { return start + at < b.size(); };
    if (!has(1)) return h;
    h.physicalAddress = static_cast<uint16_t>(b[start] << 8 | b[start + 1]);
    h.complete = true;
    if (!has(hdmiFlagsAt)) return h;
    h.flags = b[start + hdmiFlagsAt];
    if (!has(hdmiMaxTmdsAt)) return h;
    h.maxTmds = b[start + hdmiMaxTmdsAt];
    if (!has(hdmiLatencyFlagsAt)) return h;
    h.latencyFlags = b[start + hdmiLatencyFlagsAt];
    std::size_t at = start + hdmiLatencyFlagsAt + 1;
    const std::size_t latencyBytes =
        (*h.latencyFlags & hdmiLatencyPresent ? 2 : 0) + (*h.latencyFlags & hdmiInterlacedLatencyPresent ? 2 : 0);
    h.complete = at + latencyBytes <= b.size();
    if (!h.complete) return h;
    h.latencies.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + latencyBytes));
    at += latencyBytes;
    if (!(*h.latencyFlags & hdmiVideoPresent)) return h;
    h.complete = at + 2 <= b.size();
    if (!h.complete) return h;
    h.videoFlags = b[at];
    h.videoFlagsAt = at;
    const std::size_t vicLength = (b[at + 1] & hdmiVicLengthMask) >> 5;
    const std::size_t threeDLength = b[at + 1] & hdmi3dLengthMask;
    h.vicsAt = at + 2;
    h.threeDAt = h.vicsAt + vicLength;
    h.complete = h.threeDAt + threeDLength <= b.size();
    if (!h.complete) return h;
    h.hdmiVics.assign(b.begin() + static_cast<std::ptrdiff_t>(h.vicsAt),
                      b.begin() + static_cast<std::ptrdiff_t>(h.threeDAt));
    h.threeD.assign(b.begin() + static_cast<std::ptrdiff_t>(h.threeDAt),
                    b.begin() + static_cast<std::ptrdiff_t>(h.threeDAt + threeDLength));
    return h;
}

}  // namespace brixel::edid_editor
