// SPDX-License-Identifier: MIT
#pragma once
// serve's MQTT bridge to home automation, beside the panel, where the build
// has it: Linux's, on libmosquitto (serve_mqtt.cpp); the Windows build has
// none and says so (serve_mqtt_windows.cpp).

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/context.h"

namespace brixel::cli {

class MqttBridging {
public:
    // How serve's one-line description names the bridge ("" where there is none).
    static const char* const summary;

    // Adds --mqtt and its companions to serve.
    static std::shared_ptr<MqttBridging> addOptions(CLI::App& serve);
    virtual ~MqttBridging() = default;

    // --mqtt was given.
    virtual bool wanted() const = 0;
    // Checks the options, throwing CLI::ValidationError, before anything starts.
    virtual void check(const Context& ctx) = 0;
    // Starts publishing the device of `owner`, and says where; throws
    // CLI::ValidationError when it cannot.
    virtual void start(toolkit::DeviceOwner& owner) = 0;
    virtual void stop() = 0;
};

}  // namespace brixel::cli
