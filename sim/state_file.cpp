#include "sim/state_file.h"

#include <algorithm>
#include <concepts>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <type_traits>
#include <utility>

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

// The forms a field takes in the file other than nlohmann's own: views of a
// member that save and load it.

// Bytes as one hex string.
template <typename Bytes>
struct Hex {
    Bytes& bytes;
    json save() const { return text::hexBytes(bytes); }
    void load(const json& j) const {
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
        j.at(0).get_to(first);
        j.at(1).get_to(second);
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
        for (std::size_t k = 0; k < records.size() && k < j.size(); ++k)
            within(std::to_string(k), [&] { fromJson(j[k], records[k]); });
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
            within(key, [&] { bytes.get_to(blocks[reg]); });
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
        eachField(value, [&j](const char* key, auto&& member) {
            if (j.contains(key)) within(key, [&] { fromJson(j.at(key), member); });
        });
    } else {
        j.get_to(value);
    }
}

}  // namespace

json saveState(const DeviceModel& model) { return toJson(model); }

DeviceModel loadState(const json& state) {
    DeviceModel model;
    fromJson(state, model);
    return model;
}

std::filesystem::path defaultStateFile() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = std::filesystem::temp_directory_path();
    return base / "brixelctl" / "simulated-device.json";
}

bool loadStateFile(DeviceModel& model, const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return true;
    std::ifstream in(file);
    if (!in) {
        error = "cannot read " + file.string();
        return false;
    }
    try {
        model = loadState(json::parse(in));
    } catch (const std::exception& e) {
        error = file.string() + " is not a simulated device state (" + e.what() + "); start afresh with --fresh";
        return false;
    }
    return true;
}

bool saveStateFile(const DeviceModel& model, const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    // Written beside and renamed, so an interrupted run never leaves half a file.
    const auto temporary = std::filesystem::path(file.string() + ".tmp");
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
        out << saveState(model).dump(1) << '\n';
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        error = "cannot replace " + file.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace brixel::sim
