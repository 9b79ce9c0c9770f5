#pragma once
// The device's EDID store and the display's EDID.

#include <array>
#include <cstdint>

namespace brixel::sim {

struct EdidState {};

// The 13 text bytes of the display's monitor name descriptor (0x0A-terminated
// when shorter), as register 53 reports them.
std::array<uint8_t, 13> displayMonitorName(const EdidState& state);

}  // namespace brixel::sim
