#pragma once
// How a Brixel is told apart from the other devices of the USB layer.

#include <cstddef>
#include <string_view>

namespace brixel::protocol {

// The serial string a device must report to be ours.
inline constexpr std::string_view deviceSerial = "2024";
// The buffer handed to the layer for a device's serial string.
inline constexpr std::size_t serialBufferSize = 260;

}  // namespace brixel::protocol
