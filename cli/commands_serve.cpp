// SPDX-License-Identifier: MIT
// serve: the control panel in a browser and the MQTT bridge to home
// automation, on the simulated device or the real one, over one owner of the
// library that both share.

#include <cstdio>
#include <memory>
#include <string>

#include "cli/console.h"
#include "cli/context.h"
#include "cli/serve_mqtt.h"
#include "panel/panel_server.h"
#include "toolkit/numbers.h"
#include "toolkit/simulated_devices.h"

namespace brixel::cli {
namespace {

constexpr const char* defaultListen = "127.0.0.1:8080";
// --listen's word for no panel at all.
constexpr std::string_view noPanel = "none";
struct ServeOptions {
    std::string listen = defaultListen;
    std::string token;
    std::shared_ptr<MqttBridging> mqtt;
};

// "HOST:PORT", "[IPv6]:PORT" or ":PORT" (the loopback address).
void parseListen(const std::string& text, panel::PanelOptions& options) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        throw CLI::ValidationError("--listen: expected ADDRESS:PORT or none, not '" + text + "'");
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
    auto* cmd =
        app.add_subcommand("serve", std::string("serve a control panel to a browser") + MqttBridging::summary +
                                        " until Ctrl-C: the live report, settings, EDIDs, InfoFrames, the matrix");
    auto o = std::make_shared<ServeOptions>();
    cmd->add_option("--listen", o->listen,
                    std::string("the address and port to serve the panel on (") + defaultListen +
                        "), or none for no panel; any address but the loopback one needs an access token")
        ->type_name("ADDR:PORT|none")
        ->envname("BRIXEL_LISTEN");
    cmd->add_option("--token", o->token,
                    "the access token the panel asks for (generated and printed when --listen is not the loopback "
                    "address)")
        ->type_name("TOKEN")
        ->envname("BRIXEL_PANEL_TOKEN");
    o->mqtt = MqttBridging::addOptions(*cmd);
    cmd->callback([&ctx, o] {
        const bool panelServed = o->listen != noPanel;
        if (!panelServed && !o->mqtt->wanted())
            throw CLI::ValidationError(
                "--listen none serves no panel: give --mqtt for the bridge, or a --listen address");
        panel::PanelOptions options;
        if (panelServed) parseListen(o->listen, options);
        options.accessToken = o->token;
        if (panelServed && !panel::isLoopback(options.host) && options.accessToken.empty())
            options.accessToken = panel::randomToken();
        if (o->mqtt->wanted()) o->mqtt->check(ctx);
        if (std::string why; !console::libraryLoadable(ctx.simulate, why)) throw LibraryMissing(why);

        // Ctrl-C is waited for here; the server's and the bridge's threads never see it.
        console::StopRequest stop;

        std::string error;
        std::unique_ptr<toolkit::SimulatedDevices> simulated;
        toolkit::OwnerOptions ownerOptions;
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
            ownerOptions.transport.beforeRun = [devices](bool changes,
                                                         std::string& reloadError) -> const BRIXEL_USB_LAYER* {
                const bool read = changes ? devices->reloadForChange(reloadError) : devices->reload(reloadError);
                return read ? &devices->layer() : nullptr;
            };
            ownerOptions.transport.afterRun = [devices](bool changed, std::string& keepError) {
                return !changed || devices->keep(keepError);
            };
        } else {
            ownerOptions.transport.layer = ctx.transport;
        }
        // The panel and the bridge see one device through one owner, and
        // remember the settings they give it where brixelctl does.
        ownerOptions.memory = ctx.settingMemory("brixelctl serve");
        options.device.memory = ownerOptions.memory;
        toolkit::DeviceOwner owner(std::move(ownerOptions));
        options.device.owner = &owner;
        options.device.devicePath = ctx.devicePath;

        std::unique_ptr<panel::PanelServer> server;
        if (panelServed) {
            server = panel::PanelServer::start(std::move(options), error);
            if (!server) throw CLI::ValidationError("serve: " + error);
            std::printf("brixelctl: the panel is at %s (Ctrl-C to stop)\n", server->url().c_str());
        }
        if (o->mqtt->wanted()) o->mqtt->start(owner);
        std::fflush(stdout);
        stop.wait();
        if (server) server->beginShutdown();
        o->mqtt->stop();
        server.reset();
        setExitCode(exitConfirmed);
    });
}

}  // namespace brixel::cli
