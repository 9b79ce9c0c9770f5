#include "cli/context.h"

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/console_capture.h"
#include "link/connection.h"
#include "platform/platform.h"
#include "sim/library_adapter.h"
#include "sim/state_file.h"

namespace brixel::cli {
namespace {

int exitCode = exitConfirmed;

volatile std::sig_atomic_t interruptFlag = 0;

void onInterrupt(int) { interruptFlag = 1; }

// Warnings of the library, collected while a command runs.
Context* current = nullptr;

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += (c >= 0 && c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

void collectWarning(const wchar_t* text) {
    if (!current) return;
    const std::string line = narrow(text ? text : L"");
    // The receive-queue warning can come once per poll; keep each text once in a row.
    if (!current->warnings.empty() && current->warnings.back() == line) return;
    current->warnings.push_back(line);
    if (!current->json) std::fprintf(stderr, "BrixelLibrary warning: %s\n", line.c_str());
}

}  // namespace

void setExitCode(int code) { exitCode = code; }
int commandExitCode() { return exitCode; }

bool Context::interrupted() { return interruptFlag != 0; }

bool Context::openSession(std::string& error) {
    current = this;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // A second Ctrl-C ends the tool at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    if (simulate) {
        simulator_ = std::make_unique<sim::Simulator>(sim::Clock::realTime);
        simulator_->tracing = false;
        auto& device = simulator_->addDevice();
        stateFilePath_ = stateFile.empty() ? sim::defaultStateFile() : std::filesystem::path(stateFile);
        if (!fresh && !sim::loadStateFile(device.model, stateFilePath_, error)) return false;
        keepState_ = true;
        simulator_->onWarning = [](const std::wstring& text) { collectWarning(text.c_str()); };
        if (!sim::install(*simulator_)) {
            error = "the simulated device could not be installed";
            return false;
        }
    } else {
        const BRIXEL_HOST& own = platform::defaultHost();
        const BRIXEL_HOST host{own.tickCount, own.sleep, collectWarning};
        brixelSetHost(&host);
    }
    LeaveDeviceOpen();
    return true;
}

void Context::closeSession() {
    DeviceClose();
    if (simulator_) {
        std::string error;
        // A state file that could not be read is left for the user to look at.
        if (keepState_ && !sim::saveStateFile(simulator_->device().model, stateFilePath_, error))
            std::fprintf(stderr, "brixelctl: the simulated device's state was not kept: %s\n", error.c_str());
        sim::uninstall(*simulator_);
        simulator_.reset();
        keepState_ = false;
    } else {
        brixelSetHost(nullptr);
    }
    current = nullptr;
}

int Context::session(const std::function<bool()>& operation) {
    std::string error;
    if (!openSession(error)) {
        std::fprintf(stderr, "brixelctl: %s\n", error.c_str());
        closeSession();
        return exitUsage;
    }
    bool confirmed = false;
    try {
        confirmed = operation();
    } catch (...) {
        closeSession();
        throw;
    }
    const bool noDevice =
        !simulate && std::find(warnings.begin(), warnings.end(), narrow(notConnectedWarning)) != warnings.end();
    closeSession();
    if (noDevice && !json)
        std::fprintf(stderr,
                     "brixelctl: no Brixel was found. Check the USB cable, run `brixelctl doctor`, "
                     "or try the simulated device with --simulate.\n");
    return confirmed ? exitConfirmed : exitNotConfirmed;
}

void Context::command(const std::function<bool()>& operation) {
    const int code = session(operation);
    emitJson(code == exitConfirmed);
    setExitCode(code);
}

bool Context::call(const std::function<bool()>& libraryCall) {
    bool ok = false;
    const std::string text = captureStdout([&] { ok = libraryCall(); });
    for (auto& line : splitLines(text)) {
        if (!json) std::fprintf(stderr, "BrixelLibrary: %s\n", line.c_str());
        consoleLines.push_back(std::move(line));
    }
    return ok;
}

void Context::emitJson(bool confirmed) {
    if (!json) return;
    result["confirmed"] = confirmed;
    result["messages"] = consoleLines;
    result["warnings"] = warnings;
    std::cout << result.dump(2) << '\n';
}

}  // namespace brixel::cli
