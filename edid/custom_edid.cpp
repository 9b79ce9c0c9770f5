// Installing a built-in EDID: the upload, then the selection by setting code 14.

#include <BrixelLibrary.h>

#include "edid/catalogue.h"
#include "edid/edid_transfer.h"
#include "settings/setting_codes.h"

BRIXEL_API bool changeCustomEdid(EDIDTABLE selection) {
    const int value = static_cast<int>(selection);
    bool uploaded = true;
    if (const auto* entry = brixel::edid::builtInEdidFor(value)) uploaded = brixel::edid::writeEdid(*entry);
    // The selection is sent whatever became of the upload; the device decides what it means.
    const bool selected = brixel::sendSetting(BRIXEL_CMD_CUSTOM_EDID, static_cast<uint8_t>(value & 0xFF));
    return uploaded && selected;
}
