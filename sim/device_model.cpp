// SPDX-License-Identifier: MIT
#include "sim/device_model.h"

#include <algorithm>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "sim/subsystems.h"

namespace brixel::sim {
namespace {

// Header and the register.
constexpr std::size_t registerReadSize = protocol::requestHeaderSize + 1;

BlockData firmwareData(const DeviceModel& device) { return {device.firmwareMajor, device.firmwareMinor, 0, 0, 0, 0}; }

struct RegisterBlockSource {
    uint8_t reg;
    BlockData (*data)(const DeviceModel&);
};

// The register blocks this device has. A read of any other register goes
// unanswered, like any other frame the device does not know.
constexpr std::array<RegisterBlockSource, 10> registerBlocks{{
    {protocol::statusBlock.reg, statusData},
    {protocol::firmwareBlock.reg, firmwareData},
    {protocol::spdBlock.reg, spdData},
    {protocol::hdrBlock.reg, hdrData},
    {protocol::vendor1Block.reg, vendor1Data},
    {protocol::vendor2Block.reg, vendor2Data},
    {protocol::audioBlock.reg, audioData},
    {protocol::aviBlock.reg, aviData},
    {protocol::matrixBlock.reg, matrixData},
    {protocol::displayNameBlock.reg, displayNameData},
}};

}  // namespace

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

Reply readReply(uint8_t echo, uint8_t count, std::span<const uint8_t> data) {
    const std::size_t length = std::min<std::size_t>(count, protocol::replySize);
    Reply reply(length, 0);
    if (length > 0) reply[0] = echo;
    const std::size_t first = protocol::replyDataOffset;
    for (std::size_t i = first; i < length && i - first < data.size(); ++i) reply[i] = data[i - first];
    return reply;
}

DeviceModel::DeviceModel() : settings(factorySettings()) {}

void DeviceModel::restoreFactoryState() { *this = DeviceModel{}; }

std::array<uint8_t, protocol::stateBlockSize> DeviceModel::stateBlock() const {
    std::array<uint8_t, protocol::stateBlockSize> block{};
    std::copy_n(settings.begin(), block.size() - 2, block.begin());
    block[block.size() - 2] = firmwareMajor;
    block[block.size() - 1] = firmwareMinor;
    return block;
}

Reply DeviceModel::answer(std::span<const uint8_t> request) {
    if (request.size() < protocol::requestHeaderSize) return {};
    const uint8_t kind = request[0];
    const uint8_t length = request[1];
    const uint8_t command = request[2];

    if (kind == protocol::requestWrite && command == protocol::commandRegister &&
        length == protocol::settingFrameLength && request.size() == protocol::settingFrameSize)
        return answerSetting(request[3], request[4]);
    // A read's length byte is the count of reply bytes asked for.
    if (kind == protocol::requestRead && command == protocol::commandRegister && request.size() == registerReadSize)
        return answerRegister(request[3], length);
    if (kind == protocol::requestRead && command == protocol::commandState &&
        request.size() == protocol::requestHeaderSize)
        return readReply(protocol::commandState, length, stateBlock());

    for (auto handler : {answerEdidFrame, answerReportFrame, answerInfoFrameFrame, answerMatrixFrame})
        if (auto reply = handler(*this, request)) return *reply;

    // Any other frame goes unanswered, and the host's exchange fails as with a
    // device that dropped it. An acknowledgement would let a host that sends a
    // wrong command byte, register or activation byte pass for a working one.
    return {};
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
    const auto* block = std::find_if(registerBlocks.begin(), registerBlocks.end(),
                                     [reg](const RegisterBlockSource& b) { return b.reg == reg; });
    if (block == registerBlocks.end()) return {};
    if (auto scripted = report.scriptedBlocks.find(reg); scripted != report.scriptedBlocks.end())
        return readReply(protocol::commandRegister, count, scripted->second);
    return readReply(protocol::commandRegister, count, block->data(*this));
}

}  // namespace brixel::sim
