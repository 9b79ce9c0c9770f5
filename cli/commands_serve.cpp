// SPDX-License-Identifier: MIT
// serve: the control panel in a browser and the MQTT bridge to home
// automation, on the simulated device or the real one, over one owner of the
// library that both share.

#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "bridge/bridge.h"
#include "cli/context.h"
#include "cli/version.h"
#include "panel/panel_server.h"
#include "toolkit/numbers.h"
#include "toolkit/simulated_devices.h"

namespace brixel::cli {
namespace {

constexpr const char* defaultListen = "127.0.0.1:8080";
// --listen's word for no panel at all.
constexpr std::string_view noPanel = "none";
// Where the password comes from when no file is given.
constexpr const char* passwordVariable = "BRIXEL_MQTT_PASSWORD";

struct ServeOptions {
    std::string listen = defaultListen;
    std::string token;
    std::string mqtt;
    std::string mqttCa;
    std::string mqttPasswordFile;
    std::string discoveryPrefix = "homeassistant";
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

// The file's first line, or the environment's; never the command line's.
std::string mqttPassword(const std::string& file) {
    if (file.empty()) {
        const char* given = std::getenv(passwordVariable);
        return given ? given : "";
    }
    std::ifstream in(file);
    std::string password;
    if (!in || !std::getline(in, password))
        throw CLI::ValidationError("--mqtt-password-file: cannot read a password from '" + file + "'");
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}

std::string hostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) return {};
    return name.data();
}

bridge::BridgeOptions bridgeOptions(const ServeOptions& o, const Context& ctx) {
    bridge::BridgeOptions options;
    std::string error;
    const auto broker = bridge::parseBrokerUrl(o.mqtt, error);
    if (!broker) throw CLI::ValidationError("--mqtt: " + error);
    options.broker = *broker;
    if (!o.mqttCa.empty() && !broker->tls) throw CLI::ValidationError("--mqtt-ca is for an mqtts:// broker");
    options.caFile = o.mqttCa;
    options.password = mqttPassword(o.mqttPasswordFile);
    if (!options.password.empty() && broker->user.empty())
        throw CLI::ValidationError("--mqtt: a password needs a user name: mqtt://USER@HOST");
    if (o.discoveryPrefix.empty() || o.discoveryPrefix.find_first_of("#+") != std::string::npos)
        throw CLI::ValidationError("--mqtt-discovery-prefix: a topic without wildcards, not '" + o.discoveryPrefix +
                                   "'");
    options.identity.id = bridge::identityId(hostName(), ctx.devicePath);
    options.identity.deviceName = ctx.devicePath.empty() ? "Brixel" : "Brixel " + ctx.devicePath;
    options.identity.toolVersion = projectVersion;
    options.identity.discoveryPrefix = o.discoveryPrefix;
    options.devicePath = ctx.devicePath;
    // Under systemd each line goes to the journal with its priority.
    const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    options.log = [journal](bridge::LogLevel level, std::string_view line) {
        const char* priority = !journal ? "" : level == bridge::LogLevel::warning ? "<4>" : "<6>";
        std::fprintf(stderr, "%sbrixelctl: mqtt: %.*s\n", priority, static_cast<int>(line.size()), line.data());
        std::fflush(stderr);
    };
    return options;
}

}  // namespace

void addServeCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("serve",
                                   "serve a control panel to a browser and the device to home automation over MQTT "
                                   "until Ctrl-C: the live report, settings, EDIDs, InfoFrames, the matrix");
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
    cmd->add_option(
           "--mqtt", o->mqtt,
           "also bridge the device to an MQTT broker, with Home Assistant discovery: mqtt://[USER@]HOST[:PORT] "
           "or mqtts://...")
        ->type_name("URL")
        ->envname("BRIXEL_MQTT");
    cmd->add_option("--mqtt-password-file", o->mqttPasswordFile,
                    std::string("the broker's password, the file's first line (else the environment's ") +
                        passwordVariable + "; never on the command line)")
        ->type_name("FILE")
        ->envname("BRIXEL_MQTT_PASSWORD_FILE");
    cmd->add_option("--mqtt-ca", o->mqttCa, "the CA certificate of an mqtts:// broker (the system's when not given)")
        ->type_name("FILE")
        ->envname("BRIXEL_MQTT_CA");
    cmd->add_option("--mqtt-discovery-prefix", o->discoveryPrefix,
                    "the topic Home Assistant discovers devices under (homeassistant)")
        ->type_name("PREFIX")
        ->envname("BRIXEL_MQTT_DISCOVERY_PREFIX");
    cmd->callback([&ctx, o] {
        const bool panelServed = o->listen != noPanel;
        if (!panelServed && o->mqtt.empty())
            throw CLI::ValidationError(
                "--listen none serves no panel: give --mqtt for the bridge, or a --listen address");
        panel::PanelOptions options;
        if (panelServed) parseListen(o->listen, options);
        options.accessToken = o->token;
        if (panelServed && !panel::isLoopback(options.host) && options.accessToken.empty())
            options.accessToken = panel::randomToken();
        std::optional<bridge::BridgeOptions> bridging;
        if (!o->mqtt.empty()) bridging = bridgeOptions(*o, ctx);

        // Ctrl-C is waited for here; the server's and the bridge's threads never see it.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

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
        std::unique_ptr<bridge::Bridge> bridged;
        if (bridging) {
            const std::string broker = bridge::brokerText(bridging->broker);
            bridged = bridge::Bridge::start(owner, std::move(*bridging), error);
            if (!bridged) throw CLI::ValidationError("serve: " + error);
            std::printf("brixelctl: the MQTT bridge publishes to %s under %s (Ctrl-C to stop)\n", broker.c_str(),
                        bridged->topicRoot().c_str());
        }
        std::fflush(stdout);
        int received = 0;
        sigwait(&stopSignals, &received);
        if (server) server->beginShutdown();
        bridged.reset();
        server.reset();
        setExitCode(exitConfirmed);
    });
}

}  // namespace brixel::cli
