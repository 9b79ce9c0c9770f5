// SPDX-License-Identifier: MIT
#include "cli/serve_mqtt.h"

// The bridge needs libmosquitto, which Debian builds for Linux alone: the
// Windows tool serves the panel, and --mqtt says where the bridge runs.

namespace brixel::cli {
namespace {

constexpr const char* notHere =
    "the MQTT bridge is not in the Windows build of brixelctl (it needs libmosquitto); run brixelctl serve --mqtt "
    "on Linux, or drive the panel's API from home automation";

class NoBridge final : public MqttBridging {
public:
    std::string mqtt;
    std::string companion;  // the last of the bridge's other options given, for the refusal to name
    bool wanted() const override { return !mqtt.empty() || !companion.empty(); }
    void check(const Context&) override { throw CLI::ValidationError(std::string("--mqtt: ") + notHere); }
    void start(toolkit::DeviceOwner&) override {}
    void stop() override {}
};

}  // namespace

const char* const MqttBridging::summary = "";

std::shared_ptr<MqttBridging> MqttBridging::addOptions(CLI::App& serve) {
    auto o = std::make_shared<NoBridge>();
    serve.add_option("--mqtt", o->mqtt, std::string("not on Windows: ") + notHere)->type_name("URL");
    // Its companions are known, so that a script written for Linux hears why rather than "not an option".
    for (const char* name : {"--mqtt-password-file", "--mqtt-ca", "--mqtt-discovery-prefix"})
        serve.add_option(name, o->companion)->group("");
    serve.footer(std::string("On Windows: ") + notHere + ".");
    return o;
}

}  // namespace brixel::cli
