// SPDX-License-Identifier: MIT
#pragma once
// The setting write and the path every exported wrapper takes to it.

#include <BrixelLibrary.h>

#include <cstdint>

#include "settings/setting_codes.h"

namespace brixel {

// The setting write: true when the device echoed it. Code 3 with value 1 is
// refused here, before any traffic, whoever asks for it.
bool sendSetting(BRIXEL_CMD code, uint8_t value);

// A bool from a caller may hold any byte; the value rules look at the byte itself.
uint8_t byteOf(bool flag);

// A wrapper's send: its row's value rule on the argument's byte, then the write.
template <BRIXEL_CMD Code>
bool sendByRule(uint8_t argument) {
    return sendSetting(Code, valueByte(ruleOf<Code>(), argument));
}

template <BRIXEL_CMD Code>
bool sendFlag(bool on) {
    return sendByRule<Code>(byteOf(on));
}

template <BRIXEL_CMD Code, typename Enum>
bool sendEnum(Enum value) {
    return sendByRule<Code>(static_cast<uint8_t>(value));
}

}  // namespace brixel
