// SPDX-License-Identifier: MIT
#pragma once
// A tool's session with the device around the library: the tool's own host
// and console sink (collecting the library's warnings and console lines), the
// USB stack it builds (transport, then the device filter, then the trace)
// installed in the platform's place, the device held open for the whole
// session so that discovery happens once, and the exit code the session's
// outcome gives. One session at a time: the library is one per process.

#include <BrixelPlatform.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/exit_codes.h"
#include "toolkit/usb_trace.h"

namespace brixel::toolkit {

class ToolHost;
class UsbDeviceFilter;

struct SessionOptions {
    // The layer at the bottom of the stack: the platform's, the simulator's, a test's.
    const BRIXEL_USB_LAYER* transport = nullptr;
    // Only the device attached here is shown to the library; any when empty.
    std::string devicePath;
    // Each USB call described, when set.
    UsbTrace::Sink trace;
    // Each console line and warning line ("BrixelLibrary warning: ...") as it comes.
    std::function<void(std::string_view line)> onConsoleLine;
    std::function<void(std::string_view line)> onWarning;
};

class DeviceSession {
public:
    // Nullptr with `error` set when the library would not take the stack.
    static std::unique_ptr<DeviceSession> open(SessionOptions options, std::string& error);
    // Closes the device and gives the library its own layer and host back.
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Runs one library call; what it printed without a final line end is a
    // line of its own once it returns.
    bool call(const std::function<bool()>& libraryCall);

    // Ends a run of one warning being folded, so that its count is told now.
    void flushWarnings();

    // Runs `run` with `onWait` called for each wait the library asks of the host.
    bool watchingWaits(const std::function<void()>& onWait, const std::function<bool()>& run);

    // The stack as the library sees it, for a tool that asks the layer itself
    // (listing the devices), through the same filter and trace.
    const BRIXEL_USB_LAYER& layer() const { return *top_; }

    // A device was opened in this session: what did not confirm was the device's doing.
    bool deviceReached() const;
    // A device was found and its open tried, whatever came of it.
    bool deviceFound() const;
    // How many opens succeeded, and how many reads brought the device's answer, so far.
    unsigned opens() const;
    unsigned answers() const;
    // A device is open now.
    bool deviceOpen() const;
    ExitCode exitCode(bool confirmed) const;

private:
    explicit DeviceSession(SessionOptions options);
    void onWarning(std::string_view text, unsigned repeats);
    static void onConsoleText(void* session, const char* text);
    void endLine();

    std::string pendingLine_;  // console text after the last line end

    SessionOptions options_;
    std::unique_ptr<UsbDeviceFilter> filter_;
    std::unique_ptr<UsbTrace> trace_;
    std::unique_ptr<ToolHost> host_;
    const BRIXEL_USB_LAYER* top_ = nullptr;
};

}  // namespace brixel::toolkit
