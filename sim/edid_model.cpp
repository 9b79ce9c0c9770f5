// Not simulated yet: the model answers these frames with its generic echo.

#include "sim/subsystems.h"

namespace brixel::sim {

std::optional<Reply> answerEdidFrame(DeviceModel&, std::span<const uint8_t>) { return std::nullopt; }
void edidSettingChanged(DeviceModel&, uint8_t, uint8_t) {}

nlohmann::json saveState(const EdidState&) { return nlohmann::json::object(); }
void loadState(EdidState&, const nlohmann::json&) {}

}  // namespace brixel::sim
