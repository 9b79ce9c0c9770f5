#pragma once
// The simulated device's state as JSON, kept in a file between runs of the tool.

#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "sim/device_model.h"

namespace brixel::sim {

// $XDG_STATE_HOME/brixelctl/simulated-device.json, or under ~/.local/state.
std::filesystem::path defaultStateFile();

nlohmann::json saveState(const DeviceModel& model);
// A new device holding what `state` holds; a key that `state` lacks keeps the
// new device's value. Throws std::runtime_error, naming the key, for anything
// the device cannot hold.
DeviceModel loadState(const nlohmann::json& state);

// False with `error` set when the file exists but cannot be read; a missing
// file leaves the model as a new device.
bool loadStateFile(DeviceModel& model, const std::filesystem::path& file, std::string& error);
bool saveStateFile(const DeviceModel& model, const std::filesystem::path& file, std::string& error);

}  // namespace brixel::sim
