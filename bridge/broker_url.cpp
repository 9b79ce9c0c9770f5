// SPDX-License-Identifier: MIT
#include "bridge/broker_url.h"

#include <cctype>
#include <charconv>

namespace brixel::bridge {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A user name may hold what an address cannot ("me@home" as "me%40home").
std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

bool hostCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_'; }

}  // namespace

std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, std::string& error) {
    BrokerAddress address;
    const auto fail = [&](const std::string& why) {
        error = "the broker's address '" + std::string(url) + "' " + why;
        return std::nullopt;
    };
    std::string_view rest = url;
    if (rest.starts_with("mqtt://")) {
        rest.remove_prefix(7);
    } else if (rest.starts_with("mqtts://")) {
        rest.remove_prefix(8);
        address.tls = true;
        address.port = mqttsPort;
    } else {
        return fail("is not mqtt://[USER@]HOST[:PORT] or mqtts://[USER@]HOST[:PORT]");
    }
    if (rest.ends_with('/')) rest.remove_suffix(1);
    if (rest.find_first_of("/?#") != std::string_view::npos) return fail("has a path: the broker takes none");
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = rest.substr(0, at);
        if (userInfo.find(':') != std::string_view::npos)
            return fail("holds a password: give it with --mqtt-password-file or BRIXEL_MQTT_PASSWORD instead");
        const auto user = percentDecoded(userInfo);
        if (!user || user->empty()) return fail("has no user name before '@'");
        address.user = *user;
        rest.remove_prefix(at + 1);
    }
    std::string_view port;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos) return fail("opens an IPv6 address with '[' and never closes it");
        address.host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (!rest.empty() && rest.front() != ':') return fail("has something after its IPv6 address");
        if (!rest.empty()) port = rest.substr(1);
        if (address.host.empty()) return fail("has no host");
    } else {
        const auto colon = rest.find(':');
        address.host = rest.substr(0, colon);
        if (colon != std::string_view::npos) port = rest.substr(colon + 1);
        if (address.host.empty()) return fail("has no host");
        for (const char c : address.host)
            if (!hostCharacter(c)) return fail("has a host name with '" + std::string(1, c) + "' in it");
    }
    if (rest.find(':') != std::string_view::npos && port.empty()) return fail("has a ':' and no port after it");
    if (!port.empty()) {
        int value = 0;
        const auto [end, problem] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (problem != std::errc{} || end != port.data() + port.size() || value < 1 || value > 65535)
            return fail("has a port that is not a number 1-65535");
        address.port = value;
    }
    return address;
}

std::string brokerText(const BrokerAddress& address) {
    const bool ipv6 = address.host.find(':') != std::string::npos;
    return std::string(address.tls ? "mqtts://" : "mqtt://") + (address.user.empty() ? "" : address.user + "@") +
           (ipv6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

}  // namespace brixel::bridge
