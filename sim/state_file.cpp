// SPDX-License-Identifier: MIT
#include "sim/state_file.h"

#include <algorithm>
#include <array>
#include <concepts>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "protocol/frame.h"
#include "sim/state_storage.h"
#include "state_home/state_home.h"
#include "text/hex.h"

namespace brixel::sim {
namespace {

using nlohmann::json;

// Something the device cannot hold, with the keys that lead to it.
class StateError : public std::runtime_error {
public:
    StateError(std::string path, std::string reason)
        : std::runtime_error(path.empty() ? reason : path + ": " + reason),
          path_(std::move(path)),
          reason_(std::move(reason)) {}
    StateError under(const std::string& key) const { return {path_.empty() ? key : key + "." + path_, reason_}; }

private:
    std::string path_;
    std::string reason_;
};

// Runs `load` for the value under `key`, so that what it throws names the key.
template <typename Load>
void within(const std::string& key, Load&& load) {
    try {
        load();
    } catch (const StateError& e) {
        throw e.under(key);
    } catch (const std::exception& e) {
        throw StateError(key, e.what());
    }
}

void requireObject(const json& j) {
    if (!j.is_object()) throw StateError("", std::string("a JSON ") + j.type_name() + ", not an object");
}

template <typename T>
json toJson(const T& value);
template <typename T>
void fromJson(const json& j, T&& value);

// ---- Plain values, each checked for what its member can hold -------------------

// Bytes kept in a list (InfoFrames, scripted blocks): never more than a reply holds.
constexpr std::size_t maxListedBytes = protocol::replySize;

std::string shown(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

void loadValue(const json& j, bool& value) {
    if (!j.is_boolean()) throw StateError("", shown(j) + " is not true or false");
    value = j.get<bool>();
}

void loadValue(const json& j, std::string& value) {
    if (!j.is_string()) throw StateError("", shown(j) + " is not a string");
    value = j.get<std::string>();
}

// Whole numbers only, and only those the member holds: nothing wraps, and no
// float is ever converted to an integer it does not fit.
template <std::unsigned_integral T>
void loadValue(const json& j, T& value) {
    constexpr auto max = std::numeric_limits<T>::max();
    const std::string range = "a whole number 0-" + std::to_string(max);
    // Integers, signed or not as the parser or a program made them; never a float.
    if (j.is_number_unsigned() || (j.is_number_integer() && j.get<int64_t>() >= 0)) {
        const auto v = j.get<uint64_t>();
        if (v > max) throw StateError("", shown(j) + " is not " + range);
        value = static_cast<T>(v);
        return;
    }
    throw StateError("", shown(j) + " is not " + range);
}

template <std::size_t N>
void loadValue(const json& j, std::array<uint8_t, N>& bytes) {
    if (!j.is_array() || j.size() != N)
        throw StateError("", "not a list of " + std::to_string(N) + " bytes (" + std::string(j.type_name()) +
                                 (j.is_array() ? " of " + std::to_string(j.size()) : "") + ")");
    std::array<uint8_t, N> loaded{};
    for (std::size_t k = 0; k < N; ++k) within(std::to_string(k), [&] { loadValue(j[k], loaded[k]); });
    bytes = loaded;
}

void loadValue(const json& j, std::vector<uint8_t>& bytes) {
    if (!j.is_array() || j.size() > maxListedBytes)
        throw StateError("", "not a list of at most " + std::to_string(maxListedBytes) + " bytes (" +
                                 std::string(j.type_name()) + (j.is_array() ? " of " + std::to_string(j.size()) : "") +
                                 ")");
    std::vector<uint8_t> loaded(j.size());
    for (std::size_t k = 0; k < j.size(); ++k) within(std::to_string(k), [&] { loadValue(j[k], loaded[k]); });
    bytes = std::move(loaded);
}

// The forms a field takes in the file other than nlohmann's own: views of a
// member that save and load it.

// Bytes as one hex string.
template <typename Bytes>
struct Hex {
    Bytes& bytes;
    json save() const { return text::hexBytes(bytes); }
    void load(const json& j) const {
        if (!j.is_string()) throw StateError("", shown(j) + " is not a string of hex");
        const auto parsed = text::bytesFromHex(j.get<std::string>());
        if (!parsed || parsed->size() != bytes.size())
            throw StateError("", "not " + std::to_string(bytes.size()) + " bytes of hex");
        std::copy(parsed->begin(), parsed->end(), bytes.begin());
    }
};
template <typename Bytes>
Hex<Bytes> hex(Bytes& bytes) {
    return {bytes};
}

// Two values as one array: [first, second].
template <typename Value>
struct Pair {
    Value& first;
    Value& second;
    json save() const { return json::array({first, second}); }
    void load(const json& j) const {
        if (!j.is_array() || j.size() != 2) throw StateError("", shown(j) + " is not a pair [first, second]");
        Value a{};
        Value b{};
        within("0", [&] { loadValue(j[0], a); });
        within("1", [&] { loadValue(j[1], b); });
        first = a;
        second = b;
    }
};
template <typename Value>
Pair<Value> pair(Value& first, Value& second) {
    return {first, second};
}

// Records as an array, entry k filling record k; records past a shorter
// array's end stay as they are.
template <typename Records>
struct Entries {
    Records& records;
    json save() const {
        json j = json::array();
        for (const auto& record : records) j.push_back(toJson(record));
        return j;
    }
    void load(const json& j) const {
        if (!j.is_array()) throw StateError("", std::string("a JSON ") + j.type_name() + ", not an array");
        if (j.size() > records.size())
            throw StateError("", std::to_string(j.size()) + " entries, more than the " +
                                     std::to_string(records.size()) + " there are");
        for (std::size_t k = 0; k < j.size(); ++k) within(std::to_string(k), [&] { fromJson(j[k], records[k]); });
    }
};
template <typename Records>
Entries<Records> entries(Records& records) {
    return {records};
}

// A scripted block's key is its register number in decimal; no other key
// names a register.
uint8_t registerNumber(const std::string& key) {
    const bool digits = !key.empty() && key.size() <= 3 &&
                        std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int reg = digits ? std::stoi(key) : -1;
    if (reg < 0 || reg > 255) throw StateError("", "scripted block '" + key + "' is not a register 0-255");
    return static_cast<uint8_t>(reg);
}

// Register blocks keyed by their register.
template <typename Blocks>
struct ByRegister {
    Blocks& blocks;
    json save() const {
        json j = json::object();
        for (const auto& [reg, bytes] : blocks) j[std::to_string(reg)] = bytes;
        return j;
    }
    void load(const json& j) const {
        requireObject(j);
        for (const auto& [key, bytes] : j.items()) {
            const uint8_t reg = registerNumber(key);
            within(key, [&] { loadValue(bytes, blocks[reg]); });
        }
    }
};
template <typename Blocks>
ByRegister<Blocks> byRegister(Blocks& blocks) {
    return {blocks};
}

// Each record's fields, each once: `field(key, member)` is called for every
// field, by the writer and by the reader alike. S is the record, const or not.

template <typename S, typename Record>
concept either = std::same_as<std::remove_const_t<S>, Record>;

template <either<SimulatedSource> S, typename Field>
void eachField(S& s, Field&& field) {
    field("connected", s.connected);
    field("videoCode", s.videoCode);
    field("pixelClockKhz", s.pixelClockKhz);
    field("colorFormat", s.colorFormat);
    field("depth", s.depth);
    field("colorimetry", s.colorimetry);
    field("extendedColorimetry", s.extendedColorimetry);
    field("quantization", s.quantization);
    field("hdr", s.hdr);
    field("eotf", s.eotf);
    field("threeD", s.threeD);
    field("structure3d", s.structure3d);
    field("hdcp", s.hdcp);
    field("vendor", s.vendor);
    field("product", s.product);
    field("sourceInfo", s.sourceInfo);
    field("audio", s.audio);
}

template <either<ReportState> S, typename Field>
void eachField(S& s, Field&& field) {
    field("ports", entries(s.ports));
    field("display2160p", s.display2160p);
    field("scriptedBlocks", byRegister(s.scriptedBlocks));
}

// An EDID write not yet committed is not kept: it belongs to one library call.
template <either<EdidState> S, typename Field>
void eachField(S& s, Field&& field) {
    field("store", hex(s.store));
    field("sink", hex(s.sink));
}

template <either<InfoFrameState> S, typename Field>
void eachField(S& s, Field&& field) {
    field("avi", s.avi);
    field("aviActive", s.aviActive);
    field("aviWritten", s.aviWritten);
    field("hdr", s.hdr);
    field("hdrActive", s.hdrActive);
    field("hdrWritten", s.hdrWritten);
}

template <either<MatrixState> S, typename Field>
void eachField(S& s, Field&& field) {
    field("wire", s.wire);
}

template <either<DeviceModel> S, typename Field>
void eachField(S& s, Field&& field) {
    field("settings", s.settings);
    field("firmware", pair(s.firmwareMajor, s.firmwareMinor));
    field("edid", s.edid);
    field("report", s.report);
    field("infoFrames", s.infoFrames);
    field("matrix", s.matrix);
}

constexpr auto anyField = [](const char*, auto&&) {};

template <typename T>
concept Record = requires(T& record) {
    eachField(record, anyField);
};

template <typename T>
concept Form = requires(const T& form, const json& j) {
    form.save();
    form.load(j);
};

template <typename T>
json toJson(const T& value) {
    if constexpr (Form<T>) {
        return value.save();
    } else if constexpr (Record<T>) {
        json j = json::object();
        eachField(value, [&j](const char* key, const auto& member) { j[key] = toJson(member); });
        return j;
    } else {
        return json(value);
    }
}

template <typename T>
void fromJson(const json& j, T&& value) {
    using V = std::remove_cvref_t<T>;
    if constexpr (Form<V>) {
        value.load(j);
    } else if constexpr (Record<V>) {
        requireObject(j);
        std::vector<std::string_view> known;
        eachField(value, [&j, &known](const char* key, auto&& member) {
            known.push_back(key);
            if (j.contains(key)) within(key, [&] { fromJson(j.at(key), member); });
        });
        // A misspelt or misplaced key is named, not ignored.
        for (const auto& [key, unused] : j.items())
            if (std::find(known.begin(), known.end(), key) == known.end())
                throw StateError(key, "not a field of the simulated device's state here");
    } else {
        loadValue(j, value);
    }
}

}  // namespace

json saveState(const DeviceModel& model) { return toJson(model); }

DeviceModel loadState(const json& state) {
    DeviceModel model;
    fromJson(state, model);
    return model;
}

std::filesystem::path defaultStateFile() { return state_home::stateFile("simulated-device.json"); }

namespace {

// A saved state is some tens of kilobytes.
constexpr std::size_t stateFileLimit = 4 * 1024 * 1024;

}  // namespace

bool loadStateFile(DeviceModel& model, const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return true;
    std::string content;
    if (!storage::readBounded(file, stateFileLimit, content, error)) return false;
    std::string why;
    try {
        model = loadState(json::parse(content));
        return true;
    } catch (const json::parse_error& e) {
        // Where the text stops being JSON, as an editor counts lines and columns.
        const std::size_t at = std::min<std::size_t>(e.byte > 0 ? e.byte - 1 : 0, content.size());
        const auto line = 1 + std::count(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(at), '\n');
        const auto lineStart = content.rfind('\n', at == 0 ? 0 : at - 1);
        const auto column = at - (lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1) + 1;
        why = at >= content.size()
                  ? "its JSON breaks off at the end"
                  : "its JSON breaks off at line " + std::to_string(line) + ", column " + std::to_string(column);
    } catch (const std::exception& e) {
        why = e.what();
    }
    error = storage::displayName(file) + " is not a simulated device state (" + why +
            "); nothing is written over it: start afresh with --fresh";
    return false;
}

bool saveStateFile(const DeviceModel& model, const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    return storage::replace(file, saveState(model).dump(1) + "\n", error);
}

std::optional<StateFileLock> StateFileLock::acquire(const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    std::string reason;
    const int handle = storage::lock(std::filesystem::path(file) += ".lock", reason);
    if (handle < 0) {
        error = "cannot lock " + storage::displayName(file) + ": " + reason;
        return std::nullopt;
    }
    return StateFileLock(handle);
}

StateFileLock::StateFileLock(StateFileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

StateFileLock& StateFileLock::operator=(StateFileLock&& other) noexcept {
    if (this != &other) {
        storage::unlock(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

StateFileLock::~StateFileLock() { storage::unlock(fd_); }

}  // namespace brixel::sim
