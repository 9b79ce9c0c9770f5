// SPDX-License-Identifier: MIT
#include "cli/context.h"

#include <cstdio>
#include <filesystem>

#include "cli/console.h"
#include "toolkit/files.h"
#include "toolkit/simulated_devices.h"
#include "toolkit/tool_host.h"

namespace brixel::cli {
namespace {

int exitCode = exitConfirmed;

const std::string notFoundHint =
    "no Brixel was found. Check the USB cable, run `brixelctl doctor`, or try the simulated device with --simulate.";
const std::string noSimulatedHint = "no simulated Brixel answered (--devices 0, or a fault given with --fault).";
const std::string notOpenedText =
    "a Brixel was found but could not be opened (the library's warning says more; "
    "`brixelctl doctor` checks permissions).";

void printLine(std::FILE* stream, std::string_view line) {
    std::fprintf(stream, "%.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace

void setExitCode(int code) { exitCode = code; }
int commandExitCode() { return exitCode; }

std::string commandPath(const CLI::App& app) {
    std::string path;
    const CLI::App* at = &app;
    while (true) {
        const auto parsed = at->get_subcommands();
        if (parsed.empty()) break;
        at = parsed.front();
        path += (path.empty() ? "" : " ") + at->get_name();
    }
    return path;
}

std::string optionName(std::string_view input) {
    std::string name = "--";
    for (const char c : input) {
        if (c >= 'A' && c <= 'Z') {
            name += '-';
            name += static_cast<char>(c - 'A' + 'a');
        } else {
            name += c;
        }
    }
    return name;
}

bool Context::interrupted() { return console::interrupted(); }

Context::Context() = default;
Context::~Context() = default;

void Context::checkOptions(const CLI::App& app) const {
    if (simulate) return;
    for (const char* option : {"--fresh", "--state-file", "--devices", "--fault"})
        if (app.count(option) > 0)
            throw CLI::ValidationError(std::string(option) + " is for the simulated device: add --simulate");
}

void Context::note(const std::string& text) const { std::fprintf(stderr, "brixelctl: %s\n", text.c_str()); }

const BRIXEL_USB_LAYER* Context::layerFor(bool readOnly, std::string& error) {
    if (!simulate) return transport ? transport : brixelGetPlatformUsbLayer();
    if (simulated_) {
        // A watching run sees what other runs changed since.
        if (readOnly && !simulated_->reload(error)) return nullptr;
        return &simulated_->layer();
    }
    toolkit::SimulationOptions options{stateFile, fresh, devices, faults, readOnly};
    simulated_ = toolkit::SimulatedDevices::start(options, error);
    return simulated_ ? &simulated_->layer() : nullptr;
}

toolkit::DeviceOwner& Context::owner() {
    if (!owner_) {
        toolkit::OwnerOptions options;
        // Only a run that reaches for the device needs the library's DLLs (Windows).
        options.transport.reachable = [this](std::string& error) {
            if (console::libraryLoadable(simulate, error)) return true;
            libraryProblem_ = error;
            return false;
        };
        options.transport.beforeRun = [this](bool, std::string& error) { return layerFor(readOnly_, error); };
        if (verbose) options.trace = [](std::string_view line) { printLine(stderr, line); };
        options.onConsoleLine = [this](std::string_view line) {
            if (!json && !quiet)
                std::fprintf(stderr, "BrixelLibrary: %.*s\n", static_cast<int>(line.size()), line.data());
        };
        options.onWarning = [this](std::string_view line) {
            if (!json) printLine(stderr, line);
        };
        options.memory = settingMemory("brixelctl");
        owner_ = std::make_unique<toolkit::DeviceOwner>(std::move(options));
    }
    return *owner_;
}

void Context::begin(bool readOnly) {
    console::catchInterrupts();
    readOnly_ = readOnly;
    owner().hold(devicePath);
}

Outcome Context::run(const std::string& name, const toolkit::Inputs& inputs, const toolkit::RunOptions& options) {
    return owner().run(name, inputs, devicePath, options);
}

int Context::end(int code) {
    if (owner_) {
        // What closing the device printed and warned has been shown as it came.
        owner_->release(devicePath);
        owner_.reset();
    }
    if (simulated_) {
        std::string error;
        if (!simulated_->keep(error)) note("the simulated device's state was not kept: " + error);
        simulated_.reset();
    }
    return code;
}

toolkit::SettingMemory Context::settingMemory(std::string by) const {
    std::string device;
    if (simulate) {
        std::error_code ec;
        const std::string file = stateFile.empty()
                                     ? "default"
                                     : toolkit::pathText(std::filesystem::absolute(toolkit::utf8Path(stateFile), ec));
        device = "sim:" + file + " " + (devicePath.empty() ? "sim:1" : devicePath);
    } else {
        device = "usb:" + (devicePath.empty() ? std::string("any") : devicePath);
    }
    return {toolkit::defaultSettingMemoryFile(), device, std::move(by)};
}

std::string Context::noDeviceText(const Outcome& outcome) const {
    if (!libraryProblem_.empty()) return libraryProblem_;
    if (outcome.deviceFound) return notOpenedText;
    if (!devicePath.empty())
        return "no Brixel is attached at " + devicePath + "; `brixelctl list` shows where they are.";
    return simulate ? noSimulatedHint : notFoundHint;
}

toolkit::ResultDocument Context::document(const Outcome& outcome) const {
    toolkit::ResultDocument doc = outcome.doc;
    if (outcome.refused && !outcome.override.empty())
        doc.error = outcome.refusal + "; " + optionName(outcome.override) + " writes it as it is";
    else if (outcome.refused && !outcome.refusal.empty()) {
        std::string text = outcome.refusal + ":";
        for (const auto& problem : outcome.doc.problems) text += "\n  " + problem;
        doc.error = text;
    }
    if (!outcome.refused && outcome.reach == toolkit::Reach::noDevice && !outcome.confirmed())
        doc.error = noDeviceText(outcome);
    return doc;
}

void Context::emitJson(const toolkit::ResultDocument& doc, bool oneLine) const {
    std::printf("%s\n", toolkit::jsonText(doc.toJson(), oneLine ? -1 : 2).c_str());
    std::fflush(stdout);
}

void Context::finishWithoutDevice(toolkit::ResultDocument doc) {
    doc.confirmed.reset();
    if (json) emitJson(doc);
    setExitCode(exitConfirmed);
}

void Context::showRefusal(const Outcome& outcome) const {
    const auto doc = document(outcome);
    // With an override the problems are listed first, each on its line, then the verdict.
    if (!outcome.override.empty())
        for (const auto& problem : outcome.doc.problems) note(problem);
    note(*doc.error);
}

void Context::showOutcome(const Outcome& outcome) const {
    if (outcome.reach == toolkit::Reach::noDevice && !outcome.confirmed()) {
        // Where the device was found, the library's own warning has said why it did not open.
        if (!outcome.deviceFound) note(noDeviceText(outcome));
        return;
    }
    // A confirmed run whose check failed says why.
    if (outcome.confirmed() && !outcome.passed && outcome.doc.error) {
        note(*outcome.doc.error);
        return;
    }
    // What reads the device shows what it read instead.
    if (outcome.reach == toolkit::Reach::notAsked || !outcome.changesDevice) return;
    std::printf("%s: %s\n", outcome.subject.c_str(),
                outcome.confirmed() ? std::string(outcome.confirmedText).c_str() : "NOT confirmed by the device");
}

Outcome Context::command(const std::string& name, const toolkit::Inputs& inputs, const Show& show) {
    begin(false);
    toolkit::RunOptions options;
    if (!json) {
        options.beforeSending = [&](const Outcome& so) {
            for (const auto& n : so.doc.notes) note("note: " + n);
            if (!so.doc.problems.empty())
                for (const auto& problem : so.doc.problems) note(problem);
            if (show.beforeSending) show.beforeSending(so);
        };
        options.onWait = show.onWait;
    }
    Outcome outcome = run(name, inputs, options);
    end(0);
    if (!outcome.refused && !json && outcome.reach == toolkit::Reach::notAsked)
        for (const auto& n : outcome.doc.notes) note("note: " + n);
    if (!outcome.refused && show.after) show.after(outcome);
    if (outcome.refused && show.refused) show.refused(outcome);
    if (json)
        emitJson(document(outcome));
    else if (outcome.refused)
        showRefusal(outcome);
    else
        showOutcome(outcome);
    setExitCode(outcome.exitCode());
    return outcome;
}

}  // namespace brixel::cli
