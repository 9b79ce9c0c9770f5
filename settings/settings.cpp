#include <array>
#include <cstring>

#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "settings/setting_codes.h"

namespace brixel {

bool sendSetting(BRIXEL_CMD code, uint8_t value) {
    const auto codeByte = static_cast<uint8_t>(code);
    if (codeByte == BRIXEL_CMD_HDCP_VERSION && value == refusedHdcpValue) return false;
    const std::array<uint8_t, 5> frame{protocol::requestWrite, 0x04, protocol::commandRegister, codeByte, value};
    std::array<uint8_t, protocol::replySize> reply{};
    return echoExchange(frame, protocol::commandRegister, errorWriting, reply);
}

uint8_t byteOf(bool flag) {
    uint8_t byte = 0;
    std::memcpy(&byte, &flag, 1);
    return byte;
}

namespace {

template <BRIXEL_CMD Code>
bool send(uint8_t argument) {
    return sendSetting(Code, valueByte(ruleOf<Code>(), argument));
}

template <BRIXEL_CMD Code, typename Enum>
bool sendEnum(Enum value) {
    return send<Code>(static_cast<uint8_t>(value));
}

}  // namespace
}  // namespace brixel

using brixel::byteOf;
using brixel::send;
using brixel::sendEnum;

BRIXEL_API bool setBrixelState(BRIXEL_CMD code, unsigned char value) { return brixel::sendSetting(code, value); }

BRIXEL_API bool setActivePort(BRIXEL_INPORT port) { return sendEnum<BRIXEL_CMD_ACTIVE_PORT>(port); }
BRIXEL_API bool setAutoSwitch(bool on) { return send<BRIXEL_CMD_AUTO_SWITCH>(byteOf(on)); }
BRIXEL_API bool setScaling(BRIXEL_SCALE scaling) { return sendEnum<BRIXEL_CMD_SCALING>(scaling); }
BRIXEL_API bool setHdcpVersion(BRIXEL_HDCP version) {
    if (static_cast<int>(version) == brixel::refusedHdcpValue) return false;
    return sendEnum<BRIXEL_CMD_HDCP_VERSION>(version);
}
BRIXEL_API bool setEdidMode(BRIXEL_EDID mode) { return sendEnum<BRIXEL_CMD_EDID_MODE>(mode); }
BRIXEL_API bool setSwPriority(bool on) { return send<BRIXEL_CMD_SW_PRIORITY>(byteOf(on)); }
BRIXEL_API bool setCustomAvi(bool on) { return send<BRIXEL_CMD_CUSTOM_AVI>(byteOf(on)); }
BRIXEL_API bool setAutoFillCrc(bool on) { return send<BRIXEL_CMD_AUTO_FILL_CRC>(byteOf(on)); }
BRIXEL_API bool setCustomHdr(bool on) { return send<BRIXEL_CMD_CUSTOM_HDR>(byteOf(on)); }
BRIXEL_API bool setAviDisable(bool on) { return send<BRIXEL_CMD_AVI_DISABLE>(byteOf(on)); }
BRIXEL_API bool setLogoLed(bool on) { return send<BRIXEL_CMD_LOGO_LED>(byteOf(on)); }
BRIXEL_API bool factoryReset(BRIXEL_FACTRESET kind) { return sendEnum<BRIXEL_CMD_FACTORY_RESET>(kind); }
BRIXEL_API bool setCsc(BRIXEL_COLFMT format) { return sendEnum<BRIXEL_CMD_CSC>(format); }
BRIXEL_API bool setDeepColor(BRIXEL_DC depth) { return sendEnum<BRIXEL_CMD_DEEP_COLOR>(depth); }
BRIXEL_API bool setDownCsc(BRIXEL_COLFMT format) { return sendEnum<BRIXEL_CMD_DOWN_CSC>(format); }
BRIXEL_API bool setDsDeepColor(BRIXEL_DC depth) { return sendEnum<BRIXEL_CMD_DS_DEEP_COLOR>(depth); }
BRIXEL_API bool setBt2020Force(BRIXEL_BT2020 mode) { return sendEnum<BRIXEL_CMD_BT2020_FORCE>(mode); }
BRIXEL_API bool setPreset4k30(bool on) { return send<BRIXEL_CMD_PRESET_4K30>(byteOf(on)); }
BRIXEL_API bool setPreset4k60(bool on) { return send<BRIXEL_CMD_PRESET_4K60>(byteOf(on)); }
BRIXEL_API bool setPreset4k30Mode(BRIXEL_PRESET mode) { return sendEnum<BRIXEL_CMD_PRESET_4K30_MODE>(mode); }
BRIXEL_API bool setPreset4k60Mode(BRIXEL_PRESET mode) { return sendEnum<BRIXEL_CMD_PRESET_4K60_MODE>(mode); }
BRIXEL_API bool setIgnoreEdid(bool on) { return send<BRIXEL_CMD_IGNORE_EDID>(byteOf(on)); }
BRIXEL_API bool resetBrixel() { return send<BRIXEL_CMD_RESET>(1); }
BRIXEL_API bool setHdrDisable(bool on) { return send<BRIXEL_CMD_HDR_DISABLE>(byteOf(on)); }
BRIXEL_API bool setHtpc(bool on) { return send<BRIXEL_CMD_HTPC>(byteOf(on)); }
