// Not simulated yet: the model answers these frames with its generic echo.

#include "sim/subsystems.h"

namespace brixel::sim {

std::optional<Reply> answerEdidFrame(DeviceModel&, std::span<const uint8_t>) { return std::nullopt; }
void edidSettingChanged(DeviceModel&, uint8_t, uint8_t) {}

nlohmann::json saveState(const EdidState&) { return nlohmann::json::object(); }
void loadState(EdidState&, const nlohmann::json&) {}

}  // namespace brixel::sim

namespace brixel::sim {

std::array<uint8_t, 13> displayMonitorName(const EdidState&) {
    return {'S', 'i', 'm', 'u', 'l', 'a', 't', 'e', 'd', ' ', 'T', 'V', 0x0A};
}

}  // namespace brixel::sim
