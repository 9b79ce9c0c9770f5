// SPDX-License-Identifier: MIT
#pragma once
// The one owner of the library in a process: it runs the catalogue's
// operations one at a time (from any thread), with the device session they
// need, and returns one outcome each: the result document, the console lines
// and warnings of that run alone, whether a device was reached and answered,
// and whether it confirmed. brixelctl, the panel and the Python module each
// have one and only adapt what it returns.

#include <BrixelPlatform.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/exit_codes.h"
#include "toolkit/operations.h"
#include "toolkit/remembered_settings.h"
#include "toolkit/result_document.h"
#include "toolkit/usb_trace.h"

namespace brixel::toolkit {

class DeviceSession;

// Where the devices are: a USB layer, and what goes with it (a simulated
// device's state kept in a file is read before a run and kept after a change).
struct Transport {
    const BRIXEL_USB_LAYER* layer = nullptr;  // nullptr: the platform's own
    // When set, asked before each run that reaches for a device (told
    // whether it changes it) for the layer to use, which it may make only
    // now; nullptr with `error` set stops the run before anything is sent.
    std::function<const BRIXEL_USB_LAYER*(bool changes, std::string& error)> beforeRun;
    // When set, asked first by each run that reaches for a device: whether
    // devices can be looked for at all (on Windows, whether the library's
    // DLLs load); false with `error` set is no device, and nothing is called.
    std::function<bool(std::string& error)> reachable;
    // After such a run, told whether it changed the device.
    std::function<bool(bool changed, std::string& error)> afterRun;
};

struct OwnerOptions {
    Transport transport;
    // Each USB call described, when set.
    UsbTrace::Sink trace;
    // Each console line and warning line ("BrixelLibrary warning: ...") as it comes.
    std::function<void(std::string_view line)> onConsoleLine;
    std::function<void(std::string_view line)> onWarning;
    // Where a setting the device confirmed is remembered, when set.
    std::optional<SettingMemory> memory;
};

// How far a run got towards a device.
enum class Reach : uint8_t {
    notAsked,  // the operation needs no device, or was refused first
    noDevice,  // none found, or it could not be opened
    silent,    // opened, and it did not answer
    answered,  // it answered, whatever it said
};

struct Outcome {
    ResultDocument doc;
    std::vector<uint8_t> data;  // bytes read or made (EDIDs)
    // What the operation acted on, and what confirmation means for it.
    std::string subject;
    std::string_view confirmedText;
    bool changesDevice = false;  // the operation's, whatever came of it
    // Refused before anything was sent: its inputs' problems, or the state of
    // a simulated device that could not be read.
    bool refused = false;
    bool malformed = false;     // the inputs' shape was wrong, not what they hold
    bool unavailable = false;   // the devices could not be reached for (a state file unreadable)
    std::string_view override;  // the input that would have let a refused run go on
    std::string refusal;        // the sentence heading the problems
    Reach reach = Reach::notAsked;
    bool passed = true;        // a check the run was asked for held
    bool deviceFound = false;  // a device was found, whether or not it opened

    bool confirmed() const { return doc.confirmed.value_or(false); }
    ExitCode exitCode() const;
};

// Per run, for a front end that shows progress.
struct RunOptions {
    // Just before a device is asked, with the outcome so far (its notes, its subject).
    std::function<void(const Outcome&)> beforeSending;
    // Each wait the library makes (one after each EDID data frame).
    std::function<void()> onWait;
};

// What a front end sharing the owner with others is told as it happens.
// Called under the owner's lock: a watcher keeps what it is told and runs
// nothing through the owner from there.
struct OwnerWatcher {
    std::function<void(std::string_view line)> onConsoleLine;
    std::function<void(std::string_view line)> onWarning;
    // Each run's outcome once it is over, whoever asked for it.
    std::function<void(const Outcome&)> onOutcome;
};

class DeviceOwner {
public:
    explicit DeviceOwner(OwnerOptions options);
    // Closes a session still open.
    ~DeviceOwner();
    DeviceOwner(const DeviceOwner&) = delete;
    DeviceOwner& operator=(const DeviceOwner&) = delete;

    // Runs `operation` with `inputs` on the device attached at `devicePath`
    // (any Brixel when empty). Refused operations reach no device.
    Outcome run(const Operation& operation, const Inputs& inputs, const std::string& devicePath = {},
                const RunOptions& options = {});
    // The same by name; an unknown name is refused.
    Outcome run(std::string_view name, const Inputs& inputs, const std::string& devicePath = {},
                const RunOptions& options = {});

    // While held, the device at `path` stays open between runs; holds count.
    // A run that gets no answer from it closes it all the same, so that a
    // device unplugged and plugged in again is found anew by the next run.
    // The last release closes it: what closing printed and warned comes back.
    void hold(const std::string& path);
    Outcome release(const std::string& path);

    // Another transport from now on; a session still open is closed first,
    // and what closing printed and warned comes back.
    Outcome setTransport(Transport transport);

    // Tells `watcher` of every run from now on, until unwatch(the number returned).
    unsigned watch(OwnerWatcher watcher);
    void unwatch(unsigned number);

private:
    Outcome runLocked(const Operation& operation, const Inputs& inputs, const std::string& path,
                      const RunOptions& options);
    void remember(const Operation& operation, Outcome& outcome);
    void runOpened(Plan& plan, const std::string& path, const RunOptions& options, Outcome& outcome);
    bool openSession(const BRIXEL_USB_LAYER& layer, const std::string& path, std::string& error);
    void closeSession();
    void takeLines(ResultDocument& doc);

    std::mutex mutex_;
    OwnerOptions options_;
    std::unique_ptr<DeviceSession> session_;
    std::string sessionPath_;
    const BRIXEL_USB_LAYER* sessionLayer_ = nullptr;
    std::map<std::string, unsigned> holds_;
    std::map<unsigned, OwnerWatcher> watchers_;
    unsigned lastWatcher_ = 0;
    // The library's console lines and warnings (without their prefix) since
    // they were last handed out.
    std::vector<std::string> messages_;
    std::vector<std::string> warnings_;
};

}  // namespace brixel::toolkit
