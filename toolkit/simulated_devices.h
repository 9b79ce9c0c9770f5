// SPDX-License-Identifier: MIT
#pragma once
// Simulated Brixels for a tool: a simulator as the USB transport, each device
// keeping its state in a file from one run to the next. A run loads, changes
// and saves its devices under one lock, so that concurrent runs keep every
// change; a watching run re-reads the files and never writes them. Device 1
// keeps its state in the state file itself, device N (N > 1) in the file of
// the same name with "-N" before its extension. Devices kept in memory have no
// file at all and start new.

#include <BrixelPlatform.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::toolkit {

// The most simulated devices attached at once.
inline constexpr unsigned maxSimulatedDevices = 16;

struct SimulationOptions {
    std::string stateFile;  // empty: the default place
    bool fresh = false;     // new devices, whatever the files hold
    unsigned devices = 1;   // 0: nothing attached
    // Faults given to every device, as KIND or KIND@N (sim/faults.h).
    std::vector<std::string> faults;
    // Only read: the lock is held for each read alone and nothing is saved.
    bool readOnly = false;
    // No state file: new devices whose state lasts as long as this object;
    // nothing is read, locked or saved, and the state file is ignored.
    bool inMemory = false;
};

// A fault kind as a tool offers it (sim/faults.h).
struct FaultKindInfo {
    std::string_view name;
    std::string_view description;
    bool atFrame;  // takes @N
};
std::vector<FaultKindInfo> faultKindList();

// Why `text` names no fault; empty when it does.
std::string faultProblem(std::string_view text);
// Each fault kind on a line: "  NAME[@N]  what it does".
std::string faultKindsText();

// Where device `number` (from 1) keeps its state.
std::filesystem::path deviceStateFile(const std::filesystem::path& stateFile, unsigned number);
// While this file exists beside its state file, device `number` is unplugged
// (every run sees it so, from its next look at the states on); once removed,
// it is plugged in again.
std::filesystem::path unplugFile(const std::filesystem::path& stateFile, unsigned number);

class SimulatedDevices {
public:
    // Nullptr with `error` set when a state file cannot be read or a fault is
    // unknown. Unless read-only or in memory, the lock is held from here until keep().
    static std::unique_ptr<SimulatedDevices> start(const SimulationOptions& options, std::string& error);
    ~SimulatedDevices();
    SimulatedDevices(const SimulatedDevices&) = delete;
    SimulatedDevices& operator=(const SimulatedDevices&) = delete;

    // The ten operations over the simulated devices.
    const BRIXEL_USB_LAYER& layer() const;
    // Where each device is attached ("sim:1", ...), as --device names it.
    std::vector<std::string> devicePaths() const;

    // Reads the states again, under the lock, as another run may have changed
    // them; nothing when started fresh or in memory.
    bool reload(std::string& error);
    // The same, with the lock then held until keep(): for a change made
    // between, so that no other run's change falls between read and save.
    bool reloadForChange(std::string& error);

    // Saves every device's state (unless read-only or in memory) and releases the lock.
    bool keep(std::string& error);

private:
    struct Parts;
    explicit SimulatedDevices(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace brixel::toolkit
