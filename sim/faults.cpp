// SPDX-License-Identifier: MIT
#include "sim/faults.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace brixel::sim {
namespace {

using Frame = std::optional<uint32_t>;

FrameFault frames(Frame frame) { return frame ? FrameFault::at(*frame) : FrameFault::always(); }
DeviceFaults& of(Simulator& sim, std::size_t device) { return sim.device(device).faults; }

constexpr std::array<FaultKind, 12> kinds{{
    {"count", "counting the devices fails", false, true,
     [](Simulator& sim, std::size_t, Frame) { sim.countFails = true; }},
    {"string", "the device's serial string cannot be read", false, false,
     [](Simulator& sim, std::size_t d, Frame) { of(sim, d).stringFails = true; }},
    {"open", "opening the device fails", false, false,
     [](Simulator& sim, std::size_t d, Frame) { of(sim, d).openFails = true; }},
    {"close", "closing the device fails", false, false,
     [](Simulator& sim, std::size_t d, Frame) { of(sim, d).closeFails = true; }},
    {"write", "a frame's write fails and sends nothing", true, false,
     [](Simulator& sim, std::size_t d, Frame f) { of(sim, d).writeFails = frames(f); }},
    {"noReply", "the device does not answer a frame", true, false,
     [](Simulator& sim, std::size_t d, Frame f) { of(sim, d).noReply = frames(f); }},
    {"rxQueue", "receive-queue checks fail while a frame's reply is awaited", true, false,
     [](Simulator& sim, std::size_t d, Frame f) { of(sim, d).rxQueueFails = frames(f); }},
    {"read", "the read of a reply delivers it but reports failure", true, false,
     [](Simulator& sim, std::size_t d, Frame f) { of(sim, d).readFails = frames(f); }},
    {"shortReply", "a reply is cut to its first byte", true, false,
     [](Simulator& sim, std::size_t d, Frame f) {
         of(sim, d).shortReply = frames(f);
         of(sim, d).shortReplyLength = 1;
     }},
    {"wrongEcho", "a reply's first byte is not the command byte", true, false,
     [](Simulator& sim, std::size_t d, Frame f) { of(sim, d).wrongEcho = frames(f); }},
    // Without @N at the first frame, as a device is unplugged only once.
    {"unplug", "the device is unplugged as a frame is written, and that frame gets no reply", true, false,
     [](Simulator& sim, std::size_t d, Frame f) { of(sim, d).unplugAfterFrames = f.value_or(0) + 1; }},
    {"replug", "as unplug, and plugged in again soon after, to be found anew", true, false,
     [](Simulator& sim, std::size_t d, Frame f) {
         of(sim, d).unplugAfterFrames = f.value_or(0) + 1;
         of(sim, d).replugAfterMs = replugDelayMs;
     }},
}};

}  // namespace

std::span<const FaultKind> faultKinds() { return kinds; }

std::optional<Fault> parseFault(std::string_view text, std::string& error) {
    const auto at = text.find('@');
    const std::string_view name = text.substr(0, at);
    const auto* kind = std::find_if(kinds.begin(), kinds.end(), [name](const FaultKind& k) { return k.name == name; });
    if (kind == kinds.end()) {
        error = "no fault is called '" + std::string(name) + "'; the faults are";
        for (const auto& k : kinds) error += " " + std::string(k.name);
        return std::nullopt;
    }
    if (at == std::string_view::npos) return Fault{kind, std::nullopt};
    if (!kind->atFrame) {
        error = "the fault '" + std::string(name) + "' hits no particular frame: give it without @";
        return std::nullopt;
    }
    const std::string_view number = text.substr(at + 1);
    uint32_t frame = 0;
    const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), frame);
    if (number.empty() || problem != std::errc{} || end != number.data() + number.size() ||
        frame == FrameFault::never) {
        error = "'" + std::string(text) + "': after @ comes a frame number, counted from 0";
        return std::nullopt;
    }
    return Fault{kind, frame};
}

}  // namespace brixel::sim
