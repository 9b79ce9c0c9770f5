#include "cli/simulated_device.h"

#include <filesystem>

#include "sim/library_adapter.h"
#include "sim/state_file.h"

namespace brixel::cli {

struct SimulatedDevice::Parts {
    sim::Simulator simulator{sim::Clock::realTime};
    std::filesystem::path stateFile;
};

SimulatedDevice::SimulatedDevice(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

std::unique_ptr<SimulatedDevice> SimulatedDevice::start(const std::string& stateFile, bool fresh, std::string& error) {
    auto parts = std::make_unique<Parts>();
    parts->simulator.tracing = false;
    auto& device = parts->simulator.addDevice();
    parts->stateFile = stateFile.empty() ? sim::defaultStateFile() : std::filesystem::path(stateFile);
    // A state file that could not be read is left as it is, for the user to look at.
    if (!fresh && !sim::loadStateFile(device.model, parts->stateFile, error)) return nullptr;
    if (!sim::install(parts->simulator)) {
        error = "the simulated device could not be installed";
        return nullptr;
    }
    return std::unique_ptr<SimulatedDevice>(new SimulatedDevice(std::move(parts)));
}

SimulatedDevice::~SimulatedDevice() { sim::uninstall(parts_->simulator); }

bool SimulatedDevice::keep(std::string& error) const {
    return sim::saveStateFile(parts_->simulator.device().model, parts_->stateFile, error);
}

}  // namespace brixel::cli
