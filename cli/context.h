#pragma once
// What every brixelctl command shares: the global options, the device session
// (simulated or real, through the tool's own USB stack), how the library's
// console lines and warnings are shown, the result document and the exit code.

#include <BrixelPlatform.h>

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/exit_codes.h"
#include "toolkit/result_document.h"

namespace brixel::toolkit {
class DeviceSession;
class SimulatedDevices;
}  // namespace brixel::toolkit

namespace brixel::cli {

using toolkit::ExitCode;
using toolkit::exitConfirmed;
using toolkit::exitNoDevice;
using toolkit::exitNotConfirmed;
using toolkit::exitUsage;

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
    bool quiet = false;    // no console lines of the library
    bool verbose = false;  // every USB call traced on standard error
    bool yes = false;      // no questions asked
    std::string stateFile;
    std::string devicePath;
    unsigned devices = 1;
    std::vector<std::string> faults;
    // In place of the platform's USB layer at the bottom of the stack (tests).
    const BRIXEL_USB_LAYER* transport = nullptr;

    // The options that only make sense together; throws CLI::ValidationError.
    void checkOptions(const CLI::App& app) const;

    // Runs `operation` with the device held open for the whole command:
    // discovery happens once, and the device is closed at the end, also when
    // the operation throws. With `readOnly` a simulated device's state is
    // re-read by refresh() and never saved. Returns the exit code.
    int session(const std::function<bool()>& operation, bool readOnly = false);

    // A whole command: the session, then the result document, then the exit code.
    void command(const std::string& name, const std::function<bool()>& operation);

    // A command that asked nothing of a device ends here: exit 0.
    void finishWithoutDevice();

    // Runs one library call, collecting what it prints and warns.
    bool call(const std::function<bool()>& libraryCall);

    // Runs `run` with `onWait` called for each wait the library asks of the host.
    bool watchingWaits(const std::function<void()>& onWait, const std::function<bool()>& run);

    // Within a read-only session: what other runs changed since (simulated
    // devices are read again); false, with the reason shown, when it failed.
    bool refresh();

    // Within a session: a device has been opened.
    bool deviceReached() const;
    // Within a session: the USB stack the library is given.
    const BRIXEL_USB_LAYER& usbLayer() const;

    // Lines the library printed and warnings it showed during this command; a
    // run of the same warning within a second ends in one entry with its count.
    std::vector<std::string> consoleLines;
    std::vector<std::string> warnings;

    // The result document; commands fill doc.command and doc.result.
    toolkit::ResultDocument doc;

    // Prints the document in --json mode: indented, or on one line.
    void emitJson(bool oneLine = false);

    // A line of the tool's own on standard error ("brixelctl: TEXT"), and in
    // --json mode among the document's warnings.
    void note(const std::string& text);
    // "SUBJECT: confirmed by the device" (or `confirmedText`), or NOT confirmed;
    // nothing where no device was reached: the no-device line says so instead.
    void outcome(const std::string& subject, bool ok, const std::string& confirmedText = "confirmed by the device");

    static bool interrupted();

private:
    void onWarning(std::string_view line);
    void onConsoleLine(std::string_view line);
    std::string noDeviceText() const;

    std::unique_ptr<toolkit::SimulatedDevices> simulated_;
    std::unique_ptr<toolkit::DeviceSession> session_;
    bool deviceFound_ = false;
};

// Registration of each command family.
void addSettingCommands(CLI::App& app, Context& ctx);
void addStatusCommands(CLI::App& app, Context& ctx);
void addEdidCommands(CLI::App& app, Context& ctx);
void addInfoFrameCommands(CLI::App& app, Context& ctx);
void addMatrixCommands(CLI::App& app, Context& ctx);
void addDoctorCommands(CLI::App& app, Context& ctx);
void addListCommands(CLI::App& app, Context& ctx);

// The exit code a command's callback produced.
void setExitCode(int code);
int commandExitCode();

// "edid set": the names of the subcommands parsed, under the top.
std::string commandPath(const CLI::App& app);

}  // namespace brixel::cli
