#pragma once
// What every brixelctl command shares: the global options, the device session
// (simulated or real), the library's console lines and warnings, and output.

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::cli {

class SimulatedDevice;
class ToolHost;

enum ExitCode : int { exitConfirmed = 0, exitNotConfirmed = 1, exitUsage = 2 };

class Context {
public:
    Context();
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

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

    // Runs `run` with `onWait` called for each wait the library asks of the host.
    bool watchingWaits(const std::function<void()>& onWait, const std::function<bool()>& run);

    // Lines the library printed and warnings it showed during this command; a
    // run of the same warning within a second ends in one entry with its count.
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
    void onWarning(std::string_view text, unsigned repeats);

    std::unique_ptr<SimulatedDevice> simulated_;
    std::unique_ptr<ToolHost> host_;
    bool noDevice_ = false;
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
