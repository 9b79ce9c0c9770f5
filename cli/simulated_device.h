#pragma once
// The device behind --simulate: a simulator in the library's place of the USB
// layer, its state kept in a file from one run to the next. The one part of
// brixelctl that sees the simulator.

#include <memory>
#include <string>

namespace brixel::cli {

class SimulatedDevice {
public:
    // Loads the state from `stateFile` (the default place when empty) unless
    // `fresh`, and installs the simulator into the library. Nullptr with
    // `error` set when either fails.
    static std::unique_ptr<SimulatedDevice> start(const std::string& stateFile, bool fresh, std::string& error);

    // Takes the simulator out of the library again.
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // Writes the state to its file; false with `error` set when it could not.
    bool keep(std::string& error) const;

private:
    struct Parts;
    explicit SimulatedDevice(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace brixel::cli
