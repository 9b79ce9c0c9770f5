#include "cli/context.h"

#include <csignal>
#include <cstdio>

#include "platform/linux/tool_usb_layer.h"
#include "text/warning_lines.h"
#include "toolkit/device_session.h"
#include "toolkit/simulated_devices.h"
#include "toolkit/tool_host.h"

namespace brixel::cli {
namespace {

int exitCode = exitConfirmed;

volatile std::sig_atomic_t interruptFlag = 0;

void onInterrupt(int) { interruptFlag = 1; }

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // A second Ctrl-C ends the tool at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const std::string notFoundHint =
    "no Brixel was found. Check the USB cable, run `brixelctl doctor`, or try the simulated device with --simulate.";
const std::string noSimulatedHint = "no simulated Brixel answered (--devices 0, or a fault given with --fault).";
const std::string notOpenedText =
    "a Brixel was found but could not be opened (the library's warning says more; "
    "`brixelctl doctor` checks permissions).";

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

bool Context::interrupted() { return interruptFlag != 0; }

Context::Context() = default;
Context::~Context() = default;

void Context::checkOptions(const CLI::App& app) const {
    if (simulate) return;
    for (const char* option : {"--fresh", "--state-file", "--devices", "--fault"})
        if (app.count(option) > 0)
            throw CLI::ValidationError(std::string(option) + " is for the simulated device: add --simulate");
}

void Context::onWarning(std::string_view line) {
    if (!json) std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    if (line.starts_with(text::warningPrefix)) line.remove_prefix(text::warningPrefix.size());
    warnings.emplace_back(line);
}

void Context::onConsoleLine(std::string_view line) {
    if (!json && !quiet) std::fprintf(stderr, "BrixelLibrary: %.*s\n", static_cast<int>(line.size()), line.data());
    consoleLines.emplace_back(line);
}

void Context::note(const std::string& text) {
    if (json)
        warnings.push_back("brixelctl: " + text);
    else
        std::fprintf(stderr, "brixelctl: %s\n", text.c_str());
}

void Context::outcome(const std::string& subject, bool ok, const std::string& confirmedText) {
    if (json || (!ok && !deviceReached())) return;
    std::printf("%s: %s\n", subject.c_str(), ok ? confirmedText.c_str() : "NOT confirmed by the device");
}

std::string Context::noDeviceText() const {
    if (deviceFound_) return notOpenedText;
    if (!devicePath.empty())
        return "no Brixel is attached at " + devicePath + "; `brixelctl list` shows where they are.";
    return simulate ? noSimulatedHint : notFoundHint;
}

int Context::session(const std::function<bool()>& operation, bool readOnly) {
    catchInterrupts();
    std::string error;
    const BRIXEL_USB_LAYER* bottom = transport;
    if (simulate) {
        toolkit::SimulationOptions options{stateFile, fresh, devices, faults, readOnly};
        simulated_ = toolkit::SimulatedDevices::start(options, error);
        if (!simulated_) {
            doc.error = error;
            if (!json) std::fprintf(stderr, "brixelctl: %s\n", error.c_str());
            return exitUsage;
        }
        bottom = &simulated_->layer();
    } else if (!bottom) {
        bottom = &platform::toolUsbLayer(toolkit::ToolHost::warn);
    }
    toolkit::SessionOptions options;
    options.transport = bottom;
    options.devicePath = devicePath;
    if (verbose)
        options.trace = [](std::string_view line) {
            std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
        };
    options.onConsoleLine = [this](std::string_view line) { onConsoleLine(line); };
    options.onWarning = [this](std::string_view line) { onWarning(line); };

    const auto close = [&] {
        if (session_) deviceFound_ = session_->deviceFound();
        session_.reset();
        if (simulated_) {
            std::string keepError;
            if (!simulated_->keep(keepError))
                std::fprintf(stderr, "brixelctl: the simulated device's state was not kept: %s\n", keepError.c_str());
            simulated_.reset();
        }
    };
    session_ = toolkit::DeviceSession::open(std::move(options), error);
    if (!session_) {
        close();
        doc.error = error;
        if (!json) std::fprintf(stderr, "brixelctl: %s\n", error.c_str());
        return exitUsage;
    }
    bool confirmed = false;
    int code = exitNotConfirmed;
    try {
        confirmed = operation();
        code = session_->exitCode(confirmed);
    } catch (...) {
        close();
        throw;
    }
    close();
    if (code == exitNoDevice) {
        doc.error = noDeviceText();
        // Where the device was found, the library's own warning has said why it did not open.
        if (!json && !deviceFound_) std::fprintf(stderr, "brixelctl: %s\n", doc.error->c_str());
    }
    return code;
}

void Context::command(const std::string& name, const std::function<bool()>& operation) {
    doc.command = name;
    const int code = session(operation);
    doc.confirmed = code == exitConfirmed;
    emitJson();
    setExitCode(code);
}

void Context::finishWithoutDevice() {
    doc.confirmed.reset();
    emitJson();
    setExitCode(exitConfirmed);
}

bool Context::call(const std::function<bool()>& libraryCall) {
    return session_ ? session_->call(libraryCall) : libraryCall();
}

bool Context::watchingWaits(const std::function<void()>& onWait, const std::function<bool()>& run) {
    return session_ ? session_->watchingWaits(onWait, run) : run();
}

bool Context::refresh() {
    if (!simulated_) return true;
    std::string error;
    if (simulated_->reload(error)) return true;
    note(error);
    return false;
}

bool Context::deviceReached() const { return session_ && session_->deviceReached(); }
const BRIXEL_USB_LAYER& Context::usbLayer() const { return session_->layer(); }

void Context::emitJson(bool oneLine) {
    if (!json) return;
    doc.messages = consoleLines;
    doc.warnings = warnings;
    std::printf("%s\n", toolkit::jsonText(doc.toJson(), oneLine ? -1 : 2).c_str());
    std::fflush(stdout);
}

}  // namespace brixel::cli
