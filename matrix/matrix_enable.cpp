#include "settings/setting_codes.h"

BRIXEL_API bool set3xEn(bool on) {
    constexpr const brixel::SettingCode* row = brixel::findSettingCode(BRIXEL_CMD_MATRIX_ENABLE);
    return brixel::sendSetting(BRIXEL_CMD_MATRIX_ENABLE, brixel::valueByte(row->rule, brixel::byteOf(on)));
}
