// SPDX-License-Identifier: MIT
#pragma once
// The simulated Brixel: answers the request frames of the protocol from its
// state, and no other frame. Pure: no USB, no clock, no files. The USB side
// lives in simulator.h, persistence in state_file.h.

#include <BrixelLibrary.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "protocol/registers.h"
#include "sim/edid_model.h"
#include "sim/infoframe_model.h"
#include "sim/matrix_model.h"
#include "sim/report_model.h"

namespace brixel::sim {

using Reply = std::vector<uint8_t>;

class DeviceModel {
public:
    DeviceModel();

    // The device's answer to one request frame, at most 64 bytes; empty when
    // the device leaves the frame unanswered.
    Reply answer(std::span<const uint8_t> request);

    uint8_t setting(BRIXEL_CMD code) const { return settings[static_cast<uint8_t>(code)]; }
    // The state block: byte k is the value of setting code k, the last two
    // the firmware version.
    std::array<uint8_t, protocol::stateBlockSize> stateBlock() const;

    // Back to the state of a new device.
    void restoreFactoryState();

    std::array<uint8_t, 256> settings{};
    uint8_t firmwareMajor = 1;
    uint8_t firmwareMinor = 5;

    EdidState edid;
    ReportState report;
    InfoFrameState infoFrames;
    MatrixState matrix;

private:
    Reply answerSetting(uint8_t code, uint8_t value);
    Reply answerRegister(uint8_t reg, uint8_t count) const;
};

// The default value of every setting of a new device.
std::array<uint8_t, 256> factorySettings();

// A read request's reply: `echo`, one spare byte, then `data`, padded with
// zeros or cut to the `count` bytes asked for (never more than 64).
Reply readReply(uint8_t echo, uint8_t count, std::span<const uint8_t> data);

}  // namespace brixel::sim
