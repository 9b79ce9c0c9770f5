#include "sim/state_file.h"

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

namespace brixel::sim {

std::filesystem::path defaultStateFile() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = std::filesystem::temp_directory_path();
    return base / "brixelctl" / "simulated-device.json";
}

bool loadStateFile(DeviceModel& model, const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return true;
    std::ifstream in(file);
    if (!in) {
        error = "cannot read " + file.string();
        return false;
    }
    try {
        model.load(nlohmann::json::parse(in));
    } catch (const std::exception& e) {
        error = file.string() + " is not a simulated device state (" + e.what() + "); start afresh with --fresh";
        return false;
    }
    return true;
}

bool saveStateFile(const DeviceModel& model, const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    // Written beside and renamed, so an interrupted run never leaves half a file.
    const auto temporary = std::filesystem::path(file.string() + ".tmp");
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
        out << model.save().dump(1) << '\n';
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        error = "cannot replace " + file.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace brixel::sim
