// SPDX-License-Identifier: MIT
#pragma once
// The faults the simulated device can be given, by name: the one table that
// the stand-in SiUSBXp.dll, the command line and the bindings read. A fault is
// written KIND, or KIND@N for a fault of the frames that is to hit frame N
// only (counted from 0 over the frames written to the device).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/simulator.h"

namespace brixel::sim {

// How long a device given the replug fault stays away, on the simulator's
// clock: long enough for a tool to see it gone, short enough for a test.
inline constexpr uint32_t replugDelayMs = 2000;

struct FaultKind {
    std::string_view name;
    std::string_view description;  // one line
    // Takes @N. Without it a fault of the frames hits every frame.
    bool atFrame;
    // A fault of the whole USB layer, not of one device.
    bool wholeLayer;
    // Gives the fault to `device` (unused for a fault of the whole layer);
    // `frame` is the N of KIND@N.
    void (*apply)(Simulator& sim, std::size_t device, std::optional<uint32_t> frame);
};

std::span<const FaultKind> faultKinds();

struct Fault {
    const FaultKind* kind;
    std::optional<uint32_t> frame;

    void applyTo(Simulator& sim, std::size_t device) const { kind->apply(sim, device, frame); }
};

// "KIND" or "KIND@N"; nullopt, with `error` saying why, for anything else.
std::optional<Fault> parseFault(std::string_view text, std::string& error);

}  // namespace brixel::sim
