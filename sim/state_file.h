// SPDX-License-Identifier: MIT
#pragma once
// The simulated device's state as JSON, kept in a file between runs of the tool.

#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "sim/device_model.h"

namespace brixel::sim {

// $XDG_STATE_HOME/brixelctl/simulated-device.json, or under ~/.local/state.
std::filesystem::path defaultStateFile();

nlohmann::json saveState(const DeviceModel& model);
// A new device holding what `state` holds; a key that `state` lacks keeps the
// new device's value. Every value is checked against what its field holds
// (whole numbers 0-255 for bytes, true or false, strings, lists of the right
// length) and a key the state has no field for is refused: std::runtime_error,
// naming the keys that lead to it.
DeviceModel loadState(const nlohmann::json& state);

// False with `error` set when the file exists but cannot be read; a missing
// file leaves the model as a new device.
bool loadStateFile(DeviceModel& model, const std::filesystem::path& file, std::string& error);
// Through a uniquely named file beside it, renamed over it.
bool saveStateFile(const DeviceModel& model, const std::filesystem::path& file, std::string& error);

// An exclusive lock on a state file (on FILE.lock beside it), so that a
// load, change and save by one process is never interleaved with another's.
// Held until destroyed.
class StateFileLock {
public:
    // Waits for the lock; nullopt with `error` set when it cannot be had.
    static std::optional<StateFileLock> acquire(const std::filesystem::path& file, std::string& error);
    StateFileLock(StateFileLock&& other) noexcept;
    StateFileLock& operator=(StateFileLock&& other) noexcept;
    StateFileLock(const StateFileLock&) = delete;
    ~StateFileLock();

private:
    explicit StateFileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace brixel::sim
