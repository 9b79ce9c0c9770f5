// SPDX-License-Identifier: MIT
#include "bridge/signal_values.h"

#include <array>
#include <string_view>
#include <vector>

#include "infoframe_decoder/infoframe_decoder.h"

namespace brixel::bridge {
namespace {

using infoframe_decoder::DecodedFrame;
using infoframe_decoder::Number;

// The report's frames that tell the signal's format.
constexpr std::array<std::string_view, 4> signalFrames{"aviIfHex", "hdrIfHex", "vsIfHex1", "vsIfHex2"};

std::optional<double> luminance(const DecodedFrame& frame, std::string_view key) {
    const auto* field = frame.field(key);
    const auto* number = field ? std::get_if<Number>(&field->value) : nullptr;
    if (!number || (number->zeroIsUnknown && number->value == 0)) return std::nullopt;
    return number->value;
}

}  // namespace

SignalValues signalValues(const nlohmann::json& statusResult) {
    SignalValues values;
    const auto fields = statusResult.find("fields");
    if (!statusResult.value("report", false) || fields == statusResult.end() || !fields->is_object()) return values;
    std::vector<DecodedFrame> frames;
    for (const auto name : signalFrames) {
        const auto field = fields->find(name);
        if (field == fields->end() || !field->contains("bytes")) continue;
        const auto bytes = field->at("bytes").get<std::vector<uint8_t>>();
        frames.push_back(infoframe_decoder::decodeInfoFrame(bytes));
    }
    values.hdrFormat = infoframe_decoder::describeSignal(frames, std::nullopt).hdrFormat;
    for (const auto& frame : frames) {
        if (frame.type != infoframe_decoder::FrameType::hdr || !values.hdrActive()) continue;
        values.maxCll = luminance(frame, "maxCll");
        values.maxFall = luminance(frame, "maxFall");
        values.maxMasteringLuminance = luminance(frame, "maxMasteringLuminance");
        values.minMasteringLuminance = luminance(frame, "minMasteringLuminance");
        break;
    }
    return values;
}

}  // namespace brixel::bridge
