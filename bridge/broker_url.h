// SPDX-License-Identifier: MIT
#pragma once
// Where the bridge finds its MQTT broker, as people write it:
// mqtt://[USER@]HOST[:PORT], or mqtts:// for TLS. The password never comes
// in the address. Pure.

#include <optional>
#include <string>
#include <string_view>

namespace brixel::bridge {

inline constexpr int mqttPort = 1883;
inline constexpr int mqttsPort = 8883;

struct BrokerAddress {
    bool tls = false;
    std::string host;
    int port = mqttPort;
    std::string user;  // none when empty
};

// Nullopt, with `error` saying why, for anything else.
std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, std::string& error);

// The address for people and logs: mqtts://USER@HOST:PORT.
std::string brokerText(const BrokerAddress& address);

}  // namespace brixel::bridge
