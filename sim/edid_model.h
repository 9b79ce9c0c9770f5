// SPDX-License-Identifier: MIT
#pragma once
// The device's EDID store and the display's EDID.

#include <array>
#include <cstdint>

#include "protocol/payloads.h"

namespace brixel::sim {

using EdidBytes = std::array<uint8_t, protocol::edidSize>;

// The EDID the device shows its sources when new.
EdidBytes factoryEdid();
// The simulated display on the output: a 4K HDR television.
EdidBytes displayEdid();

struct EdidState {
    // What the device shows its sources; replaced only by a commit.
    EdidBytes store = factoryEdid();
    // Frames written since the last commit, laid over the store.
    EdidBytes incoming{};
    bool writing = false;
    // The display's EDID as the device read it.
    EdidBytes sink = displayEdid();
};

// The 13 text bytes of the display's monitor name descriptor (0x0A-terminated
// when shorter), as register 53 reports them.
std::array<uint8_t, 13> displayMonitorName(const EdidState& state);

}  // namespace brixel::sim
