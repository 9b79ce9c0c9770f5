#pragma once
// Simulated Brixels for a tool: a simulator as the USB transport, each device
// keeping its state in a file from one run to the next. A run loads, changes
// and saves its devices under one lock, so that concurrent runs keep every
// change; a watching run re-reads the files and never writes them. Device 1
// keeps its state in the state file itself, device N (N > 1) in the file of
// the same name with "-N" before its extension.

#include <BrixelPlatform.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::toolkit {

struct SimulationOptions {
    std::string stateFile;  // empty: the default place
    bool fresh = false;     // new devices, whatever the files hold
    unsigned devices = 1;   // 0: nothing attached
    // Faults given to every device, as KIND or KIND@N (sim/faults.h).
    std::vector<std::string> faults;
    // Only read: the lock is held for each read alone and nothing is saved.
    bool readOnly = false;
};

// Why `text` names no fault; empty when it does.
std::string faultProblem(std::string_view text);
// Each fault kind on a line: "  NAME[@N]  what it does".
std::string faultKindsText();

// Where device `number` (from 1) keeps its state.
std::filesystem::path deviceStateFile(const std::filesystem::path& stateFile, unsigned number);

class SimulatedDevices {
public:
    // Nullptr with `error` set when a state file cannot be read or a fault is
    // unknown. Unless read-only, the lock is held from here until keep().
    static std::unique_ptr<SimulatedDevices> start(const SimulationOptions& options, std::string& error);
    ~SimulatedDevices();
    SimulatedDevices(const SimulatedDevices&) = delete;
    SimulatedDevices& operator=(const SimulatedDevices&) = delete;

    // The ten operations over the simulated devices.
    const BRIXEL_USB_LAYER& layer() const;

    // Reads the states again, under the lock, as another run may have changed
    // them; nothing when started fresh.
    bool reload(std::string& error);

    // Saves every device's state (unless read-only) and releases the lock.
    bool keep(std::string& error);

private:
    struct Parts;
    explicit SimulatedDevices(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace brixel::toolkit
