#include "sim/device_model.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "link/timings.h"
#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "settings/readback.h"
#include "sim/subsystems.h"

namespace brixel::sim {

std::array<uint8_t, 256> factorySettings() {
    std::array<uint8_t, 256> s{};
    s[BRIXEL_CMD_ACTIVE_PORT] = BRIXEL_INPORT_1;
    s[BRIXEL_CMD_AUTO_SWITCH] = 1;
    s[BRIXEL_CMD_SCALING] = BRIXEL_SCALE_AUTO;
    s[BRIXEL_CMD_HDCP_VERSION] = BRIXEL_HDCP_AUTO;
    s[BRIXEL_CMD_EDID_MODE] = BRIXEL_EDID_AUTOMIX;
    s[BRIXEL_CMD_LOGO_LED] = 1;
    s[BRIXEL_CMD_CSC] = BRIXEL_COLFMT_BYPASS;
    s[BRIXEL_CMD_DEEP_COLOR] = BRIXEL_DC_SAME_AS_INPUT;
    s[BRIXEL_CMD_DOWN_CSC] = BRIXEL_COLFMT_BYPASS;
    s[BRIXEL_CMD_DS_DEEP_COLOR] = BRIXEL_DC_SAME_AS_INPUT;
    return s;
}

Reply registerReply(uint8_t count, std::span<const uint8_t> data) {
    const std::size_t length = std::min<std::size_t>(count, protocol::replySize);
    Reply reply(length, 0);
    if (length > 0) reply[0] = protocol::commandRegister;
    for (std::size_t i = 2; i < length && i - 2 < data.size(); ++i) reply[i] = data[i - 2];
    return reply;
}

DeviceModel::DeviceModel() : settings(factorySettings()) {}

void DeviceModel::restoreFactoryState() { *this = DeviceModel{}; }

std::array<uint8_t, 60> DeviceModel::stateBlock() const {
    std::array<uint8_t, 60> block{};
    std::copy_n(settings.begin(), 58, block.begin());
    block[58] = firmwareMajor;
    block[59] = firmwareMinor;
    return block;
}

Reply DeviceModel::answer(std::span<const uint8_t> request) {
    if (request.size() < 3) return {};
    const uint8_t kind = request[0];
    const uint8_t command = request[2];

    if (kind == protocol::requestWrite && command == protocol::commandRegister && request.size() >= 5)
        return answerSetting(request[3], request[4]);
    if (kind == protocol::requestRead && command == protocol::commandRegister && request.size() >= 4)
        return answerRegister(request[3], request[1]);
    if (kind == protocol::requestRead && command == protocol::commandState) {
        const auto block = stateBlock();
        Reply reply = registerReply(request[1], block);
        if (!reply.empty()) reply[0] = protocol::commandState;
        return reply;
    }

    for (auto handler : {answerEdidFrame, answerReportFrame, answerInfoFrameFrame, answerMatrixFrame})
        if (auto reply = handler(*this, request)) return *reply;

    // Any other write is acknowledged with its command byte.
    return Reply{command, 0x00};
}

Reply DeviceModel::answerSetting(uint8_t code, uint8_t value) {
    if (code == BRIXEL_CMD_FACTORY_RESET) {
        const auto keptEdid = edid;
        restoreFactoryState();
        if (value == BRIXEL_FACTRESET_SETTINGS) edid = keptEdid;
    } else if (code != BRIXEL_CMD_RESET) {
        settings[code] = value;
    }
    edidSettingChanged(*this, code, value);
    return Reply{protocol::commandRegister, 0x00};
}

Reply DeviceModel::answerRegister(uint8_t reg, uint8_t count) const {
    if (reg == protocol::firmwareBlock.reg) {
        const std::array<uint8_t, 6> version{firmwareMajor, firmwareMinor, 0, 0, 0, 0};
        return registerReply(count, version);
    }
    for (auto handler : {reportRegister, matrixRegister})
        if (auto reply = handler(*this, reg, count)) return *reply;
    return registerReply(count, {});
}

nlohmann::json DeviceModel::save() const {
    nlohmann::json j;
    j["settings"] = settings;
    j["firmware"] = {firmwareMajor, firmwareMinor};
    j["edid"] = saveState(edid);
    j["report"] = saveState(report);
    j["infoFrames"] = saveState(infoFrames);
    j["matrix"] = saveState(matrix);
    return j;
}

void DeviceModel::load(const nlohmann::json& state) {
    if (!state.is_object())
        throw std::runtime_error(std::string("the state is a JSON ") + state.type_name() + ", not an object");
    *this = DeviceModel{};
    if (state.contains("settings")) settings = state.at("settings").get<std::array<uint8_t, 256>>();
    if (state.contains("firmware")) {
        firmwareMajor = state.at("firmware").at(0).get<uint8_t>();
        firmwareMinor = state.at("firmware").at(1).get<uint8_t>();
    }
    if (state.contains("edid")) loadState(edid, state.at("edid"));
    if (state.contains("report")) loadState(report, state.at("report"));
    if (state.contains("infoFrames")) loadState(infoFrames, state.at("infoFrames"));
    if (state.contains("matrix")) loadState(matrix, state.at("matrix"));
}

}  // namespace brixel::sim
