// SPDX-License-Identifier: MIT
#include "settings/settings.h"

BRIXEL_API bool set3xEn(bool on) { return brixel::sendFlag<BRIXEL_CMD_MATRIX_ENABLE>(on); }
