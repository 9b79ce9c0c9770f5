#pragma once
// The library is one per process and its calls must not overlap, while a
// Python program may drive it from several threads. Every call goes through
// here, under one lock: the device session (the toolkit's, as brixelctl has
// it) is opened for the device a call names, kept open while a Device holds
// it, and what the library printed and warned during the call is handed back
// with the outcome, never printed.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/device_session.h"
#include "toolkit/exit_codes.h"
#include "toolkit/simulated_devices.h"

namespace brixel::python {

struct Outcome {
    bool confirmed = false;
    toolkit::ExitCode code = toolkit::exitNotConfirmed;
    std::vector<std::string> messages;  // the library's console lines
    std::vector<std::string> warnings;  // its warnings, without the prefix
};

class Calls {
public:
    static Calls& instance();
    ~Calls();

    // Runs `call` with the device at `path` (any Brixel when empty).
    // Throws std::runtime_error when the library would not take the session.
    Outcome run(const std::string& path, const std::function<bool()>& call);

    // Runs a library call that reaches no device (reset3x), still one at a time.
    void exclusive(const std::function<void()>& call);

    // While held, the device at `path` stays open between calls; holds count.
    // The last release closes it: what closing printed and warned comes back.
    void hold(const std::string& path);
    Outcome release(const std::string& path);

    // Simulated devices in memory take the place of USB until stopSimulator().
    // Throws std::invalid_argument for an unknown fault, std::logic_error when
    // one is running already. Returns where each device is attached.
    std::vector<std::string> startSimulator(unsigned devices, const std::vector<std::string>& faults);
    // Closes a session still open on them: what that printed and warned comes back.
    Outcome stopSimulator();
    bool simulating();

private:
    Calls() = default;
    void closeSession();
    Outcome takeLines();

    std::mutex mutex_;
    std::unique_ptr<toolkit::SimulatedDevices> simulated_;
    std::unique_ptr<toolkit::DeviceSession> session_;
    std::string sessionPath_;
    std::map<std::string, unsigned> holds_;
    // Filled by the session as the library prints and warns.
    std::vector<std::string> messages_;
    std::vector<std::string> warnings_;
};

}  // namespace brixel::python
