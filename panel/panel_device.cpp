// SPDX-License-Identifier: MIT
#include "panel/panel_device.h"

namespace brixel::panel {
namespace {

// Enough for a long session on the page; older lines are dropped.
constexpr std::size_t logLimit = 1000;

std::unique_ptr<toolkit::DeviceOwner> ownerUnlessShared(const DeviceAccess& access) {
    if (access.owner) return nullptr;
    toolkit::OwnerOptions options;
    options.transport = access.transport;
    options.memory = access.memory;
    return std::make_unique<toolkit::DeviceOwner>(std::move(options));
}

}  // namespace

PanelDevice::PanelDevice(DeviceAccess access)
    : access_(std::move(access)),
      ownOwner_(ownerUnlessShared(access_)),
      owner_(access_.owner ? *access_.owner : *ownOwner_) {
    toolkit::OwnerWatcher watcher;
    watcher.onConsoleLine = [this](std::string_view line) { log(false, line); };
    watcher.onWarning = [this](std::string_view line) { log(true, line); };
    watching_ = owner_.watch(std::move(watcher));
    owner_.hold(access_.devicePath);
}

PanelDevice::~PanelDevice() {
    owner_.release(access_.devicePath);
    owner_.unwatch(watching_);
}

toolkit::Outcome PanelDevice::run(std::string_view operation, const toolkit::Inputs& inputs) {
    return owner_.run(operation, inputs, access_.devicePath);
}

nlohmann::json PanelDevice::rememberedSettings() const {
    return access_.memory ? toolkit::recalledSettings(*access_.memory) : nlohmann::json::object();
}

void PanelDevice::log(bool warning, std::string_view text) {
    std::lock_guard lock(logMutex_);
    log_.push_back({++lastLine_, warning, std::string(text)});
    if (log_.size() > logLimit) log_.pop_front();
}

std::vector<LogLine> PanelDevice::linesAfter(uint64_t number, std::size_t limit) const {
    std::lock_guard lock(logMutex_);
    std::vector<LogLine> lines;
    for (const auto& line : log_)
        if (line.number > number) lines.push_back(line);
    if (lines.size() > limit) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(limit));
    return lines;
}

}  // namespace brixel::panel
