// SPDX-License-Identifier: MIT
#include "cli/serve_mqtt.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "bridge/bridge.h"
#include "cli/version.h"

namespace brixel::cli {
namespace {

// Where the password comes from when no file is given.
constexpr const char* passwordVariable = "BRIXEL_MQTT_PASSWORD";

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

class Mosquitto final : public MqttBridging {
public:
    std::string mqtt;
    std::string mqttCa;
    std::string mqttPasswordFile;
    std::string discoveryPrefix = "homeassistant";

    bool wanted() const override { return !mqtt.empty(); }

    void check(const Context& ctx) override {
        bridge::BridgeOptions options;
        std::string error;
        const auto broker = bridge::parseBrokerUrl(mqtt, error);
        if (!broker) throw CLI::ValidationError("--mqtt: " + error);
        options.broker = *broker;
        if (!mqttCa.empty() && !broker->tls) throw CLI::ValidationError("--mqtt-ca is for an mqtts:// broker");
        options.caFile = mqttCa;
        options.password = mqttPassword(mqttPasswordFile);
        if (!options.password.empty() && broker->user.empty())
            throw CLI::ValidationError("--mqtt: a password needs a user name: mqtt://USER@HOST");
        if (discoveryPrefix.empty() || discoveryPrefix.find_first_of("#+") != std::string::npos)
            throw CLI::ValidationError("--mqtt-discovery-prefix: a topic without wildcards, not '" + discoveryPrefix +
                                       "'");
        options.identity.id = bridge::identityId(hostName(), ctx.devicePath);
        options.identity.deviceName = ctx.devicePath.empty() ? "Brixel" : "Brixel " + ctx.devicePath;
        options.identity.toolVersion = projectVersion;
        options.identity.discoveryPrefix = discoveryPrefix;
        options.devicePath = ctx.devicePath;
        // Under systemd each line goes to the journal with its priority.
        const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
        options.log = [journal](bridge::LogLevel level, std::string_view line) {
            const char* priority = !journal ? "" : level == bridge::LogLevel::warning ? "<4>" : "<6>";
            std::fprintf(stderr, "%sbrixelctl: mqtt: %.*s\n", priority, static_cast<int>(line.size()), line.data());
            std::fflush(stderr);
        };
        options_ = std::move(options);
    }

    void start(toolkit::DeviceOwner& owner) override {
        std::string error;
        const std::string broker = bridge::brokerText(options_->broker);
        bridge_ = bridge::Bridge::start(owner, std::move(*options_), error);
        if (!bridge_) throw CLI::ValidationError("serve: " + error);
        std::printf("brixelctl: the MQTT bridge publishes to %s under %s (Ctrl-C to stop)\n", broker.c_str(),
                    bridge_->topicRoot().c_str());
    }

    void stop() override { bridge_.reset(); }

private:
    std::optional<bridge::BridgeOptions> options_;
    std::unique_ptr<bridge::Bridge> bridge_;
};

}  // namespace

const char* const MqttBridging::summary = " and the device to home automation over MQTT";

std::shared_ptr<MqttBridging> MqttBridging::addOptions(CLI::App& serve) {
    auto o = std::make_shared<Mosquitto>();
    serve
        .add_option("--mqtt", o->mqtt,
                    "also bridge the device to an MQTT broker, with Home Assistant discovery: "
                    "mqtt://[USER@]HOST[:PORT] or mqtts://...")
        ->type_name("URL")
        ->envname("BRIXEL_MQTT");
    serve
        .add_option("--mqtt-password-file", o->mqttPasswordFile,
                    std::string("the broker's password, the file's first line (else the environment's ") +
                        passwordVariable + "; never on the command line)")
        ->type_name("FILE")
        ->envname("BRIXEL_MQTT_PASSWORD_FILE");
    serve.add_option("--mqtt-ca", o->mqttCa, "the CA certificate of an mqtts:// broker (the system's when not given)")
        ->type_name("FILE")
        ->envname("BRIXEL_MQTT_CA");
    serve
        .add_option("--mqtt-discovery-prefix", o->discoveryPrefix,
                    "the topic Home Assistant discovers devices under (homeassistant)")
        ->type_name("PREFIX")
        ->envname("BRIXEL_MQTT_DISCOVERY_PREFIX");
    return o;
}

}  // namespace brixel::cli
