// SPDX-License-Identifier: MIT
#include "toolkit/remembered_settings.h"

#include <fstream>
#include <functional>
#include <sstream>

#include "state_home/state_home.h"
#include "text/utc_time.h"
#include "toolkit/files.h"
#include "toolkit/result_document.h"

namespace brixel::toolkit {
namespace {

using nlohmann::json;

json readAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return json::object();
    std::stringstream text;
    text << in.rdbuf();
    json all = json::parse(text.str(), nullptr, false);
    return all.is_object() ? all : json::object();
}

}  // namespace

std::filesystem::path defaultSettingMemoryFile() { return state_home::stateFile("remembered-settings.json"); }

namespace {

// Changes the device's settings under the lock, from read to write.
bool change(const SettingMemory& memory, const std::function<void(json& settings)>& edit, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(memory.file.parent_path(), ec);
    const FileLock lock(memory.file);
    if (!lock.held()) {
        error = "cannot lock " + pathText(memory.file) + ".lock";
        return false;
    }
    json all = readAll(memory.file);
    json& settings = all[memory.device];
    if (!settings.is_object()) settings = json::object();
    edit(settings);
    auto out = OutputFile::prepare(pathText(memory.file), error);
    return out && out->write(jsonText(all) + "\n", error);
}

}  // namespace

bool rememberSetting(const SettingMemory& memory, std::string_view command, uint8_t value, std::string_view name,
                     std::string& error) {
    json setting = {{"value", value}, {"by", memory.by}, {"at", text::utcNow()}};
    if (!name.empty()) setting["name"] = name;
    return change(
        memory, [&](json& settings) { settings[std::string(command)] = setting; }, error);
}

bool forgetSettings(const SettingMemory& memory, std::string& error) {
    return change(
        memory, [](json& settings) { settings = json::object(); }, error);
}

json recalledSettings(const SettingMemory& memory) {
    // Read under the lock too: on Windows a file open for reading cannot be
    // replaced, and a change made meanwhile would fail to be remembered.
    std::error_code ec;
    if (!std::filesystem::exists(memory.file, ec)) return json::object();
    const FileLock lock(memory.file);
    const json all = readAll(memory.file);
    const auto it = all.find(memory.device);
    return it != all.end() && it->is_object() ? *it : json::object();
}

}  // namespace brixel::toolkit
