// SPDX-License-Identifier: MIT
#pragma once
// Each family of operations, defined in its own file; operations.cpp puts
// them in one list.

#include <span>
#include <string>

#include "edid/catalogue.h"
#include "toolkit/operations.h"

namespace brixel::toolkit::families {

std::span<const Operation> settings();    // one per named setting, and the raw set
std::span<const Operation> readback();    // info, status
std::span<const Operation> edids();       // edid get|sink|set|install|list|export
std::span<const Operation> infoFrames();  // infoframe avi|hdr|hdr-build|decode
std::span<const Operation> matrix();      // matrix get|set|reset|enable|disable
std::span<const Operation> devices();     // list
std::span<const Operation> edidEditor();  // edid derive|diff

// Helpers the families share.
// A word input as text: a JSON number as its digits.
std::string wordOf(const nlohmann::json& value);
// A built-in EDID by number 2-25 or by its name in any case; nullptr for none,
// and the sentence that says so.
const edid::CatalogueRow* builtInEntry(const std::string& text);
std::string noBuiltInEntry(const std::string& text);

}  // namespace brixel::toolkit::families
