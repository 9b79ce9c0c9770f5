// SPDX-License-Identifier: MIT
#pragma once
// Decoded InfoFrames and the signal as JSON, under the names scripts rely on:
// type, typeCode, version, length, checksum {value, valid}, summary,
// problems, fields (coded fields as {code, name}); and {hdrFormat, description}.

#include <nlohmann/json.hpp>

#include "infoframe_decoder/infoframe_decoder.h"

namespace brixel::toolkit {

nlohmann::json fieldValueJson(const infoframe_decoder::FieldValue& value);
// "lines", the frame as decodedFrameText gives it to people, go with a result
// that shows one frame (infoframe decode, a frame sent); a report leaves them
// out, which keeps its refreshes light.
enum class FrameLines : bool { omitted, included };

nlohmann::json decodedFrameJson(const infoframe_decoder::DecodedFrame& frame, FrameLines lines = FrameLines::omitted);
nlohmann::json signalJson(const infoframe_decoder::SignalSummary& signal);

}  // namespace brixel::toolkit
