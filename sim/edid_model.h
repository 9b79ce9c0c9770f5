#pragma once
// The device's EDID store and the display's EDID.

namespace brixel::sim {

struct EdidState {};

}  // namespace brixel::sim
