// SPDX-License-Identifier: MIT
#pragma once
// How the device model hands frames and register reads to each subsystem's
// part of the simulation. A frame handler answers only the frames that are its
// own, exactly as the protocol shapes them, and returns nullopt for anything
// else.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/device_model.h"

namespace brixel::sim {

std::optional<Reply> answerEdidFrame(DeviceModel& device, std::span<const uint8_t> request);
std::optional<Reply> answerReportFrame(DeviceModel& device, std::span<const uint8_t> request);
std::optional<Reply> answerInfoFrameFrame(DeviceModel& device, std::span<const uint8_t> request);
std::optional<Reply> answerMatrixFrame(DeviceModel& device, std::span<const uint8_t> request);

// A register block's content from reply byte 2 on; the model pads or cuts it
// to the count asked for.
using BlockData = std::vector<uint8_t>;
BlockData statusData(const DeviceModel& device);
BlockData spdData(const DeviceModel& device);
BlockData hdrData(const DeviceModel& device);
BlockData vendor1Data(const DeviceModel& device);
BlockData vendor2Data(const DeviceModel& device);
BlockData audioData(const DeviceModel& device);
BlockData aviData(const DeviceModel& device);
BlockData displayNameData(const DeviceModel& device);
BlockData matrixData(const DeviceModel& device);

// Called after a setting write has been stored.
void edidSettingChanged(DeviceModel& device, uint8_t code, uint8_t value);

}  // namespace brixel::sim
