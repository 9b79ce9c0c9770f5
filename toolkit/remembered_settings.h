// SPDX-License-Identifier: MIT
#pragma once
// The last value each setting was given, per device, by brixelctl or its
// panel. The library does not read settings back, so this is all a front end
// can honestly show of them: "last set by brixelctl at 12:03", or nothing.

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace brixel::toolkit {

struct SettingMemory {
    std::filesystem::path file;  // shared by every run on this machine
    std::string device;          // which device's settings, e.g. "usb:1-2" or "sim:/path/state.json sim:1"
    std::string by;              // who sets them: "brixelctl", "the panel"
};

// remembered-settings.json in brixelctl's state folder (state_home/state_home.h).
std::filesystem::path defaultSettingMemoryFile();

// Keeps `value` (and its name, when it has one) as the last given to the
// setting `command` of the device; under a lock, so that concurrent runs
// keep every change. False with `error` set when the file cannot be written.
bool rememberSetting(const SettingMemory& memory, std::string_view command, uint8_t value, std::string_view name,
                     std::string& error);

// Forgets every setting of the device (its factory settings are back).
bool forgetSettings(const SettingMemory& memory, std::string& error);

// {"port": {"value": 2, "name": "2", "by": "brixelctl", "at": "2026-12-09T06:30:00Z"}, ...} for the
// device; an empty object when nothing was kept, or the file cannot be read.
nlohmann::json recalledSettings(const SettingMemory& memory);

}  // namespace brixel::toolkit
