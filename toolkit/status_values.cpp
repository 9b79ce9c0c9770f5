// SPDX-License-Identifier: MIT
#include "toolkit/status_values.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include "text/hex.h"
#include "text/utf8.h"
#include "toolkit/infoframe_json.h"

namespace brixel::toolkit {
namespace {

using nlohmann::json;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The decimal number at the start of `text`, taken off it.
std::optional<long> leadingNumber(std::string_view& text) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{}) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// "3840x2160p60", "1920x1080i60w [downscaled]": the timing's numbers.
void parseFormat(std::string_view value, json& out) {
    std::string_view rest = value;
    const auto width = leadingNumber(rest);
    if (!width || !startsWith(rest, "x")) return;
    rest.remove_prefix(1);
    const auto height = leadingNumber(rest);
    if (!height || rest.empty() || (rest.front() != 'p' && rest.front() != 'i')) return;
    const bool interlaced = rest.front() == 'i';
    rest.remove_prefix(1);
    const auto rate = leadingNumber(rest);
    if (!rate) return;
    out["width"] = *width;
    out["height"] = *height;
    out["interlaced"] = interlaced;
    out["rate"] = *rate;
    if (value.find("[downscaled]") != std::string_view::npos) out["scaled"] = "down";
    if (value.find("[upscaled]") != std::string_view::npos) out["scaled"] = "up";
}

void parseColorSpace(std::string_view value, json& out) {
    constexpr std::string_view spaces[] = {"RGB", "YCbCr 4:2:2", "YCbCr 4:4:4", "YCbCr 4:2:0"};
    for (const auto space : spaces) {
        if (!startsWith(value, space)) continue;
        out["colorSpace"] = space;
        std::string_view rest = trimmed(value.substr(space.size()));
        if (startsWith(rest, "16-235") || startsWith(rest, "0-255")) {
            out["range"] = startsWith(rest, "16-235") ? "limited" : "full";
            rest = trimmed(rest.substr(rest.find(' ') == std::string_view::npos ? rest.size() : rest.find(' ')));
        }
        if (!rest.empty()) out["colorimetry"] = rest;
        return;
    }
}

void parseClock(std::string_view value, json& out) {
    if (const auto khz = leadingNumber(value)) out["pixelClockKhz"] = *khz;
}

void parseEncryption(std::string_view value, json& out) {
    if (startsWith(value, "HDCP "))
        out["hdcp"] = value.substr(5);
    else if (value == "None")
        out["hdcp"] = nullptr;
}

void parseDepth(std::string_view value, json& out) {
    const bool upTo = startsWith(value, "up to ");
    if (upTo) value.remove_prefix(6);
    const auto bits = leadingNumber(value);
    if (!bits || value != "-bit") return;
    out["depth"] = *bits;
    out["depthUpTo"] = upTo;
}

struct FieldParser {
    std::string_view field;
    void (*parse)(std::string_view value, json& out);
};

constexpr FieldParser parsers[] = {
    {"input", parseFormat},
    {"output", parseFormat},
    {"inColorSpace", parseColorSpace},
    {"outColorSpace", parseColorSpace},
    {"inPixelClock", parseClock},
    {"outPixelClock", parseClock},
    {"inEncryption", parseEncryption},
    {"outEncryption", parseEncryption},
    {"inDeepColor", parseDepth},
    {"outDeepColor", parseDepth},
};

}  // namespace

ReportLine reportLine(const VIDEO_STATUS& status, const StatusField& field) {
    const char* raw = status.*field.text;
    std::string_view text(raw, strnlen(raw, sizeof(status.*field.text)));
    ReportLine line;
    if (text.starts_with(warningOpen) && text.ends_with(warningClose) &&
        text.size() >= warningOpen.size() + warningClose.size()) {
        text.remove_prefix(warningOpen.size());
        text.remove_suffix(warningClose.size());
        line.warning = true;
    }
    line.text = text;
    return line;
}

bool reportWasRead(const VIDEO_STATUS& status) {
    return std::string_view(status.input, strnlen(status.input, sizeof status.input)) != "Input :";
}

std::string latin1AsUtf8(std::string_view text) {
    std::string out;
    for (unsigned char c : text) text::appendUtf8(out, c);
    return out;
}

std::string forTerminal(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || c1) {
            out += '?';
            if (c1) ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

namespace {

// The record holds an InfoFrame as bare hex: its text gains the field's
// title, and the frame is decoded (and kept for the signal).
void addInfoFrame(const StatusField& field, std::string_view value, json& out,
                  std::vector<infoframe_decoder::DecodedFrame>& frames) {
    const auto bytes = value.empty() ? std::nullopt : text::bytesFromHex(value);
    if (!bytes || bytes->empty()) {
        out["decoded"] = nullptr;
        return;
    }
    out["text"] = std::string(field.title).append(value);
    out["bytes"] = *bytes;
    out["decoded"] = decodedFrameJson(frames.emplace_back(infoframe_decoder::decodeInfoFrame(*bytes)));
}

json fieldJson(const StatusField& field, const ReportLine& line, std::vector<infoframe_decoder::DecodedFrame>& frames) {
    std::string_view value = line.text;
    if (field.labelled) {
        const auto colon = value.find(':');
        value = colon == std::string_view::npos ? std::string_view{} : trimmed(value.substr(colon + 1));
    }
    json out = {{"text", latin1AsUtf8(line.text)}, {"value", latin1AsUtf8(value)}, {"warning", line.warning}};
    if (holdsInfoFrame(field)) addInfoFrame(field, value, out, frames);
    for (const auto& p : parsers)
        if (p.field == field.name) p.parse(value, out);
    return out;
}

// The source's colour depth where the report says it exactly ("up to 12-bit" does not).
std::optional<int> inputBitsPerComponent(const json& fields) {
    const json& depth = fields.at("inDeepColor");
    if (!depth.contains("depth") || depth.at("depthUpTo").get<bool>()) return std::nullopt;
    return depth.at("depth").get<int>();
}

}  // namespace

bool holdsInfoFrame(const StatusField& field) { return !field.title.empty(); }

json statusFieldJson(const StatusField& field, const ReportLine& line) {
    std::vector<infoframe_decoder::DecodedFrame> frames;
    return fieldJson(field, line, frames);
}

json statusReportJson(const VIDEO_STATUS& status) {
    // A report seldom changes from one refresh to the next (the panel asks
    // every second): each thread keeps its last one, the frames decoded.
    thread_local VIDEO_STATUS lastStatus{};
    thread_local json lastReport;
    if (!lastReport.is_null() && std::memcmp(&lastStatus, &status, sizeof status) == 0) return lastReport;
    std::vector<infoframe_decoder::DecodedFrame> frames;
    json fields = json::object();
    for (const auto& field : statusFields)
        fields[std::string(field.name)] = fieldJson(field, reportLine(status, field), frames);
    const bool read = reportWasRead(status);
    // Key by key: an initializer list would copy the fields, decoded frames and all.
    json report = json::object();
    report["report"] = read;
    report["signal"] =
        read ? signalJson(infoframe_decoder::describeSignal(frames, inputBitsPerComponent(fields))) : json();
    report["fields"] = std::move(fields);
    lastStatus = status;
    lastReport = report;
    return report;
}

}  // namespace brixel::toolkit
