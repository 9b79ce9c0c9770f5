// SPDX-License-Identifier: MIT
#include "toolkit/simulated_devices.h"

#include <optional>

#include "sim/faults.h"
#include "sim/simulator.h"
#include "sim/state_file.h"
#include "toolkit/files.h"

namespace brixel::toolkit {

struct SimulatedDevices::Parts {
    sim::Simulator simulator{sim::Clock::realTime};
    BRIXEL_USB_LAYER layer{};
    std::filesystem::path stateFile;
    SimulationOptions options;
    std::optional<sim::StateFileLock> lock;
    // The devices its unplug file took away, to be plugged in again when it goes.
    std::vector<bool> unpluggedByFile;

    bool load(std::string& error) {
        for (std::size_t k = 0; k < simulator.deviceCount(); ++k) {
            sim::DeviceModel model;
            if (!sim::loadStateFile(model, deviceStateFile(stateFile, static_cast<unsigned>(k + 1)), error))
                return false;
            simulator.device(k).model = std::move(model);
            followUnplugFile(k);
        }
        return true;
    }

    void followUnplugFile(std::size_t k) {
        std::error_code unreadable;
        const bool away = std::filesystem::exists(unplugFile(stateFile, static_cast<unsigned>(k + 1)), unreadable);
        if (away && !unpluggedByFile[k] && simulator.device(k).attached) {
            simulator.unplug(k);
            unpluggedByFile[k] = true;
        } else if (!away && unpluggedByFile[k]) {
            simulator.plugIn(k);
            unpluggedByFile[k] = false;
        }
    }
};

std::string faultProblem(std::string_view text) {
    std::string error;
    return sim::parseFault(text, error) ? std::string() : error;
}

std::vector<FaultKindInfo> faultKindList() {
    std::vector<FaultKindInfo> list;
    for (const auto& kind : sim::faultKinds()) list.push_back({kind.name, kind.description, kind.atFrame});
    return list;
}

std::string faultKindsText() {
    std::string text;
    for (const auto& kind : faultKindList()) {
        std::string name(kind.name);
        if (kind.atFrame) name += "[@N]";
        text += "  " + name + std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') +
                std::string(kind.description) + "\n";
    }
    return text;
}

std::filesystem::path deviceStateFile(const std::filesystem::path& stateFile, unsigned number) {
    if (number <= 1) return stateFile;
    auto file = stateFile;
    auto name = stateFile.stem();
    name += "-";
    name += std::to_string(number);
    name += stateFile.extension();
    file.replace_filename(name);
    return file;
}

std::filesystem::path unplugFile(const std::filesystem::path& stateFile, unsigned number) {
    auto file = deviceStateFile(stateFile, number);
    file.replace_extension(".unplugged");
    return file;
}

SimulatedDevices::SimulatedDevices(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

std::unique_ptr<SimulatedDevices> SimulatedDevices::start(const SimulationOptions& options, std::string& error) {
    if (options.devices > maxSimulatedDevices) {
        error = "devices: 0 to " + std::to_string(maxSimulatedDevices) + ", not " + std::to_string(options.devices);
        return nullptr;
    }
    auto parts = std::make_unique<Parts>();
    parts->options = options;
    parts->simulator.tracing = false;
    if (!options.inMemory)
        parts->stateFile = options.stateFile.empty() ? sim::defaultStateFile() : utf8Path(options.stateFile);
    for (unsigned k = 0; k < options.devices; ++k) parts->simulator.addDevice();
    parts->unpluggedByFile.assign(options.devices, false);

    std::vector<sim::Fault> faults;
    for (const auto& text : options.faults) {
        const auto fault = sim::parseFault(text, error);
        if (!fault) return nullptr;
        faults.push_back(*fault);
    }

    if (!options.inMemory) {
        parts->lock = sim::StateFileLock::acquire(parts->stateFile, error);
        if (!parts->lock) return nullptr;
        // A state file that could not be read is left as it is, for the user to look at.
        if (!options.fresh && !parts->load(error)) return nullptr;
        if (options.fresh)
            for (std::size_t k = 0; k < parts->simulator.deviceCount(); ++k) parts->followUnplugFile(k);
        if (options.readOnly) parts->lock.reset();
    }

    for (const auto& fault : faults) {
        if (fault.kind->wholeLayer)
            fault.applyTo(parts->simulator, 0);
        else
            for (std::size_t k = 0; k < parts->simulator.deviceCount(); ++k) fault.applyTo(parts->simulator, k);
    }
    parts->layer = parts->simulator.usbLayer();
    parts->simulator.activate();
    return std::unique_ptr<SimulatedDevices>(new SimulatedDevices(std::move(parts)));
}

SimulatedDevices::~SimulatedDevices() { parts_->simulator.deactivate(); }

const BRIXEL_USB_LAYER& SimulatedDevices::layer() const { return parts_->layer; }

std::vector<std::string> SimulatedDevices::devicePaths() const {
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < parts_->simulator.deviceCount(); ++k)
        paths.push_back(parts_->simulator.device(k).linkName);
    return paths;
}

bool SimulatedDevices::reload(std::string& error) {
    if (parts_->options.fresh || parts_->options.inMemory) return true;
    auto lock = sim::StateFileLock::acquire(parts_->stateFile, error);
    return lock && parts_->load(error);
}

bool SimulatedDevices::reloadForChange(std::string& error) {
    if (parts_->options.fresh || parts_->options.inMemory || parts_->options.readOnly) return true;
    parts_->lock = sim::StateFileLock::acquire(parts_->stateFile, error);
    if (parts_->lock && parts_->load(error)) return true;
    // Nothing is saved over a state that could not be read.
    parts_->lock.reset();
    return false;
}

bool SimulatedDevices::keep(std::string& error) {
    bool kept = true;
    if (!parts_->options.readOnly && !parts_->options.inMemory) {
        for (std::size_t k = 0; k < parts_->simulator.deviceCount() && kept; ++k)
            kept = sim::saveStateFile(parts_->simulator.device(k).model,
                                      deviceStateFile(parts_->stateFile, static_cast<unsigned>(k + 1)), error);
    }
    parts_->lock.reset();
    return kept;
}

}  // namespace brixel::toolkit
