#pragma once
// How the device model hands frames and registers to each subsystem's part of
// the simulation. Each function answers only what is its own and returns
// nullopt for anything else.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "sim/device_model.h"

namespace brixel::sim {

std::optional<Reply> answerEdidFrame(DeviceModel& device, std::span<const uint8_t> request);
std::optional<Reply> answerReportFrame(DeviceModel& device, std::span<const uint8_t> request);
std::optional<Reply> answerInfoFrameFrame(DeviceModel& device, std::span<const uint8_t> request);
std::optional<Reply> answerMatrixFrame(DeviceModel& device, std::span<const uint8_t> request);

std::optional<Reply> reportRegister(const DeviceModel& device, uint8_t reg, uint8_t count);
std::optional<Reply> matrixRegister(const DeviceModel& device, uint8_t reg, uint8_t count);

// Called after a setting write has been stored.
void edidSettingChanged(DeviceModel& device, uint8_t code, uint8_t value);

// Persistence of each part of the state, for the command-line tool.
nlohmann::json saveState(const EdidState& state);
nlohmann::json saveState(const ReportState& state);
nlohmann::json saveState(const InfoFrameState& state);
nlohmann::json saveState(const MatrixState& state);
void loadState(EdidState& state, const nlohmann::json& j);
void loadState(ReportState& state, const nlohmann::json& j);
void loadState(InfoFrameState& state, const nlohmann::json& j);
void loadState(MatrixState& state, const nlohmann::json& j);

}  // namespace brixel::sim
