// SPDX-License-Identifier: MIT
// Installing a built-in EDID: the upload, then the selection by setting code 14.

#include <BrixelLibrary.h>

#include "edid/catalogue.h"
#include "edid/edid_transfer.h"
#include "settings/settings.h"

BRIXEL_API bool changeCustomEdid(EDIDTABLE selection) {
    const int value = static_cast<int>(selection);
    bool uploaded = true;
    if (const auto* entry = brixel::edid::builtInEdidFor(value)) uploaded = brixel::edid::writeEdid(*entry);
    // The selection is sent whatever became of the upload; the device decides what it means.
    const bool selected = brixel::sendEnum<BRIXEL_CMD_CUSTOM_EDID>(selection);
    return uploaded && selected;
}
