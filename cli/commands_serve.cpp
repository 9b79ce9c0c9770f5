// serve: the control panel in a browser, on the simulated device or the real one.

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/context.h"
#include "panel/panel_server.h"
#include "toolkit/numbers.h"
#include "toolkit/simulated_devices.h"

namespace brixel::cli {
namespace {

constexpr const char* defaultListen = "127.0.0.1:8080";

struct ServeOptions {
    std::string listen = defaultListen;
    std::string token;
};

// "HOST:PORT", "[IPv6]:PORT" or ":PORT" (the loopback address).
void parseListen(const std::string& text, panel::PanelOptions& options) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos) throw CLI::ValidationError("--listen: expected ADDRESS:PORT, not '" + text + "'");
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const auto port = toolkit::parseNumber(text.substr(colon + 1), 65535);
    if (!port)
        throw CLI::ValidationError("--listen: the port is a number 0-65535, not '" + text.substr(colon + 1) + "'");
    options.host = host.empty() ? "127.0.0.1" : host;
    options.port = static_cast<int>(*port);
}

}  // namespace

void addServeCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "serve",
        "serve a control panel to a browser until Ctrl-C: the live report, settings, EDIDs, InfoFrames, the matrix");
    auto o = std::make_shared<ServeOptions>();
    cmd->add_option("--listen", o->listen,
                    std::string("the address and port to serve on (") + defaultListen +
                        "); any address but the loopback one needs an access token")
        ->type_name("ADDR:PORT");
    cmd->add_option("--token", o->token,
                    "the access token the panel asks for (generated and printed when --listen is not the loopback "
                    "address)")
        ->type_name("TOKEN");
    cmd->callback([&ctx, o] {
        panel::PanelOptions options;
        parseListen(o->listen, options);
        options.accessToken = o->token;
        if (!panel::isLoopback(options.host) && options.accessToken.empty()) options.accessToken = panel::randomToken();

        // Ctrl-C is waited for here; the server's threads never see it.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

        std::string error;
        std::unique_ptr<toolkit::SimulatedDevices> simulated;
        if (ctx.simulate) {
            toolkit::SimulationOptions simulation{ctx.stateFile, ctx.fresh, ctx.devices, ctx.faults, false};
            simulated = toolkit::SimulatedDevices::start(simulation, error);
            // The state file's lock is taken for each change alone, so that
            // other runs of brixelctl go on beside the panel. A fresh start
            // is written first, and from then on shared with them.
            if (simulated && ctx.fresh && simulated->keep(error)) {
                simulation.fresh = false;
                simulated.reset();
                simulated = toolkit::SimulatedDevices::start(simulation, error);
            }
            if (!simulated || !simulated->keep(error)) throw CLI::ValidationError(error);
            auto* devices = simulated.get();
            // A state another run left unreadable refuses the request; nothing is written over it.
            options.device.transport.beforeRun = [devices](bool changes,
                                                           std::string& reloadError) -> const BRIXEL_USB_LAYER* {
                const bool read = changes ? devices->reloadForChange(reloadError) : devices->reload(reloadError);
                return read ? &devices->layer() : nullptr;
            };
            options.device.transport.afterRun = [devices](bool changed, std::string& keepError) {
                return !changed || devices->keep(keepError);
            };
        } else {
            options.device.transport.layer = ctx.transport;
        }
        options.device.devicePath = ctx.devicePath;
        options.device.memory = ctx.settingMemory("the panel");

        auto server = panel::PanelServer::start(std::move(options), error);
        if (!server) throw CLI::ValidationError("serve: " + error);
        std::printf("brixelctl: the panel is at %s (Ctrl-C to stop)\n", server->url().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&stopSignals, &received);
        server->beginShutdown();
        server.reset();
        setExitCode(exitConfirmed);
    });
}

}  // namespace brixel::cli
