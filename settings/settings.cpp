// SPDX-License-Identifier: MIT
#include "settings/settings.h"

#include <array>
#include <cstring>

#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"

namespace brixel {

bool sendSetting(BRIXEL_CMD code, uint8_t value) {
    const auto codeByte = static_cast<uint8_t>(code);
    if (refusedSetting(codeByte, value)) return false;
    const std::array<uint8_t, protocol::settingFrameSize> frame{protocol::requestWrite, protocol::settingFrameLength,
                                                                protocol::commandRegister, codeByte, value};
    std::array<uint8_t, protocol::replySize> reply{};
    return echoExchange(frame, protocol::commandRegister, errorWriting, reply);
}

uint8_t byteOf(bool flag) {
    uint8_t byte = 0;
    std::memcpy(&byte, &flag, 1);
    return byte;
}

}  // namespace brixel

using brixel::sendByRule;
using brixel::sendEnum;
using brixel::sendFlag;

BRIXEL_API bool setBrixelState(BRIXEL_CMD code, unsigned char value) { return brixel::sendSetting(code, value); }

BRIXEL_API bool setActivePort(BRIXEL_INPORT port) { return sendEnum<BRIXEL_CMD_ACTIVE_PORT>(port); }
BRIXEL_API bool setAutoSwitch(bool on) { return sendFlag<BRIXEL_CMD_AUTO_SWITCH>(on); }
BRIXEL_API bool setScaling(BRIXEL_SCALE scaling) { return sendEnum<BRIXEL_CMD_SCALING>(scaling); }
// Value 1 is refused by the core, which judges the low byte that would travel.
BRIXEL_API bool setHdcpVersion(BRIXEL_HDCP version) { return sendEnum<BRIXEL_CMD_HDCP_VERSION>(version); }
BRIXEL_API bool setEdidMode(BRIXEL_EDID mode) { return sendEnum<BRIXEL_CMD_EDID_MODE>(mode); }
BRIXEL_API bool setSwPriority(bool on) { return sendFlag<BRIXEL_CMD_SW_PRIORITY>(on); }
BRIXEL_API bool setCustomAvi(bool on) { return sendFlag<BRIXEL_CMD_CUSTOM_AVI>(on); }
BRIXEL_API bool setAutoFillCrc(bool on) { return sendFlag<BRIXEL_CMD_AUTO_FILL_CRC>(on); }
BRIXEL_API bool setCustomHdr(bool on) { return sendFlag<BRIXEL_CMD_CUSTOM_HDR>(on); }
BRIXEL_API bool setAviDisable(bool on) { return sendFlag<BRIXEL_CMD_AVI_DISABLE>(on); }
BRIXEL_API bool setLogoLed(bool on) { return sendFlag<BRIXEL_CMD_LOGO_LED>(on); }
BRIXEL_API bool factoryReset(BRIXEL_FACTRESET kind) { return sendEnum<BRIXEL_CMD_FACTORY_RESET>(kind); }
BRIXEL_API bool setCsc(BRIXEL_COLFMT format) { return sendEnum<BRIXEL_CMD_CSC>(format); }
BRIXEL_API bool setDeepColor(BRIXEL_DC depth) { return sendEnum<BRIXEL_CMD_DEEP_COLOR>(depth); }
BRIXEL_API bool setDownCsc(BRIXEL_COLFMT format) { return sendEnum<BRIXEL_CMD_DOWN_CSC>(format); }
BRIXEL_API bool setDsDeepColor(BRIXEL_DC depth) { return sendEnum<BRIXEL_CMD_DS_DEEP_COLOR>(depth); }
BRIXEL_API bool setBt2020Force(BRIXEL_BT2020 mode) { return sendEnum<BRIXEL_CMD_BT2020_FORCE>(mode); }
BRIXEL_API bool setPreset4k30(bool on) { return sendFlag<BRIXEL_CMD_PRESET_4K30>(on); }
BRIXEL_API bool setPreset4k60(bool on) { return sendFlag<BRIXEL_CMD_PRESET_4K60>(on); }
BRIXEL_API bool setPreset4k30Mode(BRIXEL_PRESET mode) { return sendEnum<BRIXEL_CMD_PRESET_4K30_MODE>(mode); }
BRIXEL_API bool setPreset4k60Mode(BRIXEL_PRESET mode) { return sendEnum<BRIXEL_CMD_PRESET_4K60_MODE>(mode); }
BRIXEL_API bool setIgnoreEdid(bool on) { return sendFlag<BRIXEL_CMD_IGNORE_EDID>(on); }
BRIXEL_API bool resetBrixel() { return sendByRule<BRIXEL_CMD_RESET>(1); }
BRIXEL_API bool setHdrDisable(bool on) { return sendFlag<BRIXEL_CMD_HDR_DISABLE>(on); }
BRIXEL_API bool setHtpc(bool on) { return sendFlag<BRIXEL_CMD_HTPC>(on); }
