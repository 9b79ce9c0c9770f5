// SPDX-License-Identifier: MIT
// The matrix write is kept byte for byte; register 44 hands it back.

#include <algorithm>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "sim/subsystems.h"

namespace brixel::sim {

std::optional<Reply> answerMatrixFrame(DeviceModel& device, std::span<const uint8_t> request) {
    if (request[0] != protocol::requestWrite || request[2] != protocol::commandMatrix ||
        request[1] != protocol::matrixWireSize ||
        request.size() != protocol::requestHeaderSize + protocol::matrixWireSize)
        return std::nullopt;
    std::copy_n(request.begin() + protocol::requestHeaderSize, protocol::matrixWireSize, device.matrix.wire.begin());
    return Reply{protocol::commandMatrix, 0x00};
}

// Reply byte k (from 2) is what write-frame byte k + 1 carried.
BlockData matrixData(const DeviceModel& device) { return {device.matrix.wire.begin(), device.matrix.wire.end()}; }

}  // namespace brixel::sim
