#include "panel/panel_device.h"

namespace brixel::panel {
namespace {

// Enough for a long session on the page; older lines are dropped.
constexpr std::size_t logLimit = 1000;

toolkit::OwnerOptions ownerOptions(const DeviceAccess& access, PanelDevice& device,
                                   void (PanelDevice::*log)(bool, std::string_view)) {
    toolkit::OwnerOptions options;
    options.transport = access.transport;
    options.memory = access.memory;
    options.onConsoleLine = [&device, log](std::string_view line) { (device.*log)(false, line); };
    options.onWarning = [&device, log](std::string_view line) { (device.*log)(true, line); };
    return options;
}

}  // namespace

PanelDevice::PanelDevice(DeviceAccess access)
    : access_(std::move(access)), owner_(ownerOptions(access_, *this, &PanelDevice::log)) {
    owner_.hold(access_.devicePath);
}

PanelDevice::~PanelDevice() { owner_.release(access_.devicePath); }

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
