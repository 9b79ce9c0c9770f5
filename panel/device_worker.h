#pragma once
// The one thread that talks to the library: the library's calls must not
// overlap, so every request's work is queued here and run in turn, with the
// device held open for the worker's lifetime (the library finds it again
// after an unplug at the next call).

#include <BrixelPlatform.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/result_document.h"

namespace brixel::toolkit {
class DeviceSession;
}

namespace brixel::panel {

// Where the worker finds its device.
struct DeviceAccess {
    const BRIXEL_USB_LAYER* transport = nullptr;
    std::string devicePath;  // only the device attached here; any when empty
    // Run on the worker before each job (told whether it changes the device)
    // and after one that changed it (a simulated device's state is read and
    // kept in a file).
    std::function<void(bool changes)> beforeJob;
    std::function<void()> afterChange;
};

// A line the library printed or warned, numbered from 1 for the page's pane.
struct LogLine {
    uint64_t number = 0;
    bool warning = false;
    std::string text;
};

class DeviceWorker {
public:
    explicit DeviceWorker(DeviceAccess access);
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Runs `work` on the worker and waits: `work` makes library calls through
    // `call` and fills `doc.result`; its return value is `doc.confirmed`.
    // Messages and warnings are those of this job alone. `reached` tells
    // whether a device was ever opened.
    struct Outcome {
        toolkit::ResultDocument doc;
        bool reached = false;
    };
    using Call = std::function<bool(const std::function<bool()>&)>;
    Outcome run(const std::string& command, const std::function<bool(const Call& call, nlohmann::json& result)>& work,
                bool changes);

    // The lines after `number`, at most the last `limit`.
    std::vector<LogLine> linesAfter(uint64_t number, std::size_t limit = 200) const;

private:
    void loop();
    void log(bool warning, std::string_view text);

    DeviceAccess access_;
    std::unique_ptr<toolkit::DeviceSession> session_;
    std::string sessionError_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;

    mutable std::mutex logMutex_;
    std::deque<LogLine> log_;
    uint64_t lastLine_ = 0;

    std::thread thread_;
};

}  // namespace brixel::panel
