#pragma once
// What every brixelctl command shares: the global options, the device session
// (simulated or real), the library's console lines and warnings, and output.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/simulator.h"

namespace brixel::cli {

enum ExitCode : int { exitConfirmed = 0, exitNotConfirmed = 1, exitUsage = 2 };

class Context {
public:
    // Global options.
    bool simulate = false;
    bool json = false;
    bool fresh = false;
    std::string stateFile;

    // Runs `operation` with the device held open for the whole command:
    // discovery happens once, and the device is closed at the end, also when
    // the operation throws. Returns the exit code.
    int session(const std::function<bool()>& operation);

    // A whole command: the session, then the JSON result, then the exit code.
    void command(const std::function<bool()>& operation);

    // Runs one library call, collecting what it prints and warns.
    bool call(const std::function<bool()>& libraryCall);

    // The simulator in use (nullptr on real hardware or outside a session).
    sim::Simulator* simulator() { return simulator_.get(); }

    // Lines the library printed and warnings it showed during this command.
    std::vector<std::string> consoleLines;
    std::vector<std::string> warnings;

    // The result document for --json; commands fill it.
    nlohmann::json result = nlohmann::json::object();

    // Finishes a command: prints `result` as JSON in --json mode.
    void emitJson(bool confirmed);

    static bool interrupted();

private:
    bool openSession(std::string& error);
    void closeSession();

    std::unique_ptr<sim::Simulator> simulator_;
    std::filesystem::path stateFilePath_;
    bool keepState_ = false;
};

// Registration of each command family.
void addSettingCommands(CLI::App& app, Context& ctx);
void addStatusCommands(CLI::App& app, Context& ctx);
void addEdidCommands(CLI::App& app, Context& ctx);
void addInfoFrameCommands(CLI::App& app, Context& ctx);
void addMatrixCommands(CLI::App& app, Context& ctx);
void addDoctorCommands(CLI::App& app, Context& ctx);

// The exit code a command's callback produced.
void setExitCode(int code);
int commandExitCode();

}  // namespace brixel::cli
