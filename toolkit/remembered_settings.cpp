#include "toolkit/remembered_settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

#include "toolkit/files.h"
#include "toolkit/result_document.h"

namespace brixel::toolkit {
namespace {

using nlohmann::json;

// Held while the file is read, changed and written back.
class Lock {
public:
    explicit Lock(const std::filesystem::path& file)
        : fd_(::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~Lock() {
        if (fd_ >= 0) ::close(fd_);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

json readAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return json::object();
    std::stringstream text;
    text << in.rdbuf();
    json all = json::parse(text.str(), nullptr, false);
    return all.is_object() ? all : json::object();
}

std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

std::filesystem::path defaultSettingMemoryFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::filesystem::path base = state && *state ? std::filesystem::path(state)
                                       : home && *home ? std::filesystem::path(home) / ".local" / "state"
                                                       : std::filesystem::path(temporaryDirectory());
    return base / "brixelctl" / "remembered-settings.json";
}

namespace {

// Changes the device's settings under the lock, from read to write.
bool change(const SettingMemory& memory, const std::function<void(json& settings)>& edit, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(memory.file.parent_path(), ec);
    const Lock lock(memory.file);
    if (!lock.held()) {
        error = "cannot lock " + memory.file.string() + ".lock";
        return false;
    }
    json all = readAll(memory.file);
    json& settings = all[memory.device];
    if (!settings.is_object()) settings = json::object();
    edit(settings);
    auto out = OutputFile::prepare(memory.file.string(), error);
    return out && out->write(jsonText(all) + "\n", error);
}

}  // namespace

bool rememberSetting(const SettingMemory& memory, std::string_view command, uint8_t value, std::string_view name,
                     std::string& error) {
    json setting = {{"value", value}, {"by", memory.by}, {"at", utcNow()}};
    if (!name.empty()) setting["name"] = name;
    return change(
        memory, [&](json& settings) { settings[std::string(command)] = setting; }, error);
}

bool forgetSettings(const SettingMemory& memory, std::string& error) {
    return change(
        memory, [](json& settings) { settings = json::object(); }, error);
}

json recalledSettings(const SettingMemory& memory) {
    const json all = readAll(memory.file);
    const auto it = all.find(memory.device);
    return it != all.end() && it->is_object() ? *it : json::object();
}

}  // namespace brixel::toolkit
