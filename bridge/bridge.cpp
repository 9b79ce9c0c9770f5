// SPDX-License-Identifier: MIT
#include "bridge/bridge.h"

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace brixel::bridge {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int keepAliveSeconds = 30;
constexpr int qos = 1;
// How long a clean stop waits for its offline to reach the broker.
constexpr auto goodbyeTime = 2s;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// libmosquitto's sentence for an error, as part of a line.
std::string reason(int code) {
    std::string text = mosquitto_strerror(code);
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string firmwareText(const nlohmann::json& version) {
    if (!version.is_object() || !version.contains("major") || !version.contains("minor")) return {};
    return std::to_string(version["major"].get<int>()) + "." + std::to_string(version["minor"].get<int>());
}

}  // namespace

struct Bridge::Parts {
    toolkit::DeviceOwner& owner;
    BridgeOptions options;
    std::string brokerName;
    std::string topicRoot;
    mosquitto* client = nullptr;
    unsigned watching = 0;
    std::mutex logMutex;

    // Between the threads, under `mutex`.
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool networkStopping = false;
    bool publishAll = false;
    bool pollNow = false;
    std::deque<std::pair<std::string, std::string>> commands;  // object id, payload
    std::vector<std::pair<std::string, std::string>> changed;  // object id, state

    // The network thread's own, and what it tells the worker.
    std::atomic<bool> connected{false};
    bool refusedConnection = false;
    bool saidDown = false;
    unsigned failures = 0;
    std::optional<int> goodbyeMessage;
    bool goodbyeSent = false;

    // The worker's own.
    std::map<std::string, std::string> states;  // by object id
    std::optional<bool> deviceOnline;

    std::thread worker;
    std::thread network;

    Parts(toolkit::DeviceOwner& owner_, BridgeOptions options_) : owner(owner_), options(std::move(options_)) {}

    void log(LogLevel level, const std::string& line) {
        if (!options.log) return;
        std::lock_guard lock(logMutex);
        options.log(level, line);
    }

    void publish(const std::string& topic, std::string_view payload) {
        if (!connected) return;  // everything goes again once connected
        mosquitto_publish(client, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), qos, true);
    }

    // ---- The worker: the device's side ----------------------------------------------

    void publishState(const std::string& objectId, const std::string& payload) {
        const Entity* entity = findEntity(objectId);
        if (!entity) return;
        auto [at, added] = states.try_emplace(objectId, payload);
        if (!added && at->second == payload) return;
        at->second = payload;
        publish(stateTopic(options.identity, *entity), payload);
    }

    void publishEverything() {
        const Identity& identity = options.identity;
        for (const auto& entity : entities())
            publish(discoveryTopic(identity, entity), toolkit::jsonText(discoveryDocument(identity, entity), -1));
        publish(bridgeAvailabilityTopic(identity), online);
        if (deviceOnline) publish(deviceAvailabilityTopic(identity), *deviceOnline ? online : offline);
        for (const auto& [objectId, payload] : states)
            if (const Entity* entity = findEntity(objectId)) publish(stateTopic(identity, *entity), payload);
    }

    void readFirmware() {
        const auto outcome = owner.run("info", nlohmann::json::object(), options.devicePath);
        const std::string firmware = outcome.confirmed() ? firmwareText(outcome.doc.result["version"]) : "";
        if (firmware.empty() || firmware == options.identity.firmware) return;
        options.identity.firmware = firmware;
        // The device block of every entity says it.
        for (const auto& entity : entities())
            publish(discoveryTopic(options.identity, entity),
                    toolkit::jsonText(discoveryDocument(options.identity, entity), -1));
    }

    void setDeviceOnline(bool reached, const toolkit::Outcome& outcome) {
        if (deviceOnline == reached) return;
        const std::string why = outcome.doc.error.value_or("no answer");
        if (deviceOnline)
            log(reached ? LogLevel::info : LogLevel::warning,
                reached ? "the Brixel is back" : "the Brixel is gone (unplugged?): " + why);
        else if (!reached)
            log(LogLevel::warning, "no Brixel reachable yet: " + why);
        deviceOnline = reached;
        publish(deviceAvailabilityTopic(options.identity), reached ? online : offline);
    }

    void poll() {
        const auto outcome = owner.run("status", nlohmann::json::object(), options.devicePath);
        const bool reached = outcome.reach == toolkit::Reach::answered;
        const bool cameBack = reached && deviceOnline != true;
        setDeviceOnline(reached, outcome);
        if (!reached) return;
        for (const auto& [objectId, payload] : reportStates(outcome.doc.result)) publishState(objectId, payload);
        // Another device may be the one plugged in now.
        if (cameBack) readFirmware();
    }

    void runCommand(const std::string& objectId, const std::string& payload) {
        const std::string topic = baseTopic(options.identity) + "/" + objectId + "/set";
        const Entity* entity = findEntity(objectId);
        if (!entity) {
            log(LogLevel::warning, "refused a command on " + shownPayload(topic) + ": no such entity");
            return;
        }
        const Command command = commandFor(*entity, payload);
        if (!command.refusal.empty()) {
            log(LogLevel::warning, "refused a command on " + topic + ": " + command.refusal);
            return;
        }
        const auto outcome = owner.run(command.operation, command.inputs, options.devicePath);
        if (outcome.refused)
            log(LogLevel::warning, "refused a command on " + topic + ": " + outcome.doc.error.value_or("refused"));
        else if (!outcome.confirmed())
            log(LogLevel::warning, std::string(command.operation) + " " + shownPayload(payload) +
                                       " was not confirmed: " + outcome.doc.error.value_or("no answer"));
    }

    void work() {
        auto nextPoll = Clock::now();
        std::unique_lock lock(mutex);
        while (!stopping) {
            wake.wait_until(lock, nextPoll,
                            [&] { return stopping || publishAll || pollNow || !commands.empty() || !changed.empty(); });
            if (stopping) break;
            auto waiting = std::exchange(commands, {});
            const bool everything = std::exchange(publishAll, false);
            lock.unlock();
            for (const auto& [objectId, payload] : waiting) runCommand(objectId, payload);
            if (everything) publishEverything();
            lock.lock();
            auto changes = std::exchange(changed, {});
            const bool pollDue = std::exchange(pollNow, false) || Clock::now() >= nextPoll;
            lock.unlock();
            for (const auto& [objectId, payload] : changes) publishState(objectId, payload);
            if (pollDue) {
                poll();
                nextPoll = Clock::now() + options.pollInterval;
            }
            lock.lock();
        }
    }

    // Told of every run through the owner, under its lock: kept for the worker.
    void watched(const toolkit::Outcome& outcome) {
        if (!outcome.changesDevice || outcome.refused) return;
        auto states_ = changedStates(outcome.doc);
        {
            std::lock_guard lock(mutex);
            changed.insert(changed.end(), states_.begin(), states_.end());
            pollNow = true;
        }
        wake.notify_all();
    }

    // ---- The network thread: the broker's side --------------------------------------

    void onConnect(int code) {
        if (code != 0) {
            if (!refusedConnection)
                log(LogLevel::warning,
                    "the MQTT broker at " + brokerName + " refused the connection: " + mosquitto_connack_string(code));
            refusedConnection = true;
            return;
        }
        refusedConnection = false;
        saidDown = false;
        failures = 0;
        const Identity& identity = options.identity;
        mosquitto_subscribe(client, nullptr, commandSubscription(identity).c_str(), qos);
        mosquitto_subscribe(client, nullptr, homeAssistantStatusTopic(identity).c_str(), qos);
        connected = true;
        log(LogLevel::info, "connected to the MQTT broker at " + brokerName + " as " + baseTopic(identity));
        {
            std::lock_guard lock(mutex);
            publishAll = true;
        }
        wake.notify_all();
    }

    void onMessage(const mosquitto_message& message) {
        const std::string topic = message.topic ? message.topic : "";
        const std::string_view payload(static_cast<const char*>(message.payload),
                                       message.payload ? static_cast<std::size_t>(message.payloadlen) : 0);
        const Identity& identity = options.identity;
        if (topic == homeAssistantStatusTopic(identity)) {
            if (payload != online) return;
            log(LogLevel::info, "Home Assistant is online: publishing discovery and states again");
            {
                std::lock_guard lock(mutex);
                publishAll = true;
            }
            wake.notify_all();
            return;
        }
        const std::string prefix = baseTopic(identity) + "/";
        constexpr std::string_view suffix = "/set";
        if (!topic.starts_with(prefix) || !topic.ends_with(suffix) || topic.size() < prefix.size() + suffix.size()) {
            log(LogLevel::warning, "refused a message on " + shownPayload(topic) + ": not a command topic");
            return;
        }
        const std::string objectId = topic.substr(prefix.size(), topic.size() - prefix.size() - suffix.size());
        if (message.retain) {
            log(LogLevel::warning, "refused a retained command on " + topic + ": commands are not kept");
            return;
        }
        if (payload.size() > maxCommandBytes) {
            log(LogLevel::warning, "refused a command on " + topic + ": " + std::to_string(payload.size()) +
                                       " bytes, more than the " + std::to_string(maxCommandBytes) + " a command takes");
            return;
        }
        {
            std::lock_guard lock(mutex);
            if (commands.size() >= maxWaitingCommands) {
                log(LogLevel::warning, "refused a command on " + topic + ": " + std::to_string(maxWaitingCommands) +
                                           " commands wait already");
                return;
            }
            commands.emplace_back(objectId, std::string(payload));
        }
        wake.notify_all();
    }

    void onDisconnect() {
        if (!connected.exchange(false)) return;
        log(LogLevel::warning, "disconnected from the MQTT broker at " + brokerName + "; trying again every " +
                                   std::to_string(firstRetry.count()) + " to " + std::to_string(longestRetry.count()) +
                                   " s");
        saidDown = true;
    }

    std::chrono::seconds retryDelay() const {
        const auto growing = firstRetry * (1u << std::min(failures, 4u));
        return std::min<std::chrono::seconds>(growing, longestRetry);
    }

    // Waits before the next attempt; false when stopping.
    bool waitToRetry(int code) {
        if (!saidDown && !refusedConnection)
            log(LogLevel::warning, "cannot reach the MQTT broker at " + brokerName + ": " + reason(code) +
                                       "; trying again every " + std::to_string(firstRetry.count()) + " to " +
                                       std::to_string(longestRetry.count()) + " s");
        saidDown = true;
        const auto delay = retryDelay();
        ++failures;
        std::unique_lock lock(mutex);
        return !wake.wait_for(lock, delay, [&] { return networkStopping; });
    }

    bool networkStopRequested() {
        std::lock_guard lock(mutex);
        return networkStopping;
    }

    void runNetwork() {
        bool socketOpen = false;
        bool first = true;
        while (!networkStopRequested()) {
            if (!socketOpen) {
                const auto& broker = options.broker;
                const int code =
                    first ? mosquitto_connect_async(client, broker.host.c_str(), broker.port, keepAliveSeconds)
                          : mosquitto_reconnect_async(client);
                first = false;
                if (code != MOSQ_ERR_SUCCESS) {
                    if (!waitToRetry(code)) break;
                    continue;
                }
                socketOpen = true;
            }
            const int code = mosquitto_loop(client, 100, 1);
            if (code != MOSQ_ERR_SUCCESS) {
                socketOpen = false;
                onDisconnect();
                if (!waitToRetry(code)) break;
            }
        }
        sayGoodbye();
    }

    // A clean stop: offline, retained, before the disconnect (which sends no will).
    void sayGoodbye() {
        if (!connected) return;
        int id = 0;
        const auto topic = bridgeAvailabilityTopic(options.identity);
        if (mosquitto_publish(client, &id, topic.c_str(), static_cast<int>(offline.size()), offline.data(), qos,
                              true) == MOSQ_ERR_SUCCESS) {
            goodbyeMessage = id;
            const auto until = Clock::now() + goodbyeTime;
            while (!goodbyeSent && Clock::now() < until && mosquitto_loop(client, 50, 1) == MOSQ_ERR_SUCCESS) {
            }
        }
        connected = false;
        mosquitto_disconnect(client);
        mosquitto_loop(client, 50, 1);
        log(LogLevel::info, "disconnected from the MQTT broker at " + brokerName + " (stopping)");
    }
};

Bridge::Bridge(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

std::unique_ptr<Bridge> Bridge::start(toolkit::DeviceOwner& owner, BridgeOptions options, std::string& error) {
    initialiseLibrary();
    auto parts = std::make_unique<Parts>(owner, std::move(options));
    Parts& p = *parts;
    p.brokerName = brokerText(p.options.broker);
    p.topicRoot = baseTopic(p.options.identity);
    const std::string clientId = "brixelctl-" + p.options.identity.id;
    p.client = mosquitto_new(clientId.c_str(), true, &p);
    if (!p.client) {
        error = "the MQTT client could not be made";
        return nullptr;
    }
    std::unique_ptr<Bridge> bridge(new Bridge(std::move(parts)));
    mosquitto_threaded_set(p.client, true);
    mosquitto_int_option(p.client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A state is one small packet: sent at once, not held for the next.
    mosquitto_int_option(p.client, MOSQ_OPT_TCP_NODELAY, 1);
    const auto& broker = p.options.broker;
    if (!broker.user.empty() || !p.options.password.empty())
        mosquitto_username_pw_set(p.client, broker.user.empty() ? nullptr : broker.user.c_str(),
                                  p.options.password.empty() ? nullptr : p.options.password.c_str());
    if (broker.tls) {
        const int code = p.options.caFile.empty() ? mosquitto_int_option(p.client, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                                                  : mosquitto_tls_set(p.client, p.options.caFile.c_str(), nullptr,
                                                                      nullptr, nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            error = "TLS for the MQTT broker: " + reason(code) +
                    (p.options.caFile.empty() ? "" : " (" + p.options.caFile + ")");
            return nullptr;
        }
    }
    const auto will = bridgeAvailabilityTopic(p.options.identity);
    mosquitto_will_set(p.client, will.c_str(), static_cast<int>(offline.size()), offline.data(), qos, true);
    mosquitto_connect_callback_set(
        p.client, [](mosquitto*, void* self, int code) { static_cast<Parts*>(self)->onConnect(code); });
    mosquitto_message_callback_set(p.client, [](mosquitto*, void* self, const mosquitto_message* message) {
        if (message) static_cast<Parts*>(self)->onMessage(*message);
    });
    mosquitto_publish_callback_set(p.client, [](mosquitto*, void* self, int id) {
        auto& parts_ = *static_cast<Parts*>(self);
        if (parts_.goodbyeMessage == id) parts_.goodbyeSent = true;
    });

    toolkit::OwnerWatcher watcher;
    watcher.onOutcome = [&p](const toolkit::Outcome& outcome) { p.watched(outcome); };
    p.watching = owner.watch(std::move(watcher));
    owner.hold(p.options.devicePath);
    p.worker = std::thread([&p] { p.work(); });
    p.network = std::thread([&p] { p.runNetwork(); });
    return bridge;
}

Bridge::~Bridge() {
    Parts& p = *parts_;
    if (p.watching) p.owner.unwatch(p.watching);
    {
        std::lock_guard lock(p.mutex);
        p.stopping = true;
    }
    p.wake.notify_all();
    if (p.worker.joinable()) p.worker.join();
    {
        std::lock_guard lock(p.mutex);
        p.networkStopping = true;
    }
    p.wake.notify_all();
    if (p.network.joinable()) p.network.join();
    if (p.client) mosquitto_destroy(p.client);
    if (p.watching) p.owner.release(p.options.devicePath);
}

const std::string& Bridge::topicRoot() const { return parts_->topicRoot; }

}  // namespace brixel::bridge
