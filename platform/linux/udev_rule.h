#pragma once
// The udev rule that opens the device to the user at the machine: installed
// beside the library, explained by the layer when an open is refused, and
// looked for by `brixelctl doctor`.

namespace brixel::platform {

inline constexpr const char* udevRuleFile = "70-brixel.rules";

}  // namespace brixel::platform
