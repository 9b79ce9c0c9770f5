// SPDX-License-Identifier: MIT
// info and status: what the device tells of itself and of the video.

#include <BrixelLibrary.h>

#include <array>
#include <cstring>
#include <optional>

#include "settings/readback_sizes.h"
#include "toolkit/command_results.h"
#include "toolkit/operation_families.h"
#include "toolkit/status_values.h"

namespace brixel::toolkit::families {
namespace {

Plan info(const Operation&, const Inputs&) {
    Plan plan;
    plan.subject = "info";
    plan.run = [](RunContext& run) {
        std::array<char, firmwareTextSize> version{};
        std::array<unsigned char, stateBlockSize> state{};
        const bool versionOk = run.call([&] { return getFwVersion(version.data()); });
        const bool stateOk = run.call([&] { return getBrixelState(state.data()); });
        const std::string text(version.data(), strnlen(version.data(), version.size()));
        run.result =
            infoResult(versionOk ? std::optional(text) : std::nullopt,
                       stateOk ? std::optional(std::vector<uint8_t>(state.begin(), state.end())) : std::nullopt);
        return versionOk && stateOk;
    };
    return plan;
}

// getVideoFormat is true whether or not a report came: the record tells.
Plan status(const Operation&, const Inputs&) {
    Plan plan;
    plan.subject = "status";
    plan.unconfirmedText = "no video report: the device has no signal to report on the active input";
    plan.run = [](RunContext& run) {
        VIDEO_STATUS report{};
        run.call([&] { return getVideoFormat(&report); });
        run.result = statusResult(report, run.deviceReached());
        return reportWasRead(report);
    };
    return plan;
}

const std::array<Operation, 2> ops{{
    {"info", "firmware version and the device's state block", {}, false, info},
    {"status", "the video status report", {}, false, status},
}};

}  // namespace

std::span<const Operation> readback() { return ops; }

}  // namespace brixel::toolkit::families
