// SPDX-License-Identifier: MIT
#pragma once
// What the bridge shows of the signal the source's InfoFrames describe: the
// HDR format, and the HDR InfoFrame's luminances, from the frames the status
// report holds. This is the one place that decodes them for the bridge. Pure.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace brixel::bridge {

struct SignalValues {
    std::string hdrFormat;  // "SDR", "HDR10", "HLG", "HDR10+", "Dolby Vision"; empty without a report
    // In cd/m²; none where the frame gives none, or 0 for "not known".
    std::optional<double> maxCll;
    std::optional<double> maxFall;
    std::optional<double> maxMasteringLuminance;
    std::optional<double> minMasteringLuminance;

    bool hdrActive() const { return !hdrFormat.empty() && hdrFormat != "SDR"; }
};

// From the result of the status operation ({"report", "fields"}).
SignalValues signalValues(const nlohmann::json& statusResult);

}  // namespace brixel::bridge
