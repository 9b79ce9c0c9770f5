// The matrix write is kept byte for byte; register 44 hands it back.

#include <algorithm>

#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "sim/subsystems.h"

namespace brixel::sim {

std::optional<Reply> answerMatrixFrame(DeviceModel& device, std::span<const uint8_t> request) {
    if (request.size() < 3 || request[0] != protocol::requestWrite || request[2] != protocol::commandMatrix)
        return std::nullopt;
    const std::size_t count = std::min({std::size_t{request[1]}, request.size() - 3, matrixWireSize});
    std::copy_n(request.begin() + 3, count, device.matrix.wire.begin());
    return Reply{protocol::commandMatrix, 0x00};
}

// Reply byte k (from 2) is what write-frame byte k + 1 carried.
std::optional<Reply> matrixRegister(const DeviceModel& device, uint8_t reg, uint8_t count) {
    if (reg != protocol::matrixBlock.reg) return std::nullopt;
    return registerReply(count, device.matrix.wire);
}

nlohmann::json saveState(const MatrixState& state) { return {{"wire", state.wire}}; }

void loadState(MatrixState& state, const nlohmann::json& j) {
    state = MatrixState{};
    if (j.contains("wire")) state.wire = j.at("wire").get<std::array<uint8_t, matrixWireSize>>();
}

}  // namespace brixel::sim
