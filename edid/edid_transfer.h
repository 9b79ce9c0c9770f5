// SPDX-License-Identifier: MIT
#pragma once
// Whole 256-byte EDIDs between the host and the device, 16 bytes per read
// frame and 8 per write frame.

#include <cstdint>
#include <span>

#include "edid/catalogue.h"
#include "protocol/commands.h"
#include "protocol/payloads.h"

namespace brixel::edid {

inline constexpr const char* errorReadingEdid = "Error reading values\n";
inline constexpr const char* errorReadingSinkEdid = "Error reading sink EDID values\n";
inline constexpr const char* errorWritingEdid = "Error Writing EDID values.";
inline constexpr const char* errorCommitting = "Error reseting EDID values.";
inline constexpr const char* edidWritten = "EDID custom written...";

// Reads the EDID behind `command` (device or sink) into `edid`. On failure
// the bytes already read are kept, the rest of `edid` is left alone, and
// `errorLine` is printed after the release step.
bool readEdid(uint8_t command, std::span<uint8_t, protocol::edidSize> edid, const char* errorLine);

// Writes `edid` into the device's EDID store and commits it. True only when
// every data frame and the commit were acknowledged.
bool writeEdid(std::span<const uint8_t, protocol::edidSize> edid);

}  // namespace brixel::edid
