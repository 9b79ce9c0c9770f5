// SPDX-License-Identifier: MIT
#pragma once
// The bridge's Home Assistant entities, made from the tables every front end
// reads: a select for each setting with named values (the setting table and
// its names) and one for the built-in EDIDs (the catalogue); a sensor for the
// report's lines people follow and for the HDR values of the InfoFrames;
// binary sensors for the signal and HDR; a button for the factory reset. For
// each: its topics, its discovery document, what a command payload runs, and
// what a report or a confirmed change says of its state. Pure.

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/result_document.h"

namespace brixel::bridge {

enum class Component : uint8_t { select, sensor, binarySensor, button };

// As Home Assistant names it in discovery topics: "binary_sensor".
std::string_view componentName(Component component);

// Home Assistant's payloads.
inline constexpr std::string_view online = "online";
inline constexpr std::string_view offline = "offline";
inline constexpr std::string_view stateOn = "ON";
inline constexpr std::string_view stateOff = "OFF";
inline constexpr std::string_view buttonPress = "PRESS";
// A state with no value: Home Assistant shows it as unknown.
inline constexpr std::string_view noValue = "None";

struct Entity {
    Component component;
    std::string objectId;  // "port", "input_format": its topics and unique id
    std::string name;      // as Home Assistant shows it
    // What a command runs: the operation, the input the payload becomes,
    // and for a button the input's fixed value. None for a sensor.
    std::string_view operation;
    std::string_view input;
    std::string_view pressValue;
    std::vector<std::string> options;                 // a select's payloads: nothing else is taken
    nlohmann::json extra = nlohmann::json::object();  // further keys of its discovery document
};

const std::vector<Entity>& entities();
// Nullptr for an object id no entity has.
const Entity* findEntity(std::string_view objectId);

// Whose entities they are and where their topics live.
struct Identity {
    std::string id;          // node id, topic part and unique-id prefix: [a-z0-9_]
    std::string deviceName;  // "Brixel"
    std::string firmware;    // "1.5"; empty until read
    std::string toolVersion;
    std::string discoveryPrefix = "homeassistant";
};

// "brixel_" and `host` (and `devicePath` when given), in the characters an id takes.
std::string identityId(std::string_view host, std::string_view devicePath);

std::string baseTopic(const Identity& identity);                           // brixel/ID
std::string bridgeAvailabilityTopic(const Identity& identity);             // brixel/ID/bridge
std::string deviceAvailabilityTopic(const Identity& identity);             // brixel/ID/device
std::string stateTopic(const Identity& identity, const Entity& entity);    // brixel/ID/OBJECT
std::string commandTopic(const Identity& identity, const Entity& entity);  // brixel/ID/OBJECT/set
// What the bridge subscribes to for commands: brixel/ID/+/set.
std::string commandSubscription(const Identity& identity);
// Home Assistant's own availability, whose "online" asks for everything again: PREFIX/status.
std::string homeAssistantStatusTopic(const Identity& identity);
std::string discoveryTopic(const Identity& identity, const Entity& entity);  // PREFIX/COMPONENT/ID/OBJECT/config
nlohmann::json discoveryDocument(const Identity& identity, const Entity& entity);

// What a command payload asks for; `refusal` set when nothing is to be sent.
struct Command {
    std::string_view operation;
    nlohmann::json inputs = nlohmann::json::object();
    std::string refusal;
};
Command commandFor(const Entity& entity, std::string_view payload);

// A payload as a log line may show it: printable ASCII, cut short.
std::string shownPayload(std::string_view payload);

// The states a status result gives its sensors and binary sensors, by object
// id; none when it reached no device.
std::map<std::string, std::string> reportStates(const nlohmann::json& statusResult);

// The states a confirmed change through the catalogue gives the selects (the
// device reads none back): the setting's value, the EDID installed, every
// setting unknown after a factory reset.
std::vector<std::pair<std::string, std::string>> changedStates(const toolkit::ResultDocument& doc);

}  // namespace brixel::bridge
