// SPDX-License-Identifier: MIT
#pragma once
// The MQTT bridge of brixelctl serve: the device's entities announced to Home
// Assistant (discovery, retained), their states published when they change
// (the report polled, and at once after any change made through the owner,
// whoever made it), commands taken from their topics and run through the
// catalogue on the owner the process shares. The bridge's own availability
// with a last will, the device's as it comes and goes; everything published
// again when Home Assistant or the broker comes back; reconnection with
// back-off; a clean stop says offline first. Over Debian's libmosquitto.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "bridge/broker_url.h"
#include "bridge/entities.h"
#include "toolkit/device_owner.h"

namespace brixel::bridge {

enum class LogLevel : uint8_t { info, warning };

struct BridgeOptions {
    BrokerAddress broker;
    std::string password;    // none when empty
    std::string caFile;      // for mqtts: the broker's CA; the system's when empty
    Identity identity;       // its firmware is read from the device
    std::string devicePath;  // the device the owner runs on; any when empty
    std::chrono::milliseconds pollInterval{1000};
    // One line for each connect, disconnect, refused command, unplug and replug.
    std::function<void(LogLevel level, std::string_view line)> log;
};

// Waits between attempts to reach the broker: growing, then steady, so that a
// broker back from a restart is found again well within 30 s.
inline constexpr std::chrono::seconds firstRetry{1};
inline constexpr std::chrono::seconds longestRetry{10};
// What a command's payload may hold at most; anything longer is refused unread.
inline constexpr std::size_t maxCommandBytes = 256;
// Commands waiting for the device at most; more are refused.
inline constexpr std::size_t maxWaitingCommands = 32;

class Bridge {
public:
    // Running when it returns, connecting in the background; nullptr with
    // `error` set when the client cannot be set up (a CA file unreadable).
    static std::unique_ptr<Bridge> start(toolkit::DeviceOwner& owner, BridgeOptions options, std::string& error);
    // Publishes offline, disconnects, then lets go of the device.
    ~Bridge();
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    // Where its topics are: brixel/ID.
    const std::string& topicRoot() const;

private:
    struct Parts;
    explicit Bridge(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace brixel::bridge
