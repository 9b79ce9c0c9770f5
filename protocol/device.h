// SPDX-License-Identifier: MIT
#pragma once
// How a Brixel is told apart from the other devices of the USB layer.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace brixel::protocol {

// The serial string a device must report to be ours.
inline constexpr std::string_view deviceSerial = "2024";
// The buffer handed to the layer for a device's serial string.
inline constexpr std::size_t serialBufferSize = 260;
// What the layer's string query returns, by its flags: the serial string, or
// where the device is attached (a device node, "/dev/bus/usb/001/005").
inline constexpr uint32_t productStringSerial = 0;
inline constexpr uint32_t productStringLinkName = 2;
// The handle value that stands for no open device: the vendor layer's
// INVALID_HANDLE_VALUE, as an integer (a pointer cannot be a constant here).
inline constexpr std::intptr_t invalidHandleValue = -1;

}  // namespace brixel::protocol
