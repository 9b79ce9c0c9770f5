// SPDX-License-Identifier: MIT
#pragma once
// The panel's one device: the toolkit's owner of the library, holding the
// device open for the server's lifetime (requests from httplib's threads are
// run one at a time), and the console lines the page's pane shows. The owner
// is the panel's own, or one it shares with the process's other front ends.

#include <cstdint>
#include <deque>
#include <memory>
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
    // Shared with other front ends, and then `transport` is its business; the
    // panel makes its own owner when none is given.
    toolkit::DeviceOwner* owner = nullptr;
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
    std::unique_ptr<toolkit::DeviceOwner> ownOwner_;
    toolkit::DeviceOwner& owner_;
    unsigned watching_ = 0;
};

}  // namespace brixel::panel
