// SPDX-License-Identifier: MIT
#include "edid_editor/describe.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <map>
#include <span>

#include "edid_editor/cta_tables.h"
#include "edid_editor/modes.h"
#include "text/hex.h"

namespace brixel::edid_editor {
namespace {

constexpr std::string_view arrow = " \u2192 ";

std::string hex(std::span<const uint8_t> bytes) { return text::hexBytes(bytes, " ", text::HexCase::upper); }

std::string hex8(uint8_t value) { return "0x" + text::hexByte(value, text::HexCase::upper); }

std::string hex16(uint16_t value) {
    return "0x" + text::hexByte(static_cast<uint8_t>(value >> 8), text::HexCase::upper) +
           text::hexByte(static_cast<uint8_t>(value), text::HexCase::upper);
}

std::string decimals(double value, int places) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

class Facts {
public:
    explicit Facts(std::vector<Fact>& out) : out_(out) {}
    void group(std::string name) {
        group_ = std::move(name);
        seen_.clear();
    }
    void add(std::string key, std::string value = {}) {
        // The same key twice in a group (a VIC listed twice) stays two facts.
        const int count = ++seen_[key];
        if (count > 1) key += " (" + std::to_string(count) + ")";
        out_.push_back({group_, std::move(key), std::move(value)});
    }
    template <std::size_t N>
    void bits(const std::string& label, std::span<const uint8_t> fields, const std::array<Bit, N>& table) {
        for (const auto& bit : table) {
            if (bit.at >= fields.size()) continue;
            const unsigned value = fields[bit.at] & bit.mask;
            // A run of bits is a number; one bit is there or not.
            if (std::popcount(bit.mask) > 1)
                add(label + ": " + std::string(bit.label), std::to_string(value >> std::countr_zero(bit.mask)));
            else if (value)
                add(label + ": " + std::string(bit.label));
        }
    }

private:
    std::vector<Fact>& out_;
    std::string group_;
    std::map<std::string, int> seen_;
};

// The text, and whether its bytes are laid out as E-EDID asks: mending them is a change too.
std::string textValue(const Descriptor& d) {
    const std::string text = descriptorText(d);
    const bool laidOut = textDescriptor(descriptorTag(d), text).bytes == d.bytes;
    return printableText(text) + (laidOut ? "" : " (not laid out as E-EDID asks)");
}

std::string chromaticityText(const std::array<uint8_t, 10>& c) {
    // The two low bits of each value sit in bytes 0 and 1, the eight high in 2 to 9.
    const auto value = [&](std::size_t i) {
        const unsigned low = (c[i / 4] >> (6 - 2 * (i % 4))) & 0x03;
        return ((c[2 + i] << 2) | low) / 1024.0;
    };
    static constexpr std::array<std::string_view, 4> names{"red", "green", "blue", "white"};
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += ", ";
        out += std::string(names[i]) + " " + decimals(value(2 * i), 4) + " " + decimals(value(2 * i + 1), 4);
    }
    return out;
}

std::string rangeText(const Descriptor& d) {
    const RangeLimits r = rangeLimits(d);
    return std::to_string(r.minVerticalHz) + "-" + std::to_string(r.maxVerticalHz) + " Hz, " +
           std::to_string(r.minHorizontalKhz) + "-" + std::to_string(r.maxHorizontalKhz) + " kHz, " +
           std::to_string(r.maxPixelClockMhz) + " MHz";
}

void describeBase(const BaseBlock& base, uint8_t expectedChecksum, Facts& facts) {
    facts.group("");
    facts.add("Header", hex(base.header));
    const auto letters = manufacturerLetters(base.manufacturer);
    facts.add("Manufacturer", letters ? *letters : hex16(base.manufacturer));
    facts.add("Product", hex16(base.product));
    facts.add("Serial number", std::to_string(base.serialNumber));
    facts.add("Week", base.week == 0 ? "not given" : base.week == 0xFF ? "model year" : std::to_string(base.week));
    facts.add("Year", std::to_string(1990 + base.year));
    facts.add("EDID version", std::to_string(base.version) + "." + std::to_string(base.revision));
    facts.add("Video input", hex8(base.videoInput) + (base.videoInput & 0x80 ? " (digital)" : " (analogue)"));
    facts.add("Image size", base.widthCm || base.heightCm
                                ? std::to_string(base.widthCm) + "x" + std::to_string(base.heightCm) + " cm"
                                : "not given");
    facts.add("Gamma", base.gamma == 0xFF ? "in an extension" : decimals((base.gamma + 100) / 100.0, 2));
    facts.add("Features", hex8(base.features));
    facts.add("Chromaticity", chromaticityText(base.chromaticity));
    for (const auto& timing : establishedTimingBits)
        if (base.establishedTimings[timing.at] & timing.mask)
            facts.add("Established timing: " + modeText(establishedMode(timing)));
    if (base.establishedTimings[2] & 0x7F)
        facts.add("Established timings: manufacturer's", hex8(base.establishedTimings[2] & 0x7F));
    for (const auto& slot : base.standardTimings)
        if (const auto mode = standardTimingMode(slot, base.revision)) facts.add("Standard timing: " + modeText(*mode));
    for (std::size_t i = 0; i < baseDescriptorCount; ++i) {
        const Descriptor& d = base.descriptors[i];
        switch (d.kind) {
            case DescriptorKind::detailedTiming:
                if (i == 0)
                    facts.add("Preferred timing", timingText(detailedTiming(d)));
                else
                    facts.add("Detailed timing: " + timingText(detailedTiming(d)));
                break;
            case DescriptorKind::displayName: facts.add("Display name", textValue(d)); break;
            case DescriptorKind::serialText: facts.add("Serial text", textValue(d)); break;
            case DescriptorKind::dataText: facts.add("Data text", textValue(d)); break;
            case DescriptorKind::rangeLimits:
                facts.add("Range limits", rangeText(d));
                facts.add("Range limits: timing formula bytes", hex(std::span(d.bytes).subspan(10)));
                break;
            case DescriptorKind::other: facts.add("Descriptor " + hex8(descriptorTag(d)), hex(d.bytes)); break;
            case DescriptorKind::unused: break;
        }
    }
    facts.add("Extension blocks", std::to_string(base.extensionCount));
    facts.add("Base block checksum", base.checksum == expectedChecksum
                                         ? "correct"
                                         : hex8(base.checksum) + ", where " + hex8(expectedChecksum) + " is needed");
}

std::string luminance(uint8_t code) { return decimals(50.0 * std::pow(2.0, code / 32.0), 1) + " cd/m\u00B2"; }

void describeBlock(const DataBlock& block, const CtaBlock& cta, Facts& facts) {
    const std::string label = blockLabel(block);
    const auto f = fields(block);
    const auto field = [&](std::size_t at) -> std::optional<uint8_t> {
        return at < f.size() ? std::optional<uint8_t>(f[at]) : std::nullopt;
    };
    switch (block.kind) {
        case BlockKind::video:
        case BlockKind::y420Video: {
            const auto modes = videoModes(block);
            if (block.kind == BlockKind::video && !modes.empty())
                facts.add(label + ": first VIC", vicText(modes.front().vic));
            for (const auto& mode : modes) facts.add(label + ": " + vicText(mode.vic), mode.native ? "native" : "");
            break;
        }
        case BlockKind::y420CapabilityMap: {
            if (f.empty()) facts.add(label + ": every VIC");
            const auto modes = allVideoModes(cta);
            for (std::size_t i = 0; i < 8 * f.size(); ++i) {
                if (!(f[i / 8] & (1u << (i % 8)))) continue;
                facts.add(label + ": " +
                          (i < modes.size()
                               ? vicText(modes[i].vic)
                               : "descriptor " + std::to_string(i + 1) + " (the video data blocks have fewer)"));
            }
            break;
        }
        case BlockKind::audio:
            for (std::size_t at = 0; at + 3 <= f.size(); at += 3)
                facts.add(label + ": " + audioText(f.subspan(at).first<3>()));
            if (f.size() % 3) facts.add(label + ": bytes after the descriptors", hex(f.last(f.size() % 3)));
            break;
        case BlockKind::speakers: {
            std::string speakers;
            for (const auto& bit : speakerBits)
                if (bit.at < f.size() && (f[bit.at] & bit.mask))
                    speakers += (speakers.empty() ? "" : ", ") + std::string(bit.label);
            facts.add(label, speakers.empty() ? "none" : speakers);
            break;
        }
        case BlockKind::hdmi: {
            const HdmiFields h = hdmiFields(block);
            if (f.size() >= 2)
                facts.add(label + ": physical address", std::to_string(h.physicalAddress >> 12) + "." +
                                                            std::to_string((h.physicalAddress >> 8) & 0xF) + "." +
                                                            std::to_string((h.physicalAddress >> 4) & 0xF) + "." +
                                                            std::to_string(h.physicalAddress & 0xF));
            facts.bits(label, f, hdmiFlagBits);
            if (h.maxTmds && *h.maxTmds) facts.add(label + ": max TMDS clock", std::to_string(*h.maxTmds * 5) + " MHz");
            static constexpr std::array<std::string_view, 4> latencies{
                "video latency", "audio latency", "interlaced video latency", "interlaced audio latency"};
            const bool progressive = h.latencyFlags && (*h.latencyFlags & hdmiLatencyPresent);
            for (std::size_t i = 0; i < h.latencies.size(); ++i)
                facts.add(label + ": " + std::string(latencies[i + (progressive ? 0 : 2)]),
                          std::to_string(h.latencies[i]));
            if (h.videoFlags) {
                if (*h.videoFlags & hdmi3dPresent) facts.add(label + ": 3D");
                if (*h.videoFlags & hdmi3dMulti)
                    facts.add(label + ": 3D_Multi_present", std::to_string((*h.videoFlags & hdmi3dMulti) >> 5));
                if (*h.videoFlags & 0x18) facts.add(label + ": image size", std::to_string((*h.videoFlags >> 3) & 3));
            }
            for (uint8_t vic : h.hdmiVics) facts.add(label + ": " + hdmiVicText(vic));
            if (!h.threeD.empty()) facts.add(label + ": 3D fields", hex(h.threeD));
            break;
        }
        case BlockKind::hdmiForum: {
            if (const auto version = field(forumVersionAt)) facts.add(label + ": version", std::to_string(*version));
            if (const auto rate = field(forumMaxTmdsAt); rate && *rate)
                facts.add(label + ": max TMDS character rate", std::to_string(*rate * 5) + " MHz");
            facts.bits(label, f, forumFlagBits);
            if (const auto frl = field(forumFrlAt); frl && (*frl & forumMaxFrlMask)) {
                const unsigned rate = *frl >> 4;
                facts.add(label + ": max FRL rate",
                          rate < frlRates.size() ? std::string(frlRates[rate]) : std::to_string(rate));
            }
            const unsigned vrrMin = field(forumVrrMinAt).value_or(0) & forumVrrMinMask;
            const unsigned vrrMax = (field(forumVrrMinAt).value_or(0) & 0xC0u) << 2 | field(forumVrrMaxAt).value_or(0);
            if (vrrMin || vrrMax)
                facts.add(label + ": VRR", std::to_string(vrrMin) + "-" + std::to_string(vrrMax) + " Hz");
            if (const auto slices = field(forumDscSlicesAt); slices && *slices)
                facts.add(label + ": DSC max slices and FRL rate", hex8(*slices));
            if (const auto chunk = field(forumDscChunkAt); chunk && *chunk)
                facts.add(label + ": DSC total chunk byte", hex8(*chunk));
            if (f.size() > forumDscChunkAt + 1)
                facts.add(label + ": further bytes", hex(f.subspan(forumDscChunkAt + 1)));
            break;
        }
        case BlockKind::hdrStatic:
            facts.bits(label, f, hdrStaticBits);
            if (const auto v = field(2)) facts.add(label + ": desired max luminance", luminance(*v));
            if (const auto v = field(3)) facts.add(label + ": desired max frame-average luminance", luminance(*v));
            if (const auto v = field(4)) facts.add(label + ": desired min luminance code", std::to_string(*v));
            break;
        case BlockKind::colorimetry: facts.bits(label, f, colorimetryBits); break;
        case BlockKind::videoCapability: facts.bits(label, f, videoCapabilityBits); break;
        case BlockKind::dolbyVision:
            if (const auto v = field(0)) facts.add(label + ": version", std::to_string(*v >> 5));
            facts.add(label + ": bytes", hex(f));
            break;
        case BlockKind::hdr10Plus:
            if (const auto v = field(0)) facts.add(label + ": application version", std::to_string(*v & 0x03));
            facts.add(label + ": bytes", hex(f));
            break;
        case BlockKind::amd:
        case BlockKind::vendor:
        case BlockKind::hdrDynamic:
        case BlockKind::vendorVideo:
        case BlockKind::vendorAudio:
        case BlockKind::roomConfiguration:
        case BlockKind::speakerLocation:
        case BlockKind::other: facts.add(label + ": bytes", hex(f)); break;
    }
}

void describeCta(const CtaBlock& cta, uint8_t expectedChecksum, Facts& facts) {
    facts.group("CTA extension");
    facts.add("CTA: revision", std::to_string(cta.revision));
    facts.bits("CTA", std::span(&cta.flags, 1), ctaFlagBits);
    facts.add("CTA: native detailed timings", std::to_string(cta.flags & ctaNativeCount));
    if (!cta.offsetInRange) facts.add("CTA: DTD offset outside the block", std::to_string(cta.dtdOffset));
    for (const auto& d : cta.timings) {
        if (d.kind == DescriptorKind::detailedTiming)
            facts.add("CTA: detailed timing: " + timingText(detailedTiming(d)));
        else
            facts.add("CTA: descriptor", hex(d.bytes));
    }
    if (!cta.unparsed.empty()) facts.add("CTA: bytes no data block explains", hex(cta.unparsed));
    const auto nonZero = std::count_if(cta.padding.begin(), cta.padding.end(), [](uint8_t b) { return b != 0; });
    if (nonZero) facts.add("CTA: padding", std::to_string(nonZero) + " bytes not zero");
    facts.add("Extension block checksum", cta.checksum == expectedChecksum ? "correct"
                                                                           : hex8(cta.checksum) + ", where " +
                                                                                 hex8(expectedChecksum) + " is needed");
    std::map<std::string, int> seen;
    for (const auto& block : cta.blocks) {
        const std::string name = "CTA: " + blockName(block);
        const int count = ++seen[name];
        facts.group(count > 1 ? name + " #" + std::to_string(count) : name);
        describeBlock(block, cta, facts);
    }
}

struct Group {
    std::string name;
    std::vector<const Fact*> facts;
};

std::vector<Group> grouped(const std::vector<Fact>& facts) {
    std::vector<Group> groups;
    for (const auto& fact : facts) {
        if (groups.empty() || groups.back().name != fact.group) groups.push_back({fact.group, {}});
        groups.back().facts.push_back(&fact);
    }
    return groups;
}

const Group* findGroup(const std::vector<Group>& groups, const std::string& name) {
    for (const auto& g : groups)
        if (g.name == name) return &g;
    return nullptr;
}

const Fact* findFact(const Group& group, const std::string& key) {
    for (const Fact* f : group.facts)
        if (f->key == key) return f;
    return nullptr;
}

std::string added(const Fact& fact) {
    return fact.value.empty() ? fact.key + " added" : fact.key + " added: " + fact.value;
}

}  // namespace

std::string timingText(const DetailedTiming& timing) {
    return modeText(timingMode(timing)) + " (" + decimals(timing.pixelClockKhz / 1000.0, 2) + " MHz" +
           (timing.stereo ? ", stereo)" : ")");
}

std::string audioText(std::span<const uint8_t, 3> d) {
    const unsigned format = (d[0] >> 3) & 0x0F;
    std::string out = std::string(audioFormats[format]) + ", " + std::to_string((d[0] & 0x07) + 1) + " channels";
    std::string rates;
    for (std::size_t i = 0; i < audioRates.size(); ++i)
        if (d[1] & (1u << i)) rates += (rates.empty() ? "" : "/") + std::string(audioRates[i]);
    out += ", " + (rates.empty() ? std::string("no rates") : rates + " kHz");
    if (format == 1) {
        std::string depths;
        for (std::size_t i = 0; i < lpcmDepths.size(); ++i)
            if (d[2] & (1u << i)) depths += (depths.empty() ? "" : "/") + std::string(lpcmDepths[i]);
        out += ", " + (depths.empty() ? std::string("no sample sizes") : depths + " bit");
    } else if (format >= 2 && format <= 8) {
        out += ", up to " + std::to_string(d[2] * 8) + " kbit/s";
    } else if (format == 15) {
        out += ", extended type " + std::to_string(d[2] >> 3) + ", byte 3 " + hex8(d[2]);
    } else {
        out += ", byte 3 " + hex8(d[2]);
    }
    return out;
}

std::vector<Fact> describeEdid(const Edid& edid) {
    std::vector<Fact> out;
    Facts facts(out);
    const Bytes written = writeEdid(edid).bytes;
    describeBase(edid.base, written.empty() ? edid.base.checksum : written[blockSize - 1], facts);
    if (edid.cta) describeCta(*edid.cta, written.empty() ? edid.cta->checksum : written.back(), facts);
    if (edid.otherExtension) {
        facts.group("Extension block");
        facts.add("Extension block", "tag " + hex8((*edid.otherExtension)[0]) + ": " + hex(*edid.otherExtension));
    }
    return out;
}

std::vector<std::string> diffEdids(const Edid& before, const Edid& after) {
    const auto beforeFacts = describeEdid(before);
    const auto afterFacts = describeEdid(after);
    const auto beforeGroups = grouped(beforeFacts);
    const auto afterGroups = grouped(afterFacts);
    std::vector<std::string> lines;
    for (const auto& group : beforeGroups) {
        const Group* other = findGroup(afterGroups, group.name);
        if (!other) {
            lines.push_back(group.name + " removed");
            continue;
        }
        for (const Fact* fact : group.facts) {
            const Fact* now = findFact(*other, fact->key);
            if (!now)
                lines.push_back(fact->key + " removed");
            else if (now->value != fact->value)
                lines.push_back(fact->value.empty() ? fact->key + ": now " + now->value
                                : now->value.empty()
                                    ? fact->key + ": no longer " + fact->value
                                    : fact->key + ": " + fact->value + std::string(arrow) + now->value);
        }
        for (const Fact* fact : other->facts)
            if (!findFact(group, fact->key)) lines.push_back(added(*fact));
    }
    for (const auto& group : afterGroups) {
        if (findGroup(beforeGroups, group.name)) continue;
        lines.push_back(group.name + " added");
        for (const Fact* fact : group.facts) lines.push_back(added(*fact));
    }
    return lines;
}

}  // namespace brixel::edid_editor
