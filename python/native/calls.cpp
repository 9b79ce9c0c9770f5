#include "python/native/calls.h"

#include <stdexcept>
#include <utility>

#include "platform/linux/tool_usb_layer.h"
#include "text/warning_lines.h"
#include "toolkit/tool_host.h"

namespace brixel::python {

Calls& Calls::instance() {
    static Calls calls;
    return calls;
}

Calls::~Calls() {
    closeSession();
    simulated_.reset();
}

void Calls::closeSession() {
    // A run of one warning still being folded is counted as the session ends.
    session_.reset();
    sessionPath_.clear();
}

Outcome Calls::run(const std::string& path, const std::function<bool()>& call) {
    std::lock_guard lock(mutex_);
    if (session_ && sessionPath_ != path) closeSession();
    if (!session_) {
        toolkit::SessionOptions options;
        options.transport = simulated_ ? &simulated_->layer() : &platform::toolUsbLayer(toolkit::ToolHost::warn);
        options.devicePath = path;
        options.onConsoleLine = [this](std::string_view line) { messages_.emplace_back(line); };
        options.onWarning = [this](std::string_view line) {
            if (line.starts_with(text::warningPrefix)) line.remove_prefix(text::warningPrefix.size());
            warnings_.emplace_back(line);
        };
        std::string error;
        session_ = toolkit::DeviceSession::open(std::move(options), error);
        if (!session_) throw std::runtime_error(error);
        sessionPath_ = path;
    }
    Outcome outcome;
    outcome.confirmed = session_->call(call);
    outcome.code = session_->exitCode(outcome.confirmed);
    const auto held = holds_.find(path);
    if (held == holds_.end() || held->second == 0) closeSession();
    Outcome lines = takeLines();
    outcome.messages = std::move(lines.messages);
    outcome.warnings = std::move(lines.warnings);
    return outcome;
}

void Calls::exclusive(const std::function<void()>& call) {
    std::lock_guard lock(mutex_);
    call();
}

Outcome Calls::takeLines() {
    Outcome lines;
    lines.messages = std::exchange(messages_, {});
    lines.warnings = std::exchange(warnings_, {});
    return lines;
}

void Calls::hold(const std::string& path) {
    std::lock_guard lock(mutex_);
    ++holds_[path];
}

Outcome Calls::release(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto held = holds_.find(path);
    if (held != holds_.end() && --held->second == 0) {
        holds_.erase(held);
        if (session_ && sessionPath_ == path) closeSession();
    }
    Outcome lines = takeLines();
    lines.confirmed = true;
    lines.code = toolkit::exitConfirmed;
    return lines;
}

std::vector<std::string> Calls::startSimulator(unsigned devices, const std::vector<std::string>& faults) {
    std::lock_guard lock(mutex_);
    if (simulated_) throw std::logic_error("a simulator is running already: one at a time");
    toolkit::SimulationOptions options;
    options.devices = devices;
    options.faults = faults;
    options.inMemory = true;
    std::string error;
    // The session that reached USB devices ends before the simulated ones appear.
    closeSession();
    auto started = toolkit::SimulatedDevices::start(options, error);
    if (!started) throw std::invalid_argument(error);
    simulated_ = std::move(started);
    return simulated_->devicePaths();
}

Outcome Calls::stopSimulator() {
    std::lock_guard lock(mutex_);
    closeSession();
    simulated_.reset();
    Outcome lines = takeLines();
    lines.confirmed = true;
    lines.code = toolkit::exitConfirmed;
    return lines;
}

bool Calls::simulating() {
    std::lock_guard lock(mutex_);
    return simulated_ != nullptr;
}

}  // namespace brixel::python
