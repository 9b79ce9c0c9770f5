#pragma once
// Each family of operations, defined in its own file; operations.cpp puts
// them in one list.

#include <span>

#include "toolkit/operations.h"

namespace brixel::toolkit::families {

std::span<const Operation> settings();    // one per named setting, and the raw set
std::span<const Operation> readback();    // info, status
std::span<const Operation> edids();       // edid get|sink|set|install|list|export
std::span<const Operation> infoFrames();  // infoframe avi|hdr|hdr-build|decode
std::span<const Operation> matrix();      // matrix get|set|reset|enable|disable
std::span<const Operation> devices();     // list

// Helpers the families share.
// A word input as text: a JSON number as its digits.
std::string wordOf(const nlohmann::json& value);

}  // namespace brixel::toolkit::families
