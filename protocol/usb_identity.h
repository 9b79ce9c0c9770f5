// SPDX-License-Identifier: MIT
#pragma once
// How a Brixel shows itself on USB: what the platform's layer looks for, what
// the udev rule opens to the user, and what brixelctl doctor checks.

#include <cstdint>
#include <string_view>

namespace brixel::protocol {

// The USB controller's vendor ID.
inline constexpr uint16_t usbVendorId = 0x10C4;
// The USBXpress interface: interface 0, vendor class, one bulk OUT and one bulk IN endpoint.
inline constexpr uint8_t usbxpressInterface = 0;
inline constexpr uint8_t usbxpressInterfaceClass = 0xFF;
// The udev rule that opens the device to the user at the machine.
inline constexpr std::string_view udevRuleFile = "70-brixel.rules";

}  // namespace brixel::protocol
