#pragma once
// Decoded InfoFrames and the signal as JSON, under the names scripts rely on:
// type, typeCode, version, length, checksum {value, valid}, summary,
// problems, fields (coded fields as {code, name}), and lines (the frame as
// decodedFrameText gives it to people, for a front end that shows it as it
// is); and {hdrFormat, description}.

#include <nlohmann/json.hpp>

#include "infoframe_decoder/infoframe_decoder.h"

namespace brixel::toolkit {

nlohmann::json fieldValueJson(const infoframe_decoder::FieldValue& value);
nlohmann::json decodedFrameJson(const infoframe_decoder::DecodedFrame& frame);
nlohmann::json signalJson(const infoframe_decoder::SignalSummary& signal);

}  // namespace brixel::toolkit
