// SPDX-License-Identifier: MIT
#include "toolkit/infoframe_json.h"

#include <cmath>

namespace brixel::toolkit {
namespace {

namespace dec = infoframe_decoder;

// Whole values as JSON integers (1000, not 1000.0), so scripts compare them plainly.
nlohmann::json numberJson(double value) {
    constexpr double exactIntegers = 9007199254740992.0;  // 2^53
    if (std::isfinite(value) && std::trunc(value) == value && std::abs(value) < exactIntegers)
        return static_cast<int64_t>(value);
    if (!std::isfinite(value)) return nullptr;
    return value;
}

// Built key by key: an initializer list copies what it holds, and a report's
// frames are decoded at every refresh.
nlohmann::json pointJson(const dec::Point& p) {
    auto out = nlohmann::json::array();
    out.push_back(numberJson(p.x));
    out.push_back(numberJson(p.y));
    return out;
}

struct ValueJson {
    nlohmann::json operator()(std::monostate) const { return nullptr; }
    nlohmann::json operator()(bool b) const { return b; }
    nlohmann::json operator()(int64_t n) const { return n; }
    nlohmann::json operator()(const dec::Number& n) const { return numberJson(n.value); }
    nlohmann::json operator()(const std::string& s) const { return s; }
    nlohmann::json operator()(const dec::Coded& c) const {
        auto out = nlohmann::json::object();
        out["code"] = c.code;
        out["name"] = c.name;
        return out;
    }
    nlohmann::json operator()(const dec::Point& p) const { return pointJson(p); }
    nlohmann::json operator()(const dec::Points& points) const {
        auto out = nlohmann::json::array();
        for (const auto& p : points) out.push_back(pointJson(p));
        return out;
    }
    nlohmann::json operator()(const dec::Texts& texts) const { return texts; }
    nlohmann::json operator()(const dec::Integers& numbers) const { return numbers; }
};

}  // namespace

nlohmann::json fieldValueJson(const dec::FieldValue& value) { return std::visit(ValueJson{}, value); }

nlohmann::json decodedFrameJson(const dec::DecodedFrame& frame, FrameLines lines) {
    auto out = nlohmann::json::object();
    out["type"] = frame.typeName;
    out["typeCode"] = frame.typeCode;
    out["version"] = frame.version;
    out["length"] = frame.length;
    auto& checksum = out["checksum"] = nlohmann::json::object();
    checksum["value"] = frame.checksum;
    checksum["valid"] = frame.checksumValid;
    out["summary"] = frame.summary;
    out["problems"] = frame.problems;
    auto& fields = out["fields"] = nlohmann::json::object();
    for (const auto& field : frame.fields) fields[field.key] = fieldValueJson(field.value);
    if (lines == FrameLines::included) out["lines"] = dec::decodedFrameText(frame);
    return out;
}

nlohmann::json signalJson(const dec::SignalSummary& signal) {
    return {{"hdrFormat", signal.hdrFormat}, {"description", signal.description}};
}

}  // namespace brixel::toolkit
