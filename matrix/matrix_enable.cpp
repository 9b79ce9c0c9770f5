#include "settings/setting_codes.h"

BRIXEL_API bool set3xEn(bool on) {
    constexpr auto rule = brixel::ruleOf<BRIXEL_CMD_MATRIX_ENABLE>();
    return brixel::sendSetting(BRIXEL_CMD_MATRIX_ENABLE, brixel::valueByte(rule, brixel::byteOf(on)));
}
