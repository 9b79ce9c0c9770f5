// SPDX-License-Identifier: MIT
#include "bridge/entities.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "bridge/signal_values.h"
#include "edid/catalogue.h"
#include "report/status_fields.h"
#include "settings/argument_names.h"
#include "toolkit/operations.h"

namespace brixel::bridge {
namespace {

using nlohmann::json;

// The report's lines shown as sensors: the field, and the key of its value in
// the status document (its text, or a number parsed from it).
struct ReportSensor {
    std::string_view objectId;
    std::string_view name;
    std::string_view field;
    std::string_view key = "value";
    std::string_view unit = {};
    std::string_view deviceClass = {};
};

constexpr std::array reportSensors{
    ReportSensor{"input_format", "Input format", "input"},
    ReportSensor{"output_format", "Output format", "output"},
    ReportSensor{"input_colour_space", "Input colour space", "inColorSpace"},
    ReportSensor{"output_colour_space", "Output colour space", "outColorSpace"},
    ReportSensor{"input_pixel_clock", "Input pixel clock", "inPixelClock", "pixelClockKhz", "kHz", "frequency"},
    ReportSensor{"output_pixel_clock", "Output pixel clock", "outPixelClock", "pixelClockKhz", "kHz", "frequency"},
    ReportSensor{"input_deep_colour", "Input deep colour", "inDeepColor"},
    ReportSensor{"output_deep_colour", "Output deep colour", "outDeepColor"},
    ReportSensor{"input_hdcp", "Input HDCP", "inEncryption"},
    ReportSensor{"output_hdcp", "Output HDCP", "outEncryption"},
    ReportSensor{"source_name", "Source", "sourceName"},
    ReportSensor{"display_name", "Display", "displayName"},
};

constexpr bool isStatusField(std::string_view name) {
    return std::ranges::any_of(statusFields, [name](const StatusField& f) { return f.name == name; });
}
static_assert(std::ranges::all_of(reportSensors, [](const ReportSensor& s) { return isStatusField(s.field); }),
              "every report sensor reads a field of the report");

// Home Assistant's unit for luminance, as the HDR InfoFrame gives it.
constexpr std::string_view candelas = "cd/m²";

struct SignalSensor {
    std::string_view objectId;
    std::string_view name;
    std::optional<double> SignalValues::*value;
};

constexpr std::string_view hdrFormatObject = "hdr_format";
constexpr std::array signalSensors{
    SignalSensor{"max_cll", "MaxCLL", &SignalValues::maxCll},
    SignalSensor{"max_fall", "MaxFALL", &SignalValues::maxFall},
    SignalSensor{"mastering_max_luminance", "Mastering max luminance", &SignalValues::maxMasteringLuminance},
    SignalSensor{"mastering_min_luminance", "Mastering min luminance", &SignalValues::minMasteringLuminance},
};

constexpr std::string_view signalObject = "signal";
constexpr std::string_view hdrObject = "hdr";
constexpr std::string_view edidObject = "builtin_edid";
constexpr std::string_view edidInstall = "edid install";

// The factory reset a button can ask for: the settings, not the EDIDs.
constexpr std::string_view factoryResetValue = "settings";
static_assert(valueNamed(ArgumentKind::factoryReset, factoryResetValue).has_value());

// "auto-switch" as an object id: "auto_switch".
std::string objectIdOf(std::string_view command) {
    std::string id(command);
    std::replace(id.begin(), id.end(), '-', '_');
    return id;
}

// A summary as a name: "output colour depth" as "Output colour depth".
std::string named(std::string_view summary) {
    std::string name(summary);
    if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

// Each setting with named values is a select of those names, but the factory
// reset, which is the button.
bool isSelect(const toolkit::Operation& op) {
    return op.setting && !namesFor(op.setting->argument).empty() && op.setting->argument != ArgumentKind::factoryReset;
}

Entity entityOf(Component component, std::string_view objectId, std::string name) {
    Entity entity;
    entity.component = component;
    entity.objectId = objectId;
    entity.name = std::move(name);
    return entity;
}

// A select or button: what its payload runs.
Entity commanding(Component component, const toolkit::Operation& op, std::string_view objectId, std::string name,
                  std::string_view input) {
    Entity entity = entityOf(component, objectId, std::move(name));
    entity.operation = op.name;
    entity.input = input;
    return entity;
}

std::vector<Entity> makeEntities() {
    std::vector<Entity> list;
    for (const auto& op : toolkit::operations()) {
        if (!isSelect(op)) continue;
        Entity select = commanding(Component::select, op, objectIdOf(op.name), named(op.summary), "value");
        for (const auto& value : namesFor(op.setting->argument)) select.options.emplace_back(value.name);
        list.push_back(std::move(select));
    }
    Entity edid =
        commanding(Component::select, *toolkit::findOperation(edidInstall), edidObject, "Built-in EDID", "entry");
    for (const auto& row : edid::catalogue) edid.options.emplace_back(row.name);
    edid.extra = {{"entity_category", "config"}};
    list.push_back(std::move(edid));

    for (const auto& sensor : reportSensors) {
        Entity entity = entityOf(Component::sensor, sensor.objectId, std::string(sensor.name));
        if (!sensor.unit.empty())
            entity.extra = {{"unit_of_measurement", sensor.unit},
                            {"device_class", sensor.deviceClass},
                            {"state_class", "measurement"}};
        list.push_back(std::move(entity));
    }
    list.push_back(entityOf(Component::sensor, hdrFormatObject, "HDR format"));
    for (const auto& sensor : signalSensors) {
        Entity entity = entityOf(Component::sensor, sensor.objectId, std::string(sensor.name));
        entity.extra = {{"unit_of_measurement", candelas}, {"state_class", "measurement"}};
        list.push_back(std::move(entity));
    }
    list.push_back(entityOf(Component::binarySensor, signalObject, "Signal"));
    list.push_back(entityOf(Component::binarySensor, hdrObject, "HDR"));

    const auto& reset = *toolkit::settingOperation(BRIXEL_CMD_FACTORY_RESET);
    Entity button = commanding(Component::button, reset, objectIdOf(reset.name), named(reset.summary), "value");
    button.pressValue = factoryResetValue;
    button.extra = {{"entity_category", "config"}, {"enabled_by_default", false}};
    list.push_back(std::move(button));
    return list;
}

std::string numberText(double value) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} ? std::string(text.data(), end) : std::string(noValue);
}

std::string textState(const json& value) {
    if (value.is_string() && !value.get_ref<const std::string&>().empty()) return value.get<std::string>();
    if (value.is_number()) return numberText(value.get<double>());
    return std::string(noValue);
}

bool idCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

}  // namespace

std::string_view componentName(Component component) {
    switch (component) {
        case Component::select: return "select";
        case Component::sensor: return "sensor";
        case Component::binarySensor: return "binary_sensor";
        case Component::button: return "button";
    }
    return "sensor";
}

const std::vector<Entity>& entities() {
    static const std::vector<Entity> list = makeEntities();
    return list;
}

const Entity* findEntity(std::string_view objectId) {
    for (const auto& entity : entities())
        if (entity.objectId == objectId) return &entity;
    return nullptr;
}

std::string identityId(std::string_view host, std::string_view devicePath) {
    std::string id = "brixel_";
    const auto add = [&id](std::string_view text) {
        for (const char c : text) {
            const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (idCharacter(lower))
                id += lower;
            else if (id.back() != '_')
                id += '_';
        }
        while (id.back() == '_') id.pop_back();
    };
    add(host.empty() ? "host" : host);
    if (!devicePath.empty()) {
        id += '_';
        add(devicePath);
    }
    return id;
}

std::string baseTopic(const Identity& identity) { return "brixel/" + identity.id; }
std::string bridgeAvailabilityTopic(const Identity& identity) { return baseTopic(identity) + "/bridge"; }
std::string deviceAvailabilityTopic(const Identity& identity) { return baseTopic(identity) + "/device"; }
std::string stateTopic(const Identity& identity, const Entity& entity) {
    return baseTopic(identity) + "/" + entity.objectId;
}
std::string commandTopic(const Identity& identity, const Entity& entity) {
    return stateTopic(identity, entity) + "/set";
}
std::string commandSubscription(const Identity& identity) { return baseTopic(identity) + "/+/set"; }
std::string homeAssistantStatusTopic(const Identity& identity) { return identity.discoveryPrefix + "/status"; }

std::string discoveryTopic(const Identity& identity, const Entity& entity) {
    return identity.discoveryPrefix + "/" + std::string(componentName(entity.component)) + "/" + identity.id + "/" +
           entity.objectId + "/config";
}

json discoveryDocument(const Identity& identity, const Entity& entity) {
    json device = {{"identifiers", json::array({identity.id})}, {"name", identity.deviceName}, {"model", "Brixel"}};
    if (!identity.firmware.empty()) device["sw_version"] = identity.firmware;
    json doc = {
        {"name", entity.name},
        {"unique_id", identity.id + "_" + entity.objectId},
        {"availability",
         json::array({{{"topic", bridgeAvailabilityTopic(identity)}}, {{"topic", deviceAvailabilityTopic(identity)}}})},
        {"availability_mode", "all"},
        {"payload_available", online},
        {"payload_not_available", offline},
        {"device", device},
        {"origin", {{"name", "brixelctl"}, {"sw_version", identity.toolVersion}}},
    };
    switch (entity.component) {
        case Component::select:
            doc["command_topic"] = commandTopic(identity, entity);
            doc["state_topic"] = stateTopic(identity, entity);
            doc["options"] = entity.options;
            break;
        case Component::sensor: doc["state_topic"] = stateTopic(identity, entity); break;
        case Component::binarySensor:
            doc["state_topic"] = stateTopic(identity, entity);
            doc["payload_on"] = stateOn;
            doc["payload_off"] = stateOff;
            break;
        case Component::button:
            doc["command_topic"] = commandTopic(identity, entity);
            doc["payload_press"] = buttonPress;
            break;
    }
    doc.update(entity.extra);
    return doc;
}

std::string shownPayload(std::string_view payload) {
    constexpr std::size_t shownBytes = 40;
    std::string shown;
    for (const char c : payload.substr(0, shownBytes)) shown += c >= 0x20 && c < 0x7F ? c : '?';
    if (payload.size() > shownBytes) shown += "...";
    return shown;
}

Command commandFor(const Entity& entity, std::string_view payload) {
    Command command;
    command.operation = entity.operation;
    if (entity.operation.empty()) {
        command.refusal = entity.name + " takes no commands";
        return command;
    }
    if (entity.component == Component::button) {
        if (payload != buttonPress)
            command.refusal = "'" + shownPayload(payload) + "' is not " + std::string(buttonPress);
        else
            command.inputs[std::string(entity.input)] = entity.pressValue;
        return command;
    }
    if (std::find(entity.options.begin(), entity.options.end(), payload) == entity.options.end()) {
        command.refusal =
            "'" + shownPayload(payload) + "' is not one of its " + std::to_string(entity.options.size()) + " options";
        return command;
    }
    command.inputs[std::string(entity.input)] = payload;
    return command;
}

std::map<std::string, std::string> reportStates(const json& statusResult) {
    std::map<std::string, std::string> states;
    const auto fields = statusResult.find("fields");
    if (fields == statusResult.end() || !fields->is_object()) return states;
    const bool report = statusResult.value("report", false);
    for (const auto& sensor : reportSensors) {
        const auto field = fields->find(sensor.field);
        const bool has = report && field != fields->end() && field->contains(sensor.key);
        states[std::string(sensor.objectId)] = has ? textState(field->at(sensor.key)) : std::string(noValue);
    }
    const SignalValues signal = signalValues(statusResult);
    states[std::string(hdrFormatObject)] = signal.hdrFormat.empty() ? std::string(noValue) : signal.hdrFormat;
    for (const auto& sensor : signalSensors) {
        const auto& value = signal.*sensor.value;
        states[std::string(sensor.objectId)] = value ? numberText(*value) : std::string(noValue);
    }
    states[std::string(signalObject)] = report ? stateOn : stateOff;
    states[std::string(hdrObject)] = signal.hdrActive() ? stateOn : stateOff;
    return states;
}

std::vector<std::pair<std::string, std::string>> changedStates(const toolkit::ResultDocument& doc) {
    std::vector<std::pair<std::string, std::string>> states;
    if (!doc.confirmed.value_or(false)) return states;
    if (doc.command == edidInstall) {
        states.emplace_back(edidObject, doc.result.value("name", std::string(noValue)));
        return states;
    }
    // A setting by name or by code: the same select.
    const auto* op = toolkit::findOperation(doc.command);
    if (op && !op->setting && doc.result.contains("code") && doc.result["code"].is_number_integer())
        op = toolkit::settingOperation(doc.result["code"].get<int>());
    if (!op || !op->setting) return states;
    if (op->setting->argument == ArgumentKind::factoryReset) {
        for (const auto& entity : entities())
            if (entity.component == Component::select && entity.objectId != edidObject)
                states.emplace_back(entity.objectId, noValue);
        return states;
    }
    if (!isSelect(*op) || !doc.result.contains("value")) return states;
    const auto name = nameOf(op->setting->argument, doc.result["value"].get<uint8_t>());
    states.emplace_back(objectIdOf(op->name), name.empty() ? std::string(noValue) : std::string(name));
    return states;
}

}  // namespace brixel::bridge
