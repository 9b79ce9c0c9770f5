// SPDX-License-Identifier: MIT
#pragma once
// What the decoder's parts share: adding fields and problems, reading fields
// back, and the few rules that more than one frame or the signal needs.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "infoframe_decoder/field_definitions.h"
#include "infoframe_decoder/infoframe_decoder.h"

namespace brixel::infoframe_decoder::detail {

inline void addField(DecodedFrame& frame, std::string_view key, std::string_view label, FieldValue value) {
    // Made in place: a frame adds some twenty fields, and a Field moved is a variant moved twice.
    Field& field = frame.fields.emplace_back();
    field.key = key;
    field.label = label;
    field.value = std::move(value);
}

// The parts joined in one allocation: problems are built often enough to count.
template <typename... Parts>
std::string concat(const Parts&... parts) {
    std::string out;
    out.reserve((std::string_view(parts).size() + ...));
    (out.append(std::string_view(parts)), ...);
    return out;
}

inline void addProblem(DecodedFrame& frame, std::string sentence) {
    if (frame.problems.empty()) frame.problems.reserve(12);
    frame.problems.push_back(std::move(sentence));
}

// "0x1A".
std::string hexText(unsigned byte);

inline void reservedBitsSet(DecodedFrame& frame, std::size_t pb, unsigned bits) {
    addProblem(frame, concat("Reserved bits are set in PB", std::to_string(pb), " (", hexText(bits), ")."));
}

// names[code], or "reserved" past the names.
inline std::string_view codedName(std::span<const std::string_view> names, unsigned code) {
    return code < names.size() ? names[code] : reservedName;
}

// The fields of `definitions`, in their order.
void walkFields(const FrameView& view, std::span<const FieldDefinition> definitions, DecodedFrame& frame);

// "0.005", "1000", "0.797": at most five decimals, no trailing zeros.
std::string numberText(double value);

const FieldValue* valueOf(const DecodedFrame& frame, std::string_view key);
std::optional<int> codeOf(const DecodedFrame& frame, std::string_view key);
std::optional<int64_t> integerOf(const DecodedFrame& frame, std::string_view key);
std::optional<double> numberOf(const DecodedFrame& frame, std::string_view key);
bool flagOf(const DecodedFrame& frame, std::string_view key);

// The colorimetry that C, EC and ACE give together.
struct Colorimetry {
    std::string_view base;  // "BT.2020", empty for "no data"
    std::string name;       // "BT.2020 YCbCr"
};
// `additional` is the ACE code of a version 4 frame.
Colorimetry resolveColorimetry(int colourFormat, int colorimetry, int extended, std::optional<int> additional);

// "limited", "full", or empty where a reserved code leaves it open.
std::string_view quantizationRange(int colourFormat, int rgbQuantization, int yccQuantization, int vic);

}  // namespace brixel::infoframe_decoder::detail
