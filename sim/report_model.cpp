// Not simulated yet: the model answers these frames with its generic echo.

#include "sim/subsystems.h"

namespace brixel::sim {

std::optional<Reply> answerReportFrame(DeviceModel&, std::span<const uint8_t>) { return std::nullopt; }
std::optional<Reply> reportRegister(const DeviceModel&, uint8_t, uint8_t) { return std::nullopt; }

nlohmann::json saveState(const ReportState&) { return nlohmann::json::object(); }
void loadState(ReportState&, const nlohmann::json&) {}

}  // namespace brixel::sim
