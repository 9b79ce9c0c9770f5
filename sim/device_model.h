#pragma once
// The simulated Brixel: answers every request frame of the protocol from its
// state. Pure: no USB, no clock. The USB side lives in simulator.h.

#include <BrixelLibrary.h>

#include <array>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <vector>

#include "sim/edid_model.h"
#include "sim/infoframe_model.h"
#include "sim/matrix_model.h"
#include "sim/report_model.h"

namespace brixel::sim {

using Reply = std::vector<uint8_t>;

class DeviceModel {
public:
    DeviceModel();

    // The device's answer to one request frame, at most 64 bytes.
    Reply answer(std::span<const uint8_t> request);

    uint8_t setting(BRIXEL_CMD code) const { return settings[static_cast<uint8_t>(code)]; }
    // The 60-byte state block: byte k is the value of setting code k, the last
    // two the firmware version.
    std::array<uint8_t, 60> stateBlock() const;

    // Back to the state of a new device.
    void restoreFactoryState();

    nlohmann::json save() const;
    void load(const nlohmann::json& state);

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

// Lays a register block reply out: echo 0xE0, one spare byte, then `data`,
// padded with zeros or cut to `count` bytes (never more than 64).
Reply registerReply(uint8_t count, std::span<const uint8_t> data);

}  // namespace brixel::sim
