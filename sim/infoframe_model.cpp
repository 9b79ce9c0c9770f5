// InfoFrame writes are held until their activation frame makes them current.

#include <algorithm>

#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "sim/subsystems.h"

namespace brixel::sim {
namespace {

constexpr uint8_t commandAvi = protocol::commandAviInfoFrame;
constexpr uint8_t commandHdr = protocol::commandHdrInfoFrame;

std::vector<uint8_t> dataOf(std::span<const uint8_t> request) {
    const std::size_t count = std::min<std::size_t>(request[1], request.size() - 3);
    return {request.begin() + 3, request.begin() + 3 + static_cast<std::ptrdiff_t>(count)};
}

void activate(std::vector<uint8_t>& written, std::vector<uint8_t>& current, bool& active) {
    if (written.empty()) return;
    current = written;
    active = true;
}

}  // namespace

std::optional<Reply> answerInfoFrameFrame(DeviceModel& device, std::span<const uint8_t> request) {
    if (request.size() < 3 || request[0] != protocol::requestWrite) return std::nullopt;
    auto& s = device.infoFrames;
    switch (request[2]) {
        case commandAvi: s.aviWritten = dataOf(request); break;
        case commandHdr: s.hdrWritten = dataOf(request); break;
        case protocol::commandActivate:
            if (request.size() >= 4 && request[3] == protocol::activateAvi) activate(s.aviWritten, s.avi, s.aviActive);
            if (request.size() >= 4 && request[3] == protocol::activateHdr) activate(s.hdrWritten, s.hdr, s.hdrActive);
            break;
        default: return std::nullopt;
    }
    return Reply{request[2], 0x00};
}

nlohmann::json saveState(const InfoFrameState& state) {
    return {{"avi", state.avi}, {"aviActive", state.aviActive}, {"aviWritten", state.aviWritten},
            {"hdr", state.hdr}, {"hdrActive", state.hdrActive}, {"hdrWritten", state.hdrWritten}};
}

void loadState(InfoFrameState& state, const nlohmann::json& j) {
    state = InfoFrameState{};
    state.avi = j.value("avi", std::vector<uint8_t>{});
    state.aviActive = j.value("aviActive", false);
    state.aviWritten = j.value("aviWritten", std::vector<uint8_t>{});
    state.hdr = j.value("hdr", std::vector<uint8_t>{});
    state.hdrActive = j.value("hdrActive", false);
    state.hdrWritten = j.value("hdrWritten", std::vector<uint8_t>{});
}

}  // namespace brixel::sim
