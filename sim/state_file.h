#pragma once
// The simulated device's state kept in a file between runs of the tool.

#include <filesystem>
#include <string>

#include "sim/device_model.h"

namespace brixel::sim {

// $XDG_STATE_HOME/brixelctl/simulated-device.json, or under ~/.local/state.
std::filesystem::path defaultStateFile();

// False with `error` set when the file exists but cannot be read; a missing
// file leaves the model as a new device.
bool loadStateFile(DeviceModel& model, const std::filesystem::path& file, std::string& error);
bool saveStateFile(const DeviceModel& model, const std::filesystem::path& file, std::string& error);

}  // namespace brixel::sim
