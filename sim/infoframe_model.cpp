// Not simulated yet: the model answers these frames with its generic echo.

#include "sim/subsystems.h"

namespace brixel::sim {

std::optional<Reply> answerInfoFrameFrame(DeviceModel&, std::span<const uint8_t>) { return std::nullopt; }

nlohmann::json saveState(const InfoFrameState&) { return nlohmann::json::object(); }
void loadState(InfoFrameState&, const nlohmann::json&) {}

}  // namespace brixel::sim
