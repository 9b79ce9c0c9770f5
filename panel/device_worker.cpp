#include "panel/device_worker.h"

#include <future>

#include "toolkit/device_session.h"

namespace brixel::panel {
namespace {

// Enough for a long session on the page; older lines are dropped.
constexpr std::size_t logLimit = 1000;

}  // namespace

DeviceWorker::DeviceWorker(DeviceAccess access) : access_(std::move(access)) {
    std::promise<void> opened;
    thread_ = std::thread([this, &opened] {
        toolkit::SessionOptions options;
        options.transport = access_.transport;
        options.devicePath = access_.devicePath;
        options.onConsoleLine = [this](std::string_view line) { log(false, line); };
        options.onWarning = [this](std::string_view line) { log(true, line); };
        session_ = toolkit::DeviceSession::open(std::move(options), sessionError_);
        opened.set_value();
        loop();
        session_.reset();
    });
    opened.get_future().wait();
}

DeviceWorker::~DeviceWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DeviceWorker::loop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();
    }
}

void DeviceWorker::log(bool warning, std::string_view text) {
    std::lock_guard lock(logMutex_);
    log_.push_back({++lastLine_, warning, std::string(text)});
    if (log_.size() > logLimit) log_.pop_front();
}

std::vector<LogLine> DeviceWorker::linesAfter(uint64_t number, std::size_t limit) const {
    std::lock_guard lock(logMutex_);
    std::vector<LogLine> lines;
    for (const auto& line : log_)
        if (line.number > number) lines.push_back(line);
    if (lines.size() > limit) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(limit));
    return lines;
}

DeviceWorker::Outcome DeviceWorker::run(const std::string& command,
                                        const std::function<bool(const Call&, nlohmann::json&)>& work, bool changes) {
    std::packaged_task<Outcome()> task([&] {
        Outcome outcome;
        outcome.doc.command = command;
        if (!session_) {
            outcome.doc.confirmed = false;
            outcome.doc.error = sessionError_;
            return outcome;
        }
        if (access_.beforeJob) access_.beforeJob(changes);
        const std::size_t linesBefore = session_->consoleLines.size();
        const std::size_t warningsBefore = session_->warnings.size();
        const Call call = [this](const std::function<bool()>& libraryCall) { return session_->call(libraryCall); };
        const bool confirmed = work(call, outcome.doc.result);
        if (changes && access_.afterChange) access_.afterChange();
        outcome.doc.confirmed = confirmed;
        outcome.reached = session_->deviceReached();
        auto& lines = session_->consoleLines;
        auto& warnings = session_->warnings;
        outcome.doc.messages.assign(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore), lines.end());
        outcome.doc.warnings.assign(warnings.begin() + static_cast<std::ptrdiff_t>(warningsBefore), warnings.end());
        // The session keeps nothing the worker does not hand out.
        lines.clear();
        warnings.clear();
        return outcome;
    });
    auto result = task.get_future();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back([&task] { task(); });
    }
    wake_.notify_one();
    return result.get();
}

}  // namespace brixel::panel
