// SPDX-License-Identifier: MIT
#include "toolkit/device_owner.h"

#include <utility>

#include "settings/argument_names.h"
#include "text/warning_lines.h"
#include "toolkit/device_session.h"

namespace brixel::toolkit {
namespace {

std::string joined(const std::vector<std::string>& lines, std::string_view separator) {
    std::string text;
    for (const auto& line : lines) text.append(text.empty() ? "" : separator).append(line);
    return text;
}

// The devices could not be reached for: refused before anything was sent.
Outcome unavailable(Outcome outcome, const std::string& error) {
    outcome.refused = true;
    outcome.unavailable = true;
    outcome.doc.error = error;
    outcome.doc.problems.push_back(error);
    return outcome;
}

Outcome refusedOutcome(std::string_view command, std::vector<std::string> problems, bool malformed) {
    Outcome outcome;
    outcome.doc.command = command;
    outcome.refused = true;
    outcome.malformed = malformed;
    outcome.doc.error = joined(problems, "; ");
    outcome.doc.problems = std::move(problems);
    return outcome;
}

}  // namespace

ExitCode Outcome::exitCode() const {
    if (refused) return exitUsage;
    if (reach == Reach::notAsked) return passed ? exitConfirmed : exitNotConfirmed;
    if (confirmed()) return passed ? exitConfirmed : exitNotConfirmed;
    return reach == Reach::noDevice ? exitNoDevice : exitNotConfirmed;
}

DeviceOwner::DeviceOwner(OwnerOptions options) : options_(std::move(options)) {}

DeviceOwner::~DeviceOwner() { closeSession(); }

void DeviceOwner::closeSession() {
    session_.reset();
    sessionPath_.clear();
    sessionLayer_ = nullptr;
}

bool DeviceOwner::openSession(const BRIXEL_USB_LAYER& layer, const std::string& path, std::string& error) {
    if (session_ && sessionPath_ == path && sessionLayer_ == &layer) return true;
    closeSession();
    SessionOptions session;
    session.transport = &layer;
    session.devicePath = path;
    session.trace = options_.trace;
    // Kept here, not in the session, so that what closing it says is kept too.
    session.onConsoleLine = [this](std::string_view line) {
        if (options_.onConsoleLine) options_.onConsoleLine(line);
        for (const auto& [number, watcher] : watchers_)
            if (watcher.onConsoleLine) watcher.onConsoleLine(line);
        messages_.emplace_back(line);
    };
    session.onWarning = [this](std::string_view line) {
        if (options_.onWarning) options_.onWarning(line);
        for (const auto& [number, watcher] : watchers_)
            if (watcher.onWarning) watcher.onWarning(line);
        if (line.starts_with(text::warningPrefix)) line.remove_prefix(text::warningPrefix.size());
        warnings_.emplace_back(line);
    };
    session_ = DeviceSession::open(std::move(session), error);
    if (!session_) return false;
    sessionPath_ = path;
    sessionLayer_ = &layer;
    return true;
}

void DeviceOwner::takeLines(ResultDocument& doc) {
    doc.messages.insert(doc.messages.end(), messages_.begin(), messages_.end());
    doc.warnings.insert(doc.warnings.end(), warnings_.begin(), warnings_.end());
    messages_.clear();
    warnings_.clear();
}

Outcome DeviceOwner::run(const Operation& operation, const Inputs& inputs, const std::string& devicePath,
                         const RunOptions& options) {
    std::lock_guard lock(mutex_);
    Outcome outcome = runLocked(operation, inputs, devicePath, options);
    for (const auto& [number, watcher] : watchers_)
        if (watcher.onOutcome) watcher.onOutcome(outcome);
    return outcome;
}

Outcome DeviceOwner::run(std::string_view name, const Inputs& inputs, const std::string& devicePath,
                         const RunOptions& options) {
    const Operation* operation = findOperation(name);
    if (!operation) return refusedOutcome(name, {"no operation is called '" + std::string(name) + "'"}, true);
    return run(*operation, inputs, devicePath, options);
}

Outcome DeviceOwner::runLocked(const Operation& operation, const Inputs& inputs, const std::string& path,
                               const RunOptions& options) {
    // Planned under the lock: a plan may make a library call of its own (reset3x).
    Plan plan = planFor(operation, inputs);
    const bool refused = !plan.problems.empty() && !plan.overridden;
    Outcome outcome;
    outcome.doc.command = operation.name;
    outcome.doc.notes = plan.notes;
    outcome.doc.problems = plan.problems;
    outcome.doc.result = std::move(plan.result);
    outcome.subject = std::move(plan.subject);
    outcome.confirmedText = plan.confirmedText;
    outcome.changesDevice = operation.changesDevice;
    outcome.data = std::move(plan.data);
    outcome.passed = plan.passed;
    if (refused) {
        outcome.refused = true;
        outcome.malformed = plan.malformed;
        outcome.override = plan.override;
        outcome.refusal = plan.refusal;
        outcome.doc.error =
            plan.refusal.empty() ? joined(plan.problems, "; ") : plan.refusal + ": " + joined(plan.problems, "; ");
        return outcome;
    }
    if (!plan.run) return outcome;

    const Transport& transport = options_.transport;
    std::string error;
    if (transport.reachable && !transport.reachable(error)) {
        outcome.reach = Reach::noDevice;
        outcome.doc.confirmed = false;
        outcome.doc.error = error;
        return outcome;
    }
    const BRIXEL_USB_LAYER* layer = transport.layer ? transport.layer : brixelGetPlatformUsbLayer();
    if (transport.beforeRun) layer = transport.beforeRun(operation.changesDevice, error);
    if (!layer) return unavailable(std::move(outcome), error);
    // Once readied, the transport is told the run is over on every path.
    const auto finished = [&] {
        std::string keepError;
        if (transport.afterRun && !transport.afterRun(operation.changesDevice, keepError))
            outcome.doc.warnings.push_back(keepError);
    };
    try {
        if (!openSession(*layer, path, error)) {
            finished();
            return unavailable(std::move(outcome), error);
        }
        runOpened(plan, path, options, outcome);
    } catch (...) {
        finished();
        throw;
    }
    finished();
    if (outcome.confirmed()) remember(operation, outcome);
    return outcome;
}

void DeviceOwner::remember(const Operation& operation, Outcome& outcome) {
    if (!options_.memory) return;
    const auto& result = outcome.doc.result;
    // The raw write of a code that a setting by name sends is that setting's.
    const Operation* setting = operation.setting ? &operation : nullptr;
    if (!setting && result.contains("code")) setting = settingOperation(result.at("code").get<int>());
    if (!setting || !result.contains("value")) return;
    const auto value = result.at("value").get<uint8_t>();
    std::string error;
    // A factory reset brings back settings nobody here gave: none is known.
    const bool kept =
        setting->setting->code == BRIXEL_CMD_FACTORY_RESET
            ? forgetSettings(*options_.memory, error)
            : rememberSetting(*options_.memory, setting->name, value, nameOf(setting->setting->argument, value), error);
    if (!kept) outcome.doc.warnings.push_back("the setting was not remembered: " + error);
}

void DeviceOwner::runOpened(Plan& plan, const std::string& path, const RunOptions& options, Outcome& outcome) {
    DeviceSession& session = *session_;
    // A warning still being folded from an earlier run arrives with this one.

    const bool openBefore = session.deviceOpen();
    const unsigned opensBefore = session.opens();
    const unsigned answersBefore = session.answers();
    std::optional<bool> reached;
    RunContext context{outcome.doc.result,
                       outcome.data,
                       session.layer(),
                       [&session](const std::function<bool()>& call) { return session.call(call); },
                       [&] { return openBefore || session.opens() > opensBefore; },
                       warnings_,
                       outcome.passed,
                       reached,
                       outcome.doc};
    if (options.beforeSending) options.beforeSending(outcome);
    bool confirmed = false;
    if (options.onWait)
        confirmed = session.watchingWaits(options.onWait, [&] { return plan.run(context); });
    else
        confirmed = plan.run(context);

    const bool opened = reached.value_or(openBefore || session.opens() > opensBefore);
    outcome.reach = !opened ? Reach::noDevice : session.answers() > answersBefore ? Reach::answered : Reach::silent;
    outcome.deviceFound = session.deviceFound();
    outcome.doc.confirmed = confirmed;
    // Each run's warnings are its own: a run of one warning is counted within it.
    session.flushWarnings();
    // Unless held, the session ends with the run, and what closing says is the
    // run's. A held device that did not answer may have been unplugged: the
    // handle kept would stay dead, so the next run looks for the device anew.
    const auto held = holds_.find(path);
    if (held == holds_.end() || held->second == 0 || outcome.reach != Reach::answered) closeSession();
    takeLines(outcome.doc);
    if (outcome.reach == Reach::noDevice && !confirmed) outcome.doc.error = "no Brixel reachable";
    if (outcome.reach == Reach::silent && !confirmed) outcome.doc.error = "the device did not answer";
    if (outcome.reach == Reach::answered && !confirmed) outcome.doc.error = std::string(plan.unconfirmedText);
}

void DeviceOwner::hold(const std::string& path) {
    std::lock_guard lock(mutex_);
    ++holds_[path];
}

Outcome DeviceOwner::release(const std::string& path) {
    std::lock_guard lock(mutex_);
    Outcome outcome;
    outcome.doc.command = "release";
    const auto held = holds_.find(path);
    if (held != holds_.end() && --held->second == 0) {
        holds_.erase(held);
        if (session_ && sessionPath_ == path) closeSession();
    }
    takeLines(outcome.doc);
    return outcome;
}

unsigned DeviceOwner::watch(OwnerWatcher watcher) {
    std::lock_guard lock(mutex_);
    watchers_.emplace(++lastWatcher_, std::move(watcher));
    return lastWatcher_;
}

void DeviceOwner::unwatch(unsigned number) {
    std::lock_guard lock(mutex_);
    watchers_.erase(number);
}

Outcome DeviceOwner::setTransport(Transport transport) {
    std::lock_guard lock(mutex_);
    Outcome outcome;
    outcome.doc.command = "transport";
    closeSession();
    takeLines(outcome.doc);
    options_.transport = std::move(transport);
    return outcome;
}

}  // namespace brixel::toolkit
