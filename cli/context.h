// SPDX-License-Identifier: MIT
#pragma once
// What every brixelctl command shares: the global options, the toolkit's
// owner of the library (over the simulated devices or USB, through the tool's
// own USB stack), how the library's console lines and warnings are shown, the
// result document and the exit code. A command maps its options to an
// operation's inputs and shows the outcome; the operation itself is the
// catalogue's.

#include <BrixelPlatform.h>

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/device_owner.h"
#include "toolkit/exit_codes.h"
#include "toolkit/result_document.h"

namespace brixel::toolkit {
class SimulatedDevices;
}  // namespace brixel::toolkit

namespace brixel::cli {

using toolkit::ExitCode;
using toolkit::exitConfirmed;
using toolkit::exitNoDevice;
using toolkit::exitNotConfirmed;
using toolkit::exitUsage;
using toolkit::Outcome;

// The library cannot be called on this machine (on Windows: no SiUSBXp.dll):
// the command ends with exit status 3, saying why.
class LibraryMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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

    // How a command shows its outcome to people.
    struct Show {
        // Just before the device is asked (what is about to be sent).
        std::function<void(const Outcome&)> beforeSending;
        // Once run, or made without a device, and not refused: what the
        // command does with the outcome (a file written, keys added to the
        // document) and, without --json, its text for people.
        std::function<void(Outcome&)> after;
        // Once refused: what the command shows of what was made, before the refusal is said.
        std::function<void(Outcome&)> refused;
        // Each wait the library makes while it runs (the EDID write's progress).
        std::function<void()> onWait;
    };

    // A whole command: the catalogue's operation `name` with `inputs`, its
    // outcome shown (text, or the document with --json) and the exit code set.
    // The device is held open for the command: discovery happens once.
    Outcome command(const std::string& name, const toolkit::Inputs& inputs, const Show& show = {});

    // A command of several runs (status --watch): begin(), run() each time,
    // then end() for the exit code. With `readOnly` a simulated device's
    // state is read again before each run and never saved.
    void begin(bool readOnly);
    Outcome run(const std::string& name, const toolkit::Inputs& inputs, const toolkit::RunOptions& options = {});
    int end(int code);

    // The document of an outcome as brixelctl gives it: the error texts said
    // the tool's way (its options, its no-device hints).
    toolkit::ResultDocument document(const Outcome& outcome) const;

    // Prints a document in --json mode: indented, or on one line.
    void emitJson(const toolkit::ResultDocument& doc, bool oneLine = false) const;

    // A command that asks nothing of a device, its document made by itself.
    void finishWithoutDevice(toolkit::ResultDocument doc);

    // A line of the tool's own on standard error ("brixelctl: TEXT").
    void note(const std::string& text) const;

    static bool interrupted();

    // Where the settings this tool and its panel give the device are remembered.
    toolkit::SettingMemory settingMemory(std::string by) const;

private:
    toolkit::DeviceOwner& owner();
    const BRIXEL_USB_LAYER* layerFor(bool readOnly, std::string& error);
    void showRefusal(const Outcome& outcome) const;
    void showOutcome(const Outcome& outcome) const;
    std::string noDeviceText(const Outcome& outcome) const;

    bool readOnly_ = false;
    std::string libraryProblem_;  // why the library's DLLs do not load, once a run found it (Windows)
    std::unique_ptr<toolkit::SimulatedDevices> simulated_;
    std::unique_ptr<toolkit::DeviceOwner> owner_;
};

// Registration of each command family.
void addSettingCommands(CLI::App& app, Context& ctx);
void addStatusCommands(CLI::App& app, Context& ctx);
void addEdidCommands(CLI::App& app, Context& ctx);
void addInfoFrameCommands(CLI::App& app, Context& ctx);
void addMatrixCommands(CLI::App& app, Context& ctx);
void addDoctorCommands(CLI::App& app, Context& ctx);
void addListCommands(CLI::App& app, Context& ctx);
void addServeCommands(CLI::App& app, Context& ctx);

// The exit code a command's callback produced.
void setExitCode(int code);
int commandExitCode();

// "edid set": the names of the subcommands parsed, under the top.
std::string commandPath(const CLI::App& app);

// An option's name as the tool spells it: "fixChecksums" is "--fix-checksums".
std::string optionName(std::string_view input);

}  // namespace brixel::cli
