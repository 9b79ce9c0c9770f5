#include "cli/context.h"

#include <BrixelLibrary.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/console_capture.h"
#include "cli/simulated_device.h"
#include "cli/tool_host.h"
#include "link/warning_texts.h"
#include "text/warning_lines.h"

namespace brixel::cli {
namespace {

int exitCode = exitConfirmed;

volatile std::sig_atomic_t interruptFlag = 0;

void onInterrupt(int) { interruptFlag = 1; }

}  // namespace

void setExitCode(int code) { exitCode = code; }
int commandExitCode() { return exitCode; }

bool Context::interrupted() { return interruptFlag != 0; }

Context::Context() = default;
Context::~Context() = default;

void Context::onWarning(std::string_view text, unsigned repeats) {
    static const std::string notConnected = warningText(notConnectedWarning);
    if (text == notConnected) noDevice_ = true;
    const std::string line = text::warningLine(text, repeats);
    if (!json) std::fprintf(stderr, "%s\n", line.c_str());
    warnings.push_back(line.substr(text::warningPrefix.size()));
}

bool Context::openSession(std::string& error) {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // A second Ctrl-C ends the tool at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    noDevice_ = false;
    if (simulate && !(simulated_ = SimulatedDevice::start(stateFile, fresh, error))) return false;
    // In place of the simulator's host too: its waits and warnings are the same to the tool.
    host_ = std::make_unique<ToolHost>([this](std::string_view text, unsigned repeats) { onWarning(text, repeats); });
    if (!host_->install()) {
        error = "the library's host services could not be replaced";
        return false;
    }
    LeaveDeviceOpen();
    return true;
}

void Context::closeSession() {
    DeviceClose();
    host_.reset();
    if (simulated_) {
        std::string error;
        if (!simulated_->keep(error))
            std::fprintf(stderr, "brixelctl: the simulated device's state was not kept: %s\n", error.c_str());
        simulated_.reset();
    }
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
    closeSession();
    if (noDevice_ && !simulate && !json)
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

bool Context::watchingWaits(const std::function<void()>& onWait, const std::function<bool()>& run) {
    if (!host_) return run();
    host_->onWait = [&onWait](uint32_t) { onWait(); };
    struct Unhook {
        ToolHost& host;
        ~Unhook() { host.onWait = nullptr; }
    } unhook{*host_};
    return run();
}

void Context::emitJson(bool confirmed) {
    if (!json) return;
    result["confirmed"] = confirmed;
    result["messages"] = consoleLines;
    result["warnings"] = warnings;
    std::cout << result.dump(2) << '\n';
}

}  // namespace brixel::cli
