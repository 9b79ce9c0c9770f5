// SPDX-License-Identifier: MIT
// infoframe avi|hdr|hdr-build: custom InfoFrames for the output, each with
// what it means; infoframe decode: what any InfoFrame means, no device asked.

#include <BrixelLibrary.h>

#include <array>
#include <charconv>
#include <string>

#include "infoframe/infoframe_bytes.h"
#include "infoframe_decoder/infoframe_decoder.h"
#include "text/hex.h"
#include "text/plural.h"
#include "toolkit/command_results.h"
#include "toolkit/hdr_values.h"
#include "toolkit/infoframe_input.h"
#include "toolkit/infoframe_json.h"
#include "toolkit/infoframe_text.h"
#include "toolkit/operation_families.h"
#include "toolkit/setting_values.h"

namespace brixel::toolkit::families {
namespace {

using nlohmann::json;

constexpr std::array<InputDeclaration, 1> aviInputs{{
    {"text", InputKind::text, true,
     "the whole InfoFrame as hex bytes with colons (or spaces) between, e.g. 82:02:0D:..."},
}};
constexpr std::array<InputDeclaration, 2> hdrInputs{{
    {"text", InputKind::text, true,
     "the whole InfoFrame as hex bytes with colons (or spaces) between, e.g. 87:01:1A:..."},
    {"fillChecksum", InputKind::flag, false, "let the library compute the checksum (the fourth byte)"},
}};
constexpr std::array<InputDeclaration, 8> buildInputs{{
    {"eotf", InputKind::word, false, "transfer function"},
    {"primaries", InputKind::values, false, "mastering display primaries: a name, or rx,ry,gx,gy,bx,by"},
    {"whitePoint", InputKind::values, false, "white point: d65, or x,y"},
    {"maxLuminance", InputKind::number, false, "mastering display maximum luminance, cd/m2"},
    {"minLuminance", InputKind::number, false, "mastering display minimum luminance, cd/m2"},
    {"maxCll", InputKind::number, false, "MaxCLL, cd/m2 (0: unknown)"},
    {"maxFall", InputKind::number, false, "MaxFALL, cd/m2 (0: unknown)"},
    {"send", InputKind::flag, false, "send it (true), or only build it"},
}};

constexpr std::array<InputDeclaration, 1> decodeInputs{{
    {"frames", InputKind::values, true,
     "the InfoFrames: each as hex (87:01:1a:..., or with spaces) or as a file's raw content"},
}};

struct Kind {
    std::string_view name;  // "AVI"
    uint8_t type;
    std::size_t maxBytes;
    bool (*send)(char* text, bool fillChecksum);
};
constexpr Kind aviKind{"AVI", infoframe::avi.type, infoframe::aviMaxBytes,
                       [](char* text, bool) { return setAviIf(text); }};
constexpr Kind hdrKind{"HDR", infoframe::drm.type, infoframe::hdrMaxBytes,
                       [](char* text, bool fill) { return setHdrIf(text, fill); }};

// The bytes the library sends for `text`: with the checksum filled, as
// setHdrIf fills it, the DRM type and version standing in for the frame's own.
std::vector<uint8_t> bytesSent(const std::string& text, bool fillChecksum) {
    auto bytes = infoFrameTextBytes(text);
    if (fillChecksum && bytes.size() > infoframe::checksumIndex)
        bytes[infoframe::checksumIndex] =
            infoframe::checksumForSum(infoframe::byteSum(bytes) - bytes[0] - bytes[1] -
                                      bytes[infoframe::checksumIndex] + infoframe::drm.type + infoframe::drm.version);
    return bytes;
}

// The frame decoded, in the result; what it contradicts, and a type other
// than the command's, as notes.
void describeSent(const Kind& kind, std::span<const uint8_t> bytes, Plan& plan) {
    const auto frame = infoframe_decoder::decodeInfoFrame(bytes);
    if (frame.typeCode != kind.type)
        plan.notes.push_back("The frame's type 0x" + text::hexByte(frame.typeCode, text::HexCase::upper) +
                             " is not the " + std::string(kind.name) + " InfoFrame's (0x" +
                             text::hexByte(kind.type, text::HexCase::upper) + "); it goes out as the " +
                             std::string(kind.name) + " InfoFrame all the same.");
    plan.notes.insert(plan.notes.end(), frame.problems.begin(), frame.problems.end());
    plan.result["decoded"] = decodedFrameJson(frame, FrameLines::included);
}

// The plan that sends `text` (checked) as a frame of `kind`.
Plan sending(const Kind& kind, std::string text, bool fillChecksum) {
    Plan plan;
    plan.subject = std::string(kind.name) + " InfoFrame " + text;
    plan.result = infoFrameResult(text);
    describeSent(kind, bytesSent(text, fillChecksum), plan);
    plan.run = [&kind, text, fillChecksum](RunContext& run) mutable {
        return run.call([&] { return kind.send(text.data(), fillChecksum); });
    };
    return plan;
}

Plan checkedSending(const Kind& kind, const Inputs& inputs, bool fillChecksum) {
    const std::string text = colonSeparated(inputs.at("text").get<std::string>());
    const auto problems = infoFrameTextProblems(text, kind.maxBytes);
    if (!problems.empty()) {
        Plan plan;
        plan.problems = problems;
        plan.refusal = "the InfoFrame text is not usable";
        return plan;
    }
    return sending(kind, text, fillChecksum);
}

Plan avi(const Operation&, const Inputs& inputs) { return checkedSending(aviKind, inputs, false); }
Plan hdr(const Operation&, const Inputs& inputs) {
    return checkedSending(hdrKind, inputs, inputs.value("fillChecksum", false));
}

// Numbers as a list, or as text separated by commas ("0.708,0.292,...").
std::optional<std::vector<double>> numbersOf(const json& value, std::size_t count, const std::string& name,
                                             Plan& plan) {
    std::vector<double> numbers;
    if (value.is_array()) {
        for (const auto& v : value) {
            if (!v.is_number()) break;
            numbers.push_back(v.get<double>());
        }
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find(',', start), text.size());
            double v = 0;
            const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + end, v);
            if (start == end || ec != std::errc{} || ptr != text.data() + end) {
                plan.refuse(name + ": '" + text.substr(start, end - start) + "' is not a number");
                return std::nullopt;
            }
            numbers.push_back(v);
            start = end + 1;
        }
    }
    if (numbers.size() != count || (value.is_array() && value.size() != count)) {
        plan.refuse(name + ": expected " + std::to_string(count) + " numbers separated by commas, got " +
                    std::to_string(value.is_array() ? value.size() : numbers.size()));
        return std::nullopt;
    }
    return numbers;
}

Plan build(const Operation&, const Inputs& inputs) {
    Plan plan;
    infoframe::HdrMetadata m;
    const auto& preset = infoframe::primaryPresets.front();
    m.red = preset.red, m.green = preset.green, m.blue = preset.blue;
    m.white = infoframe::whiteD65;
    if (inputs.contains("eotf")) {
        const std::string name = wordOf(inputs.at("eotf"));
        const auto eotf = transferFunctionNamed(name);
        if (!eotf) return plan.refuse("eotf: expected " + transferFunctionChoices() + ", not '" + name + "'");
        m.eotf = *eotf;
    }
    if (inputs.contains("primaries")) {
        const json& value = inputs.at("primaries");
        const std::string text = value.is_string() ? value.get<std::string>() : "";
        if (const auto* p = primariesNamed(text)) {
            m.red = p->red, m.green = p->green, m.blue = p->blue;
        } else if (value.is_string() && text.find(',') == std::string::npos) {
            return plan.refuse("primaries: expected " + primariesChoices() + " or rx,ry,gx,gy,bx,by, not '" + text +
                               "'");
        } else {
            const auto v = numbersOf(value, 6, "primaries", plan);
            if (!v) return plan;
            m.red = {(*v)[0], (*v)[1]}, m.green = {(*v)[2], (*v)[3]}, m.blue = {(*v)[4], (*v)[5]};
        }
    }
    if (inputs.contains("whitePoint")) {
        const json& value = inputs.at("whitePoint");
        if (!(value.is_string() && sameWord(value.get<std::string>(), whiteD65Name))) {
            const auto v = numbersOf(value, 2, "whitePoint", plan);
            if (!v) return plan;
            m.white = {(*v)[0], (*v)[1]};
        }
    }
    m.maxLuminance = inputs.value("maxLuminance", m.maxLuminance);
    m.minLuminance = inputs.value("minLuminance", m.minLuminance);
    m.maxCll = inputs.value("maxCll", m.maxCll);
    m.maxFall = inputs.value("maxFall", m.maxFall);
    if (auto problems = infoframe::hdrMetadataProblems(m); !problems.empty()) {
        plan.problems = std::move(problems);
        plan.refusal = "the HDR values do not fit the InfoFrame";
        return plan;
    }
    const auto bytes = infoframe::buildDrmInfoFrame(m);
    const std::string text = infoFrameText(bytes);
    if (!inputs.value("send", true)) {
        plan.subject = "HDR InfoFrame " + text;
        plan.result = unsentInfoFrameResult(text);
        describeSent(hdrKind, bytes, plan);
        return plan;
    }
    return sending(hdrKind, text, false);
}

// Refused only for input that is no InfoFrame; a frame decoded with problems
// is the answer, and fails the check.
Plan decode(const Operation&, const Inputs& inputs) {
    Plan plan;
    const json& given = inputs.at("frames");
    if (given.is_object()) return plan.refuse("frames: expected a list of frames, or one");
    const json list = given.is_array() ? given : json::array({given});
    if (list.empty()) return plan.refuse("frames: no frame given");
    json frames = json::array();
    for (std::size_t k = 0; k < list.size(); ++k) {
        const std::string which = list.size() > 1 ? "frame " + std::to_string(k + 1) + ": " : "";
        if (!list[k].is_string()) {
            plan.refuse(which + "expected text, not " + std::string(list[k].type_name()));
            continue;
        }
        std::string error;
        const auto read = readInfoFrameBytes(list[k].get_ref<const std::string&>(), error);
        if (!read) {
            plan.refuse(which + error);
            continue;
        }
        const auto frame = infoframe_decoder::decodeInfoFrame(read->bytes);
        if (!frame.problems.empty()) plan.passed = false;
        frames.push_back(decodedFrameJson(frame, FrameLines::included));
    }
    if (!plan.problems.empty()) {
        plan.refusal = text::counted(plan.problems.size(), "problem") + ", nothing decoded";
        return plan;
    }
    plan.subject = text::counted(frames.size(), "InfoFrame") + " decoded";
    plan.result = {{"frames", std::move(frames)}};
    return plan;
}

const std::array<Operation, 4> ops{{
    {"infoframe avi", "send a custom AVI InfoFrame (2 to 17 bytes) and activate it", aviInputs, true, avi},
    {"infoframe hdr", "send a custom HDR InfoFrame (2 to 31 bytes) and activate it", hdrInputs, true, hdr},
    {"infoframe hdr-build",
     "build an HDR (Dynamic Range and Mastering) InfoFrame from values, and send it unless asked not to", buildInputs,
     true, build},
    {"infoframe decode", "what InfoFrames mean: every field, a summary and the problems found (no device)",
     decodeInputs, false, decode},
}};

}  // namespace

std::span<const Operation> infoFrames() { return ops; }

}  // namespace brixel::toolkit::families

namespace brixel::toolkit {

nlohmann::json hdrBuildDefaults() {
    const infoframe::HdrMetadata m;
    std::string eotf;
    for (const auto& row : transferFunctionNames)
        if (row.eotf == m.eotf) eotf = row.name;
    return {{"eotf", eotf},
            {"primaries", infoframe::primaryPresets.front().name},
            {"whitePoint", whiteD65Name},
            {"maxLuminance", m.maxLuminance},
            {"minLuminance", m.minLuminance},
            {"maxCll", m.maxCll},
            {"maxFall", m.maxFall},
            {"send", true}};
}

}  // namespace brixel::toolkit
