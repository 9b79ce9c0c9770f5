// SPDX-License-Identifier: MIT
// Decoded frames as text for people, from the fields' values alone.

#include <string>
#include <variant>

#include "infoframe_decoder/decoder_support.h"

namespace brixel::infoframe_decoder {
namespace {

using detail::numberText;

std::string pointText(const Point& p) { return "(" + numberText(p.x) + ", " + numberText(p.y) + ")"; }

template <typename T, typename Show>
std::string listText(const std::vector<T>& items, std::string_view separator, Show show) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : std::string(separator)) + show(item);
    return out;
}

struct ValueText {
    std::string operator()(std::monostate) const { return "none"; }
    std::string operator()(bool b) const { return b ? "yes" : "no"; }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(const Number& n) const {
        if (n.zeroIsUnknown && n.value == 0) return "unknown (0)";
        return numberText(n.value) + (n.unit.empty() ? "" : " " + std::string(n.unit));
    }
    std::string operator()(const std::string& s) const { return s.empty() ? "(empty)" : s; }
    std::string operator()(const Coded& c) const { return c.name + " (" + std::to_string(c.code) + ")"; }
    std::string operator()(const Point& p) const { return pointText(p); }
    std::string operator()(const Points& points) const { return listText(points, " ", pointText); }
    std::string operator()(const Texts& texts) const {
        return listText(texts, " ", [](const std::string& s) { return s; });
    }
    std::string operator()(const Integers& numbers) const {
        return listText(numbers, " ", [](int64_t n) { return std::to_string(n); });
    }
};

}  // namespace

std::string fieldValueText(const FieldValue& value) { return std::visit(ValueText{}, value); }

std::vector<std::string> decodedFrameText(const DecodedFrame& frame) {
    const TypeDefinition* type = typeDefinition(frame.typeCode);
    std::vector<std::string> lines;
    lines.push_back(std::string(type ? type->longName : "InfoFrame") + ": " + frame.summary);
    lines.push_back("  Header: type " + detail::hexText(frame.typeCode) + ", version " + std::to_string(frame.version) +
                    ", length " + std::to_string(frame.length) + ", checksum " + detail::hexText(frame.checksum) +
                    (frame.checksumValid ? " (right)" : " (wrong)"));
    for (const Field& field : frame.fields)
        lines.push_back("  " + std::string(field.label) + ": " + fieldValueText(field.value));
    for (const std::string& problem : frame.problems) lines.push_back("  Problem: " + problem);
    return lines;
}

}  // namespace brixel::infoframe_decoder
