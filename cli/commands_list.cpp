// list: every Brixel attached, where it is, and whether it can be opened.

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/context.h"
#include "protocol/device.h"
#include "toolkit/usb_device_filter.h"

namespace brixel::cli {
namespace {

struct Attached {
    std::string path;
    std::string serial;
    bool serialRead = false;
    bool brixel = false;
    bool opens = false;
    std::vector<std::string> why;  // the layer's own explanation of a refused open
};

std::vector<Attached> survey(Context& ctx) {
    const BRIXEL_USB_LAYER& usb = ctx.usbLayer();
    std::vector<Attached> found;
    uint32_t count = 0;
    if (usb.getNumDevices(&count) != 0) return found;
    for (uint32_t i = 0; i < count; ++i) {
        Attached a;
        a.path = toolkit::usbLinkName(usb, i);
        std::array<char, protocol::serialBufferSize + 1> serial{};
        a.serialRead = usb.getProductString(i, serial.data(), protocol::productStringSerial) == 0;
        a.serial = std::string(serial.data(), strnlen(serial.data(), protocol::serialBufferSize));
        a.brixel = a.serialRead && a.serial == protocol::deviceSerial;
        const std::size_t warned = ctx.warnings.size();
        void* handle = nullptr;
        a.opens = usb.open(i, &handle) == 0;
        if (a.opens) usb.close(handle);
        a.why.assign(ctx.warnings.begin() + static_cast<std::ptrdiff_t>(warned), ctx.warnings.end());
        found.push_back(std::move(a));
    }
    return found;
}

}  // namespace

void addListCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "list",
        "every attached USBXpress device: where it is (the PATH for --device), whether it is a Brixel, "
        "whether it can be opened and why not. Exit status 3 when no Brixel can be opened.");
    cmd->callback([&ctx] {
        ctx.doc.command = "list";
        bool anyOpens = false;
        const int code = ctx.session(
            [&] {
                nlohmann::json devices = nlohmann::json::array();
                const auto found = survey(ctx);
                for (const auto& a : found) {
                    anyOpens = anyOpens || (a.brixel && a.opens);
                    devices.push_back({{"path", a.path},
                                       {"serial", a.serialRead ? nlohmann::json(a.serial) : nlohmann::json(nullptr)},
                                       {"brixel", a.brixel},
                                       {"opens", a.opens},
                                       {"why", a.why}});
                    if (ctx.json) continue;
                    std::string line = a.path.empty() ? "(no path)" : a.path;
                    line += a.brixel ? "  Brixel" : "  not a Brixel";
                    line += a.serialRead ? " (serial \"" + a.serial + "\")" : " (serial unreadable)";
                    line += a.opens ? ", can be opened" : ", cannot be opened";
                    for (const auto& w : a.why) line += ": " + w;
                    std::printf("%s\n", line.c_str());
                }
                if (!ctx.json && found.empty()) std::printf("No USBXpress device is attached.\n");
                ctx.doc.result = {{"devices", devices}};
                return anyOpens;
            },
            true);
        // Listing reaches no device through the library: the outcome is what was found.
        const int exit = code == exitUsage ? exitUsage : anyOpens ? exitConfirmed : exitNoDevice;
        ctx.doc.confirmed = exit == exitConfirmed;
        ctx.emitJson();
        setExitCode(exit);
    });
}

}  // namespace brixel::cli
