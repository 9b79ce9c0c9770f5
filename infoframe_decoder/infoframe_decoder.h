// SPDX-License-Identifier: MIT
#pragma once
// What an InfoFrame says, for people and for scripts: every field with its
// code and its name, a one-line summary and the problems found, decoded from
// the bytes alone (type, version, length, checksum, payload, as the status
// report holds them). The signal as a whole comes from the frames of one
// report. Pure: no device, nothing thrown for any bytes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brixel::infoframe_decoder {

enum class FrameType : uint8_t { avi, hdr, spd, audio, vendor, unknown };

// A code and what it means ("reserved" where the standard reserves it).
struct Coded {
    int code = 0;
    std::string name;
    bool operator==(const Coded&) const = default;
};

// A measured value; `zeroIsUnknown` where the frame sends 0 for "not known".
struct Number {
    double value = 0;
    std::string_view unit;  // "cd/m²", "dB", or empty
    bool zeroIsUnknown = false;
    bool operator==(const Number&) const = default;
};

// A CIE 1931 chromaticity, or any pair the frame sends together.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

using Points = std::vector<Point>;
using Texts = std::vector<std::string>;
using Integers = std::vector<int64_t>;

// Null where the frame does not carry the field (too short, or not in use).
using FieldValue =
    std::variant<std::monostate, bool, int64_t, Number, std::string, Coded, Point, Points, Texts, Integers>;

struct Field {
    std::string_view key;    // the JSON name: "colourFormat"
    std::string_view label;  // for people: "Colour format"
    FieldValue value;
};

struct DecodedFrame {
    FrameType type = FrameType::unknown;
    uint8_t typeCode = 0;
    uint8_t version = 0;
    uint8_t length = 0;
    uint8_t checksum = 0;
    bool checksumValid = false;
    std::string_view typeName = "unknown";  // "AVI", "HDR", "SPD", "Audio", "Vendor", "unknown"
    std::string summary;
    std::vector<std::string> problems;  // sentences
    std::vector<Field> fields;

    // The field of that key, nullptr when the frame has none.
    const Field* field(std::string_view key) const;
};

// The whole frame: header (type, version, length), checksum, payload. Bytes
// past the length are not looked at.
DecodedFrame decodeInfoFrame(std::span<const uint8_t> frame);

struct SignalSummary {
    std::string hdrFormat;    // "SDR", "HDR10", "HLG", "HDR10+", "Dolby Vision", "HDR gamma"
    std::string description;  // "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m²"
};

// The video the frames of one report describe. The colour depth travels
// outside the InfoFrames; without it the description leaves it out.
SignalSummary describeSignal(std::span<const DecodedFrame> frames, std::optional<int> bitsPerComponent);

// ---- Text for people -------------------------------------------------------------

// "YCbCr 4:2:0 (3)", "1000 cd/m²", "unknown (0)", "(0.708, 0.292)", "yes" ...
std::string fieldValueText(const FieldValue& value);

// The frame for a person: "AVI InfoFrame: <summary>", the header, then
// "  Label: value" for every field, then "  Problem: ..." for each problem.
std::vector<std::string> decodedFrameText(const DecodedFrame& frame);

}  // namespace brixel::infoframe_decoder
