// SPDX-License-Identifier: MIT
// The InfoFrame decoder: every code of every field its tables define, fields
// found where the standard puts them (frames spelled out), HDR frames the
// builder makes read back, the simulator's frames, and the problems.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "infoframe/infoframe_bytes.h"
#include "infoframe_decoder/field_definitions.h"
#include "infoframe_decoder/infoframe_decoder.h"
#include "text/hex.h"

namespace brixel::infoframe_decoder {
namespace {

std::vector<uint8_t> bytes(std::string_view hex) { return *text::bytesFromHex(hex); }

void fixChecksum(std::vector<uint8_t>& frame) {
    frame[infoframe::checksumIndex] = 0;
    frame[infoframe::checksumIndex] = infoframe::checksumForSum(infoframe::byteSum(frame));
}

// A frame from its header and payload, with the checksum it needs.
std::vector<uint8_t> frameOf(std::string_view header, std::string_view payload) {
    auto frame = bytes(std::string(header) + ":00:" + std::string(payload));
    fixChecksum(frame);
    return frame;
}

std::string zeros(std::size_t n) {
    std::string out;
    for (std::size_t k = 0; k < n; ++k) out += k ? ":00" : "00";
    return out;
}

bool isSentence(const std::string& s) {
    return s.size() > 2 && std::isupper(static_cast<unsigned char>(s.front())) && s.back() == '.';
}

void expectSentences(const DecodedFrame& frame) {
    for (const auto& problem : frame.problems) EXPECT_TRUE(isSentence(problem)) << problem;
}

std::string valueText(const DecodedFrame& frame, std::string_view key) {
    const Field* field = frame.field(key);
    return field ? fieldValueText(field->value) : "(no field " + std::string(key) + ")";
}

// ---- Every code of every table field -------------------------------------------------------

// A frame of each type with nothing set but what its header needs.
std::vector<uint8_t> baseFrame(uint8_t type) {
    switch (type) {
        case 0x82: return frameOf("82:04:0e", zeros(14));  // version 4: PB14 too
        case 0x83: return frameOf("83:01:19", zeros(25));
        case 0x84: return frameOf("84:01:0a", zeros(10));
        case 0x87: return frameOf("87:01:1a", zeros(26));
        default: return {};
    }
}

std::vector<uint8_t> vendorBase(uint32_t oui) {
    auto frame = frameOf("81:01:1b", zeros(27));
    frame[4] = static_cast<uint8_t>(oui);
    frame[5] = static_cast<uint8_t>(oui >> 8);
    frame[6] = static_cast<uint8_t>(oui >> 16);
    fixChecksum(frame);
    return frame;
}

// Sets `value` into the field's bits and checks it reads back, named, with no
// other field of the table changed.
void checkField(std::vector<uint8_t> frame, std::span<const FieldDefinition> table, const FieldDefinition& def,
                unsigned value) {
    const DecodedFrame before = decodeInfoFrame(frame);
    const std::size_t at = infoframe::headerSize + def.pb - 1;
    if (def.kind == FieldKind::text) {
        for (std::size_t k = 0; k < def.width; ++k) frame[at + k] = static_cast<uint8_t>('A' + k);
    } else {
        const unsigned mask = ((1u << def.width) - 1u) << def.shift;
        frame[at] = static_cast<uint8_t>((frame[at] & ~mask) | (value << def.shift & mask));
    }
    fixChecksum(frame);
    const DecodedFrame after = decodeInfoFrame(frame);
    SCOPED_TRACE(std::string(def.key) + " = " + std::to_string(value));
    expectSentences(after);
    const Field* field = after.field(def.key);
    ASSERT_NE(field, nullptr);
    switch (def.kind) {
        case FieldKind::coded: {
            const auto* coded = std::get_if<Coded>(&field->value);
            ASSERT_NE(coded, nullptr);
            EXPECT_EQ(coded->code, static_cast<int>(value));
            const std::string_view name = value < def.names.size() ? def.names[value] : reservedName;
            EXPECT_FALSE(name.empty());
            EXPECT_EQ(coded->name, name);
            const std::string reserved = std::string(def.label) + " code " + std::to_string(value) + " is reserved.";
            const bool said = std::find(after.problems.begin(), after.problems.end(), reserved) != after.problems.end();
            EXPECT_EQ(said, def.reservedIsProblem && name == reservedName);
            break;
        }
        case FieldKind::flag: EXPECT_EQ(field->value, FieldValue{value != 0}); break;
        case FieldKind::integer: EXPECT_EQ(field->value, FieldValue{int64_t{value}}); break;
        case FieldKind::number: EXPECT_EQ(std::get<Number>(field->value).value, value); break;
        case FieldKind::text: EXPECT_EQ(std::get<std::string>(field->value).size(), def.width); break;
        case FieldKind::derived: break;
    }
    // No other table field moved.
    for (const auto& other : table) {
        if (other.kind == FieldKind::derived || other.key == def.key) continue;
        const Field* was = before.field(other.key);
        const Field* is = after.field(other.key);
        ASSERT_TRUE(was && is) << other.key;
        EXPECT_EQ(was->value, is->value) << other.key << " changed";
    }
}

void checkTable(const std::vector<uint8_t>& base, std::span<const FieldDefinition> table) {
    ASSERT_FALSE(base.empty());
    for (const auto& def : table) {
        if (def.kind == FieldKind::derived) continue;
        if (def.kind == FieldKind::text) {
            checkField(base, table, def, 0);
            continue;
        }
        const unsigned last = (1u << def.width) - 1u;
        if (def.kind == FieldKind::coded) {
            for (unsigned code = 0; code <= last; ++code) checkField(base, table, def, code);
        } else {
            checkField(base, table, def, 0);
            checkField(base, table, def, last);
        }
    }
}

TEST(InfoFrameFields, EveryCodeOfEveryTableFieldReadsBackWithItsName) {
    for (const auto& type : typeDefinitions()) {
        if (type.type == FrameType::vendor) continue;
        SCOPED_TRACE(type.name);
        checkTable(baseFrame(type.code), type.fields);
    }
    for (const auto& vendor : vendorDefinitions()) {
        SCOPED_TRACE(vendor.owner);
        checkTable(vendorBase(vendor.oui), vendor.fields);
    }
}

TEST(InfoFrameFields, EmptyFramesOfEachTypeHaveNoProblems) {
    for (const auto& type : typeDefinitions()) {
        if (type.type == FrameType::vendor) continue;
        const auto decoded = decodeInfoFrame(baseFrame(type.code));
        EXPECT_EQ(decoded.type, type.type);
        EXPECT_TRUE(decoded.checksumValid);
        // An empty PQ-less HDR frame, an AVI frame of no format: nothing contradicts.
        EXPECT_EQ(decoded.problems, std::vector<std::string>{}) << type.name;
    }
}

// ---- Fields where the standard puts them --------------------------------------------------

struct FieldRow {
    std::vector<uint8_t> frame;
    std::string_view key;
    std::string text;
};

TEST(InfoFrameFields, FoundWhereTheStandardPutsThem) {
    const FieldRow rows[] = {
        // AVI: Y=2 A=1 B=3 S=2 | C=1 M=1 R=9 | ITC EC=1 Q=2 SC=3 | VIC 4 | YQ=1 CN=3 PR=1 | bars.
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "colourFormat", "YCbCr 4:4:4 (2)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "barInfo", "vertical and horizontal bars (3)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "scan", "underscanned (2)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "colorimetry", "BT.601 YCbCr (1)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "pictureAspect", "4:3 (1)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "activeFormatAspect", "4:3 (centre) (9)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "itContent", "yes"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "extendedColorimetry", "xvYCC709 (1)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "rgbQuantization", "full (2)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "nonUniformScaling",
         "horizontal and vertical (3)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "vic", "4"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "videoFormat", "1280x720p60 16:9"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "yccQuantization", "full (1)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "contentType", "game (3)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "pixelRepetition", "sent twice (1)"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "topBarEnd", "16"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "bottomBarStart", "32"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "leftBarEnd", "48"},
        {frameOf("82:02:0d", "5e:59:9b:04:71:10:00:20:00:30:00:40:00"), "rightBarStart", "64"},
        // Both ends of a bar position; bars the bar information does not name are none.
        {frameOf("82:02:0d", "08:00:00:00:00:00:00:ff:ff:ff:ff:ff:ff"), "bottomBarStart", "65535"},
        {frameOf("82:02:0d", "08:00:00:00:00:00:00:ff:ff:ff:ff:ff:ff"), "leftBarEnd", "none"},
        {frameOf("82:02:0d", "00:00:00:00:00:ff:ff:ff:ff:ff:ff:ff:ff"), "topBarEnd", "none"},
        // IT content with content type 0 is graphics; version 4's additional colorimetry.
        {frameOf("82:02:0d", "00:00:80:00:00:00:00:00:00:00:00:00:00"), "contentType", "graphics (0)"},
        {frameOf("82:04:0e", "00:c0:f0:00:00:00:00:00:00:00:00:00:00:10"), "colorimetry", "DCI-P3 RGB (theater) (3)"},
        {frameOf("82:03:0d", "00:00:00:db:00:00:00:00:00:00:00:00:00"), "videoFormat", "4096x2160p120 256:135"},
        {frameOf("82:02:0d", "40:c0:60:61:00:00:00:00:00:00:00:00:00"), "colorimetry", "BT.2020 YCbCr (3)"},
        {frameOf("82:02:0d", "00:c0:60:61:00:00:00:00:00:00:00:00:00"), "colorimetry", "BT.2020 RGB (3)"},
        {frameOf("82:02:0d", "00:00:00:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "no data (0)"},
        {frameOf("82:02:0d", "40:c0:00:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "xvYCC601 (3)"},
        {frameOf("82:02:0d", "40:c0:20:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "sYCC601 (3)"},
        {frameOf("82:02:0d", "40:c0:30:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "opYCC601 (3)"},
        {frameOf("82:02:0d", "00:c0:40:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "opRGB (3)"},
        {frameOf("82:02:0d", "40:c0:50:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "BT.2020 YcCbcCrc (3)"},
        {frameOf("82:04:0e", "00:c0:70:00:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "DCI-P3 RGB (D65) (3)"},
        {frameOf("82:02:0d", "20:80:00:00:00:00:00:00:00:00:00:00:00"), "colorimetry", "BT.709 YCbCr (2)"},
        {frameOf("82:02:0d", "00:00:00:00:10:00:00:00:00:00:00:00:00"), "contentType", "photo (1)"},
        {frameOf("82:02:0d", "00:00:00:00:20:00:00:00:00:00:00:00:00"), "contentType", "cinema (2)"},
        {frameOf("82:02:0d", "00:00:00:00:00:00:00:00:00:00:00:00:00"), "contentType", "no data (0)"},
        // HDR: primaries in any order, the two ends of every luminance.
        {frameOf("87:01:1a", "03:00:00:7d:74:40:98:3a:30:75:4c:1d:b8:0b:13:3d:42:40:ff:ff:ff:ff:ff:ff:ff:ff"),
         "primaries", "BT.709"},
        {frameOf("87:01:1a", "03:00:00:7d:74:40:98:3a:30:75:4c:1d:b8:0b:13:3d:42:40:ff:ff:ff:ff:ff:ff:ff:ff"), "eotf",
         "HLG (3)"},
        {frameOf("87:01:1a", "03:00:00:7d:74:40:98:3a:30:75:4c:1d:b8:0b:13:3d:42:40:ff:ff:ff:ff:ff:ff:ff:ff"),
         "maxMasteringLuminance", "65535 cd/m²"},
        {frameOf("87:01:1a", "03:00:00:7d:74:40:98:3a:30:75:4c:1d:b8:0b:13:3d:42:40:ff:ff:ff:ff:ff:ff:ff:ff"),
         "minMasteringLuminance", "6.5535 cd/m²"},
        {frameOf("87:01:1a", "03:00:00:7d:74:40:98:3a:30:75:4c:1d:b8:0b:13:3d:42:40:ff:ff:ff:ff:ff:ff:ff:ff"), "maxCll",
         "65535 cd/m²"},
        {frameOf("87:01:1a", "03:00:00:7d:74:40:98:3a:30:75:4c:1d:b8:0b:13:3d:42:40:ff:ff:ff:ff:ff:ff:ff:ff"),
         "maxFall", "65535 cd/m²"},
        {frameOf("87:01:1a", "00:00:" + zeros(24)), "maxCll", "unknown (0)"},
        {frameOf("87:01:1a", "00:00:" + zeros(24)), "minMasteringLuminance", "0 cd/m²"},
        {frameOf("87:01:1a", "00:00:" + zeros(24)), "primaries", "none"},
        {frameOf("87:01:1a", "00:01:" + zeros(24)), "metadata", zeros(24)},
        {frameOf("87:01:1a", "00:01:" + zeros(24)), "displayPrimaries", "none"},
        // SPD: names up to their NUL, the last source type.
        {frameOf("83:01:19", "41:42:43:00:00:00:00:00:50:6c:61:79:65:72:00:00:00:00:00:00:00:00:00:00:0d"),
         "vendorName", "ABC"},
        {frameOf("83:01:19", "41:42:43:00:00:00:00:00:50:6c:61:79:65:72:00:00:00:00:00:00:00:00:00:00:0d"),
         "productDescription", "Player"},
        {frameOf("83:01:19", "41:42:43:00:00:00:00:00:50:6c:61:79:65:72:00:00:00:00:00:00:00:00:00:00:0d"),
         "sourceType", "PMP (13)"},
        {frameOf("83:01:19", zeros(24) + ":0e"), "sourceType", "reserved (14)"},
        // Audio: AC-3 8 channels 48 kHz 24 bit, allocation 0x13, 10 dB shift, down-mix inhibited, +10 dB LFE.
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "codingType", "AC-3 (2)"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "channelCount", "8"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "sampleRate", "48 kHz (3)"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "sampleSize", "24 bit (3)"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "channelAllocation", "FL FR LFE1 FC LS RS RLC RRC (19)"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "speakers", "FL FR LFE1 FC LS RS RLC RRC"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "levelShift", "10 dB"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "downmixInhibit", "yes"},
        {frameOf("84:01:0a", "27:0f:00:13:d2:00:00:00:00:00"), "lfePlaybackLevel", "+10 dB (2)"},
        {frameOf("84:01:0a", "f0:00:0c:00:00:00:00:00:00:00"), "codingExtension", "AC-4 (12)"},
        {frameOf("84:01:0a", "00:00:00:2d:00:00:00:00:00:00"), "speakers", "FL FR LFE1 FC LS RS TpFC TpC"},
        {frameOf("84:01:0a", "00:00:00:31:00:00:00:00:00:00"), "speakers", "FL FR LFE1 FC LS RS FLW FRW"},
        {frameOf("84:01:0a", "00:00:00:00:00:00:00:00:00:00"), "channelCount", "none"},
        // Vendor: HDMI 1.4 4K and 3D, HDMI Forum, HDR10+, Dolby, another OUI.
        {frameOf("81:01:05", "03:0c:00:20:04"), "videoFormat", "4096x2160p24 256:135"},
        {frameOf("81:01:05", "03:0c:00:20:04"), "owner", "HDMI Licensing"},
        {frameOf("81:01:05", "03:0c:00:40:60"), "threeDStructure", "top-and-bottom (6)"},
        {frameOf("81:01:05", "03:0c:00:40:00"), "threeDStructure", "frame packing (0)"},
        {frameOf("81:01:05", "03:0c:00:40:30"), "threeDStructure", "side-by-side (full) (3)"},
        {frameOf("81:01:06", "03:0c:00:40:80:00"), "threeDExtData",
         "horizontal sub-sampling, odd left and odd right (0)"},
        {frameOf("81:01:05", "03:0c:00:20:01"), "videoFormat", "3840x2160p30 16:9"},
        {frameOf("81:01:06", "03:0c:00:40:80:50"), "threeDExtData", "quincunx matrix, odd left and even right (5)"},
        {frameOf("81:01:05", "d8:5d:c4:01:02"), "oui", "C4-5D-D8"},
        {frameOf("81:01:05", "d8:5d:c4:01:02"), "allm", "yes"},
        {frameOf("81:01:05", "d8:5d:c4:01:02"), "threeDValid", "no"},
        {frameOf("81:01:1b", "8b:84:90:45:12:00:01:02:03:04:05:06:07:08:19:40:80:10:20:30:40:50:60:70:80:90:c0"),
         "applicationVersion", "1"},
        {frameOf("81:01:1b", "8b:84:90:45:12:00:01:02:03:04:05:06:07:08:19:40:80:10:20:30:40:50:60:70:80:90:c0"),
         "targetDisplayLuminance", "2"},
        {frameOf("81:01:1b", "8b:84:90:45:12:00:01:02:03:04:05:06:07:08:19:40:80:10:20:30:40:50:60:70:80:90:c0"),
         "distributionValues", "0 1 2 3 4 5 6 7 8"},
        {frameOf("81:01:1b", "8b:84:90:45:12:00:01:02:03:04:05:06:07:08:19:40:80:10:20:30:40:50:60:70:80:90:c0"),
         "kneePoint", "(592, 128)"},
        {frameOf("81:01:1b", "8b:84:90:45:12:00:01:02:03:04:05:06:07:08:19:40:80:10:20:30:40:50:60:70:80:90:c0"),
         "bezierAnchors", "16 32 48 64 80 96 112 128 144"},
        {frameOf("81:01:1b", "46:d0:00:03:83:ff:" + zeros(21)), "effectiveMaxPq", "1023"},
        {frameOf("81:01:05", "11:22:33:ab:cd"), "oui", "33-22-11"},
        {frameOf("81:01:05", "11:22:33:ab:cd"), "owner", "none"},
        {frameOf("81:01:05", "11:22:33:ab:cd"), "payload", "ab:cd"},
    };
    for (const auto& row : rows) {
        const auto decoded = decodeInfoFrame(row.frame);
        EXPECT_EQ(valueText(decoded, row.key), row.text) << text::hexBytes(row.frame, ":") << " " << row.key;
        expectSentences(decoded);
    }
}

// The coded fields that need more than their own bits: every code has a name,
// reads back, and is a problem exactly where it is reserved.
TEST(InfoFrameFields, EveryCodeOfTheDerivedCodedFields) {
    struct Derived {
        std::string_view header;
        std::string payload;  // "%" marks the byte the code goes into
        unsigned shift, codes;
        std::string_view key;
    };
    const Derived rows[] = {
        {"82:02:0d", "00:c0:%:00:00:00:00:00:00:00:00:00:00", 4, 8, "colorimetry"},
        {"82:04:0e", "00:c0:70:00:00:00:00:00:00:00:00:00:00:%", 4, 16, "colorimetry"},
        {"82:02:0d", "00:00:80:00:%:00:00:00:00:00:00:00:00", 4, 4, "contentType"},
        {"84:01:0a", "07:00:00:%:00:00:00:00:00:00", 0, 256, "channelAllocation"},
        {"81:01:06", "03:0c:00:40:%:00", 4, 16, "threeDStructure"},
        {"81:01:06", "03:0c:00:40:80:%", 4, 16, "threeDExtData"},
        {"81:01:05", "03:0c:00:20:%", 0, 256, "videoFormat"},
    };
    for (const auto& row : rows) {
        for (unsigned code = 0; code < row.codes; ++code) {
            std::string payload = row.payload;
            payload.replace(payload.find('%'), 1, text::hexByte(static_cast<uint8_t>(code << row.shift)));
            const auto decoded = decodeInfoFrame(frameOf(row.header, payload));
            SCOPED_TRACE(std::string(row.key) + " " + std::to_string(code));
            expectSentences(decoded);
            const Field* field = decoded.field(row.key);
            ASSERT_NE(field, nullptr);
            const std::string shown = fieldValueText(field->value);
            EXPECT_FALSE(shown.empty());
            const bool reserved = shown.starts_with("reserved") || shown == "none";
            // Every reserved code is a problem that says so; a named one is not.
            const bool said = std::any_of(decoded.problems.begin(), decoded.problems.end(),
                                          [](const std::string& p) { return p.find("reserved") != std::string::npos; });
            EXPECT_EQ(said, reserved) << shown;
            // Colorimetry keeps the C code, 3, whatever the extension says.
            const auto* coded = std::get_if<Coded>(&field->value);
            if (coded && row.key != "colorimetry") {
                EXPECT_EQ(coded->code, static_cast<int>(code));
            }
        }
    }
}

TEST(InfoFrameFields, EachChannelAllocationNamesItsSpeakers) {
    // Speakers of codes 0x00 to 0x31, as CTA-861 lists them; odd codes add LFE1.
    const int speakers[0x32] = {2, 3, 3, 4, 3, 4, 4, 5, 4, 5, 5, 6, 5, 6, 6, 7, 6, 7, 7, 8, 4, 5, 5, 6, 5,
                                6, 6, 7, 6, 7, 7, 8, 6, 7, 6, 7, 6, 7, 6, 7, 7, 8, 7, 8, 7, 8, 7, 8, 7, 8};
    for (unsigned ca = 0; ca < 0x32; ++ca) {
        const auto decoded = decodeInfoFrame(
            frameOf("84:01:0a", "07:00:00:" + text::hexByte(static_cast<uint8_t>(ca)) + ":00:00:00:00:00:00"));
        const auto& names = std::get<Texts>(decoded.field("speakers")->value);
        EXPECT_EQ(static_cast<int>(names.size()), speakers[ca]) << ca;
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << ca;
        EXPECT_EQ(std::find(names.begin(), names.end(), "LFE1") != names.end(), ca % 2 == 1) << ca;
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 2), (std::vector<std::string>{"FL", "FR"}));
    }
}

// ---- HDR frames the builder makes ------------------------------------------------------------

TEST(HdrFrames, TheBuildersFramesReadBackToTheirValues) {
    using infoframe::HdrMetadata;
    struct Row {
        infoframe::TransferFunction eotf;
        double maxL, minL, cll, fall;
    };
    const Row rows[] = {{infoframe::TransferFunction::pq, 1000, 0.005, 1000, 400},
                        {infoframe::TransferFunction::hlg, 65535, 6.5535, 65535, 65535},
                        {infoframe::TransferFunction::sdr, 0, 0, 0, 0},
                        {infoframe::TransferFunction::hdr, 4000, 0.0001, 0, 0}};
    const std::string_view names[] = {"BT.2020", "DCI-P3", "BT.709"};
    for (std::size_t p = 0; p < infoframe::primaryPresets.size(); ++p) {
        const auto& preset = infoframe::primaryPresets[p];
        for (const auto& row : rows) {
            HdrMetadata m;
            m.eotf = row.eotf;
            m.red = preset.red, m.green = preset.green, m.blue = preset.blue, m.white = infoframe::whiteD65;
            m.maxLuminance = row.maxL, m.minLuminance = row.minL, m.maxCll = row.cll, m.maxFall = row.fall;
            const auto frame = infoframe::buildDrmInfoFrame(m);
            const auto decoded = decodeInfoFrame(frame);
            SCOPED_TRACE(std::string(names[p]) + " " + std::to_string(row.maxL));
            EXPECT_EQ(decoded.type, FrameType::hdr);
            EXPECT_TRUE(decoded.checksumValid);
            EXPECT_EQ(decoded.problems, std::vector<std::string>{});
            EXPECT_EQ(
                decoded.field("eotf")->value,
                FieldValue(Coded{static_cast<int>(row.eotf), std::get<Coded>(decoded.field("eotf")->value).name}));
            // In the builder's order: green, blue, red.
            const Points expected{{m.green.x, m.green.y}, {m.blue.x, m.blue.y}, {m.red.x, m.red.y}};
            EXPECT_EQ(decoded.field("displayPrimaries")->value, FieldValue(expected));
            EXPECT_EQ(decoded.field("primaries")->value, FieldValue(std::string(names[p])));
            EXPECT_EQ(decoded.field("whitePoint")->value, FieldValue(Point{0.3127, 0.329}));
            EXPECT_EQ(decoded.field("whitePointName")->value, FieldValue(std::string("D65")));
            EXPECT_EQ(std::get<Number>(decoded.field("maxMasteringLuminance")->value).value, row.maxL);
            EXPECT_EQ(std::get<Number>(decoded.field("minMasteringLuminance")->value).value, row.minL);
            EXPECT_EQ(std::get<Number>(decoded.field("maxCll")->value).value, row.cll);
            EXPECT_EQ(std::get<Number>(decoded.field("maxFall")->value).value, row.fall);
        }
    }
}

TEST(HdrFrames, PrimariesOffThePresetsAreNotNamed) {
    infoframe::HdrMetadata m;
    m.red = {0.708, 0.292}, m.green = {0.170, 0.797}, m.blue = {0.131, 0.046}, m.white = {0.314, 0.351};
    auto decoded = decodeInfoFrame(infoframe::buildDrmInfoFrame(m));
    EXPECT_EQ(valueText(decoded, "primaries"), "BT.2020");
    EXPECT_EQ(valueText(decoded, "whitePointName"), "none");
    m.red = {0.708 + 0.0025, 0.292};  // just past the tolerance
    decoded = decodeInfoFrame(infoframe::buildDrmInfoFrame(m));
    EXPECT_EQ(valueText(decoded, "primaries"), "none");
    m.red = {0.708 + 0.0015, 0.292};
    decoded = decodeInfoFrame(infoframe::buildDrmInfoFrame(m));
    EXPECT_EQ(valueText(decoded, "primaries"), "BT.2020");
}

// ---- The simulator's frames (brixelctl --simulate --fresh port N; status) ---------------------

struct SimulatedPort {
    std::vector<std::string_view> frames;
    std::vector<std::string_view> summaries;
    std::string_view hdrFormat;
    std::string_view description;
    int bits;
};

TEST(SimulatedFrames, DecodeWithoutProblemsAndDescribeTheSignal) {
    const SimulatedPort ports[] = {
        {{"81:00:05:80:d8:5d:c4:01:00", "82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00",
          "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01",
          "83:01:19:64:42:72:69:78:73:69:6d:00:55:48:44:20:50:6c:61:79:65:72:20:58:31:00:00:00:0a",
          "84:01:0a:70:01:00:00:00:00:00:00:00:00:00"},
         {"HDMI Forum: ALLM off", "3840x2160p60 16:9, YCbCr 4:2:0, BT.2020 YCbCr, limited range",
          "PQ (SMPTE ST 2084), BT.2020 primaries, D65 white, mastering 0.005 to 1000 cd/m², MaxCLL 1000 cd/m², "
          "MaxFALL 400 cd/m²",
          "Brixsim UHD Player X1, Blu-ray Disc",
          "2 channels, speakers FL FR, coding, sample rate and sample size from the stream"},
         "HDR10",
         "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m²",
         10},
        {{"82:02:0d:9f:10:a8:08:10:00:00:00:00:00:00:00:00:00",
          "83:01:19:0b:47:61:6d:65:43:6f:00:00:43:6f:6e:73:6f:6c:65:20:50:72:6f:00:00:00:00:00:08",
          "84:01:0a:70:01:00:00:00:00:00:00:00:00:00"},
         {"1920x1080p60 16:9, RGB, BT.709 RGB, full range", "GameCo Console Pro, game",
          "2 channels, speakers FL FR, coding, sample rate and sample size from the stream"},
         "SDR",
         "1920x1080p60 RGB 8-bit BT.709 full, SDR",
         8},
        {{"81:00:05:48:03:0c:00:20:03", "82:02:0d:93:30:a8:04:00:00:00:00:00:00:00:00:00:00",
          "87:01:1a:93:00:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01",
          "83:01:19:ca:48:54:50:43:00:00:00:00:4d:65:64:69:61:20:43:65:6e:74:65:72:00:00:00:00:09",
          "84:01:0a:70:01:00:00:00:00:00:00:00:00:00"},
         {"HDMI 1.4: 3840x2160p24 16:9 (HDMI VIC 3)",
          "format not given (VIC 0), YCbCr 4:2:2, BT.709 YCbCr, limited range",
          "SDR (traditional gamma), BT.2020 primaries, D65 white, mastering 0.005 to 1000 cd/m², MaxCLL 1000 cd/m², "
          "MaxFALL 400 cd/m²",
          "HTPC Media Center, PC general",
          "2 channels, speakers FL FR, coding, sample rate and sample size from the stream"},
         "SDR",
         "3840x2160p24 YCbCr 4:2:2 8-bit BT.709 limited, SDR",
         8},
    };
    for (const auto& port : ports) {
        std::vector<DecodedFrame> decoded;
        for (std::size_t k = 0; k < port.frames.size(); ++k) {
            decoded.push_back(decodeInfoFrame(bytes(port.frames[k])));
            EXPECT_TRUE(decoded.back().checksumValid) << port.frames[k];
            EXPECT_EQ(decoded.back().problems, std::vector<std::string>{}) << port.frames[k];
            EXPECT_EQ(decoded.back().summary, port.summaries[k]);
        }
        const auto signal = describeSignal(decoded, port.bits);
        EXPECT_EQ(signal.hdrFormat, port.hdrFormat);
        EXPECT_EQ(signal.description, port.description);
    }
}

// ---- The signal as a whole ------------------------------------------------------------------------

TEST(Signal, FormatAndDescriptionFromTheFrames) {
    const auto pqFrame = "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01";
    const auto avi2160 = "82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00";
    struct Row {
        std::vector<std::vector<uint8_t>> frames;
        std::optional<int> bits;
        std::string_view hdrFormat;
        std::string_view description;
    };
    const Row rows[] = {
        // HDR10+ and Dolby Vision frames name the format; the Dolby one only with its signal bit.
        {{bytes(avi2160), bytes(pqFrame), frameOf("81:01:1b", "8b:84:90:40:" + zeros(23))},
         10,
         "HDR10+",
         "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10+ 1000 cd/m²"},
        {{bytes(avi2160), frameOf("81:01:1b", "46:d0:00:02:" + zeros(23))},
         12,
         "Dolby Vision",
         "3840x2160p60 YCbCr 4:2:0 12-bit BT.2020 limited, Dolby Vision"},
        {{bytes(avi2160), frameOf("81:01:1b", "46:d0:00:00:" + zeros(23))},
         8,
         "SDR",
         "3840x2160p60 YCbCr 4:2:0 8-bit BT.2020 limited, SDR"},
        // HLG; MaxCLL where the mastering peak is unknown.
        {{bytes(avi2160), frameOf("87:01:1a", "03:00:" + zeros(20) + ":58:02:00:00")},
         std::nullopt,
         "HLG",
         "3840x2160p60 YCbCr 4:2:0 BT.2020 limited, HLG 600 cd/m²"},
        // Pixels sent twice: the picture's own width; 3D from the HDMI 1.4 frame.
        {{frameOf("82:02:0d", "10:58:00:06:01:00:00:00:00:00:00:00:00"), frameOf("81:01:05", "03:0c:00:40:60")},
         8,
         "SDR",
         "720x480i60 3D top-and-bottom RGB 8-bit BT.601 limited, SDR"},
        {{}, std::nullopt, "SDR", "no AVI InfoFrame, SDR"},
    };
    for (const auto& row : rows) {
        std::vector<DecodedFrame> decoded;
        for (const auto& frame : row.frames) decoded.push_back(decodeInfoFrame(frame));
        const auto signal = describeSignal(decoded, row.bits);
        EXPECT_EQ(signal.hdrFormat, row.hdrFormat);
        EXPECT_EQ(signal.description, row.description);
    }
}

// ---- Problems ----------------------------------------------------------------------------------------

TEST(Problems, EachSaidOnceAsASentence) {
    struct Row {
        std::vector<uint8_t> frame;
        std::vector<std::string> problems;
    };
    auto wrongChecksum = bytes("82:02:0d:00:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    const Row rows[] = {
        {{}, {"The frame is empty."}},
        {bytes("82:02"), {"The frame has 2 bytes, fewer than the 4 of an InfoFrame's header and checksum."}},
        {wrongChecksum, {"The checksum is 0x00, but the frame's bytes need 0x52."}},
        {bytes("87:01:1a:5e:02:00"), {"The length byte says 26 payload bytes, but the frame holds only 2."}},
        {frameOf("81:01:1e", "11:22:33:" + zeros(27)),
         {"Length 30 is more than the 27 payload bytes an InfoFrame packet carries."}},
        {frameOf("05:01:02", "00:00"), {"Type 0x05 is not an InfoFrame type; InfoFrame types have bit 7 set."}},
        {frameOf("82:05:0d", zeros(13)), {"Version 5 is not a known version of the AVI InfoFrame (known: 2, 3, 4)."}},
        {frameOf("82:02:0c", zeros(12)),
         {"Length 12 does not fit version 2 of the AVI InfoFrame, which has 13 payload bytes."}},
        {frameOf("82:02:0d", "80:" + zeros(12)),
         {"Reserved bits are set in PB1 (0x80).", "Colour format code 4 is reserved."}},
        {frameOf("82:02:0d", "00:c0:70:" + zeros(10)),
         {"Extended colorimetry code 7 is reserved before AVI version 4; this frame is version 2."}},
        {frameOf("82:02:0d", "00:c0:10:" + zeros(10)),
         {"Colorimetry xvYCC709 is for YCbCr, but the colour format is RGB."}},
        {frameOf("82:02:0d", "40:c0:40:" + zeros(10)),
         {"Colorimetry opRGB is for RGB, but the colour format is YCbCr 4:4:4."}},
        {frameOf("82:02:0d", "00:28:00:10:01:" + zeros(8)),
         {"Pixel repetition sent twice is not one that VIC 16 (1920x1080p60) allows."}},
        {frameOf("82:02:0d", "00:18:00:06:00:" + zeros(8)),
         {"Pixel repetition none is not one that VIC 6 (1440x480i60) allows."}},
        {frameOf("82:02:0d", "00:18:00:10:" + zeros(9)), {"Picture aspect 4:3 contradicts VIC 16, a 16:9 format."}},
        {frameOf("82:02:0d", "10:20:00:10:" + zeros(9)), {"Active format aspect code 0 is reserved."}},
        {frameOf("82:03:0d", "00:00:00:96:" + zeros(9)), {"VIC 150 is reserved."}},
        {frameOf("82:02:0d", "00:00:00:c1:" + zeros(9)),
         {"VIC 193 needs AVI version 3; version 2 carries VICs up to 127."}},
        {frameOf("82:02:0d", "03:30:0c:00:c0:" + zeros(8)),
         {"Scan information code 3 is reserved.", "Picture aspect code 3 is reserved.",
          "RGB quantization range code 3 is reserved.", "YCC quantization range code 3 is reserved."}},
        {frameOf("87:01:1a", "02:00:" + zeros(24)),
         {"The EOTF is PQ but the frame gives no luminance at all: mastering luminance, MaxCLL and MaxFALL are all "
          "0."}},
        {frameOf("87:01:1a", "0c:09:" + zeros(24)),
         {"Reserved bits are set in PB1 (0x08).", "Reserved bits are set in PB2 (0x08).", "EOTF code 4 is reserved.",
          "Metadata descriptor code 1 is reserved."}},
        {frameOf("87:01:1a", "00:00:60:ea:00:00:" + zeros(12) + ":01:00:10:27:c8:00:2c:01"),
         {"Display primary 1 lies outside the chromaticity range 0 to 1.",
          "The minimum mastering luminance (1 cd/m²) is not below the maximum (1 cd/m²).",
          "MaxFALL (300 cd/m²) exceeds MaxCLL (200 cd/m²); a frame's average cannot be brighter than its brightest "
          "pixel."}},
        {frameOf("83:01:19", "c3:a9:" + zeros(23)), {"Vendor name holds bytes that are not printable 7-bit ASCII."}},
        {frameOf("84:01:0a", "01:00:00:13:00:00:00:00:00:00"),
         {"Channel allocation 0x13 places speakers on 8 channels, but the frame says 2 channels."}},
        {frameOf("84:01:0a", "08:e0:e0:32:07:01:00:00:00:00"),
         {"Reserved bits are set in PB1 (0x08).", "Reserved bits are set in PB2 (0xE0).",
          "Reserved bits are set in PB3 (0xE0).", "Reserved bits are set in PB5 (0x04).",
          "Reserved bits are set in PB6 (0x01).", "Channel allocation 0x32 is reserved.",
          "LFE playback level code 3 is reserved."}},
        {frameOf("84:01:0a", "02:00:0b:00:00:00:00:00:00:00"),
         {"Coding extension 11 is given, but the coding type does not refer to it."}},
        {frameOf("84:01:0a", "f0:00:00:00:00:00:00:00:00:00"),
         {"The coding type refers to the coding extension, which is 0."}},
        {frameOf("81:01:02", "03:0c"), {"The frame is too short to hold an OUI (3 payload bytes)."}},
        {frameOf("81:01:05", "03:0c:00:20:07"), {"HDMI VIC 7 is reserved."}},
        {frameOf("81:01:05", "03:0c:00:40:85"),
         {"The 3D structure side-by-side (half) needs its sub-sampling in PB6, which the frame lacks.",
          "Reserved bits are set in PB5 (0x05)."}},
        {frameOf("81:01:05", "03:0c:00:40:70"), {"The 3D structure code 7 is reserved."}},
        {frameOf("81:01:06", "03:0c:00:40:80:80"), {"The 3D sub-sampling code 8 is reserved."}},
        {frameOf("81:01:05", "d8:5d:c4:02:00"),
         {"HDMI Forum vendor-specific frame version 2 is not known; version 1 is."}},
        {frameOf("81:01:05", "8b:84:90:40:00"), {"A frame of HDR10+ Technologies has 27 payload bytes, not 5."}},
        {frameOf("81:03:05", "11:22:33:00:00"),
         {"Version 3 is not a known version of the Vendor-specific InfoFrame (known: 0, 1)."}},
    };
    for (const auto& row : rows) {
        const auto decoded = decodeInfoFrame(row.frame);
        EXPECT_EQ(decoded.problems, row.problems) << text::hexBytes(row.frame, ":");
        expectSentences(decoded);
    }
}

TEST(Problems, AWrongChecksumIsStillDecoded) {
    const auto decoded = decodeInfoFrame(bytes("82:02:0d:00:70:e8:64:61:00:00:00:00:00:00:00:00:00"));
    EXPECT_FALSE(decoded.checksumValid);
    EXPECT_EQ(decoded.checksum, 0x00);
    EXPECT_EQ(valueText(decoded, "vic"), "97");
}

// ---- Text for people ----------------------------------------------------------------------------------

TEST(FrameText, SummaryFirstThenTheHeaderFieldsAndProblems) {
    const auto decoded = decodeInfoFrame(bytes("84:01:0a:00:01:00:00:00:00:00:00:00:00:00"));
    const std::vector<std::string> expected{
        "Audio InfoFrame: 2 channels, speakers FL FR, coding, sample rate and sample size from the stream",
        "  Header: type 0x84, version 1, length 10, checksum 0x00 (wrong)",
        "  Coding type: refer to stream header (0)",
        "  Channel count: 2",
        "  Sample rate: refer to stream header (0)",
        "  Sample size: refer to stream header (0)",
        "  Coding extension: refer to coding type (0)",
        "  Channel allocation: FL FR (0)",
        "  Speakers: FL FR",
        "  Level shift: 0 dB",
        "  Down-mix inhibited: no",
        "  LFE playback level: no information (0)",
        "  Problem: The checksum is 0x00, but the frame's bytes need 0x70.",
    };
    EXPECT_EQ(decodedFrameText(decoded), expected);
}

TEST(FrameText, EveryKindOfValue) {
    EXPECT_EQ(fieldValueText({}), "none");
    EXPECT_EQ(fieldValueText(true), "yes");
    EXPECT_EQ(fieldValueText(int64_t{-3}), "-3");
    EXPECT_EQ(fieldValueText(Number{0.0001, "cd/m²"}), "0.0001 cd/m²");
    EXPECT_EQ(fieldValueText(Number{0, "cd/m²", true}), "unknown (0)");
    EXPECT_EQ(fieldValueText(Number{0, "cd/m²", false}), "0 cd/m²");
    EXPECT_EQ(fieldValueText(std::string()), "(empty)");
    EXPECT_EQ(fieldValueText(Coded{3, "YCbCr 4:2:0"}), "YCbCr 4:2:0 (3)");
    EXPECT_EQ(fieldValueText(Point{0.3127, 0.329}), "(0.3127, 0.329)");
    EXPECT_EQ(fieldValueText(Points{{0.17, 0.797}, {1, 0}}), "(0.17, 0.797) (1, 0)");
    EXPECT_EQ(fieldValueText(Texts{"FL", "FR"}), "FL FR");
    EXPECT_EQ(fieldValueText(Integers{1, 2}), "1 2");
}

}  // namespace
}  // namespace brixel::infoframe_decoder
