#pragma once
// The panel's one device: the toolkit's owner of the library, holding the
// device open for the server's lifetime (requests from httplib's threads are
// run one at a time), and the console lines the page's pane shows.

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/device_owner.h"

namespace brixel::panel {

// Where the panel finds its device.
struct DeviceAccess {
    toolkit::Transport transport;
    std::string devicePath;  // only the device attached here; any when empty
    // Where the settings given to the device are remembered, shared with brixelctl.
    std::optional<toolkit::SettingMemory> memory;
};

// A line the library printed or warned, numbered from 1 for the page's pane.
struct LogLine {
    uint64_t number = 0;
    bool warning = false;
    std::string text;
};

class PanelDevice {
public:
    explicit PanelDevice(DeviceAccess access);
    ~PanelDevice();
    PanelDevice(const PanelDevice&) = delete;
    PanelDevice& operator=(const PanelDevice&) = delete;

    toolkit::Outcome run(std::string_view operation, const toolkit::Inputs& inputs);

    // The last value each setting was given here or by brixelctl; an empty
    // object when nothing is remembered.
    nlohmann::json rememberedSettings() const;

    // The lines after `number`, at most the last `limit`.
    std::vector<LogLine> linesAfter(uint64_t number, std::size_t limit = 200) const;

private:
    void log(bool warning, std::string_view text);

    DeviceAccess access_;
    mutable std::mutex logMutex_;
    std::deque<LogLine> log_;
    uint64_t lastLine_ = 0;
    toolkit::DeviceOwner owner_;
};

}  // namespace brixel::panel
