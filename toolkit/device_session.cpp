// SPDX-License-Identifier: MIT
#include "toolkit/device_session.h"

#include <BrixelLibrary.h>

#include "text/warning_lines.h"
#include "toolkit/tool_host.h"
#include "toolkit/usb_device_filter.h"

namespace brixel::toolkit {

DeviceSession::DeviceSession(SessionOptions options) : options_(std::move(options)) {}

std::unique_ptr<DeviceSession> DeviceSession::open(SessionOptions options, std::string& error) {
    if (!options.transport) {
        error = "no USB layer to reach the device through";
        return nullptr;
    }
    std::unique_ptr<DeviceSession> session(new DeviceSession(std::move(options)));
    auto& self = *session;
    self.host_ =
        std::make_unique<ToolHost>([&self](std::string_view text, unsigned repeats) { self.onWarning(text, repeats); });
    if (!self.host_->install()) {
        error = "the library's host services could not be replaced";
        return nullptr;
    }
    self.filter_ = std::make_unique<UsbDeviceFilter>(*self.options_.transport, self.options_.devicePath);
    const BRIXEL_USB_LAYER* top = &self.filter_->layer();
    if (self.options_.trace) {
        self.trace_ = std::make_unique<UsbTrace>(*top, self.options_.trace);
        top = &self.trace_->layer();
    }
    self.top_ = top;
    if (!brixelSetUsbLayer(top)) {
        error = "the library holds a device open: its USB layer could not be replaced";
        return nullptr;
    }
    brixelSetConsoleSink(onConsoleText, &self);
    LeaveDeviceOpen();
    return session;
}

DeviceSession::~DeviceSession() {
    if (filter_) {
        DeviceClose();
        if (!pendingLine_.empty()) endLine();
        if (trace_) trace_->flush();
        brixelSetUsbLayer(nullptr);
        brixelSetConsoleSink(nullptr, nullptr);
    }
    host_.reset();
}

void DeviceSession::onWarning(std::string_view text, unsigned repeats) {
    const std::string line = text::warningLine(text, repeats);
    if (options_.onWarning) options_.onWarning(line);
}

// The library calls through a plain function pointer: nothing may be thrown
// back into it, so a line that cannot be kept is lost, no more.
void DeviceSession::onConsoleText(void* session, const char* text) {
    auto& self = *static_cast<DeviceSession*>(session);
    try {
        for (const char* c = text; *c; ++c) {
            if (*c == '\n')
                self.endLine();
            else
                self.pendingLine_ += *c;
        }
    } catch (...) {
    }
}

void DeviceSession::endLine() {
    std::string line = std::move(pendingLine_);
    pendingLine_.clear();
    if (options_.onConsoleLine) options_.onConsoleLine(line);
}

bool DeviceSession::call(const std::function<bool()>& libraryCall) {
    const bool ok = libraryCall();
    if (!pendingLine_.empty()) endLine();
    return ok;
}

void DeviceSession::flushWarnings() { host_->flush(); }

bool DeviceSession::watchingWaits(const std::function<void()>& onWait, const std::function<bool()>& run) {
    host_->onWait = [&onWait](uint32_t) { onWait(); };
    struct Unhook {
        ToolHost& host;
        ~Unhook() { host.onWait = nullptr; }
    } unhook{*host_};
    return run();
}

bool DeviceSession::deviceReached() const { return filter_ && filter_->opensSucceeded() > 0; }
bool DeviceSession::deviceFound() const { return filter_ && filter_->opensTried() > 0; }
unsigned DeviceSession::opens() const { return filter_ ? filter_->opensSucceeded() : 0; }
unsigned DeviceSession::answers() const { return filter_ ? filter_->readsAnswered() : 0; }
bool DeviceSession::deviceOpen() const { return filter_ && filter_->openNow() > 0; }

ExitCode DeviceSession::exitCode(bool confirmed) const {
    if (confirmed) return exitConfirmed;
    return deviceReached() ? exitNotConfirmed : exitNoDevice;
}

}  // namespace brixel::toolkit
