// SPDX-License-Identifier: MIT
// InfoFrame writes are held until their activation frame makes them current.

#include <algorithm>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/payloads.h"
#include "sim/subsystems.h"

namespace brixel::sim {
namespace {

std::vector<uint8_t> dataOf(std::span<const uint8_t> request) {
    return {request.begin() + protocol::requestHeaderSize, request.end()};
}

void activate(const std::vector<uint8_t>& written, std::vector<uint8_t>& current, bool& active) {
    if (written.empty()) return;
    current = written;
    active = true;
}

// A write's length byte is the count of InfoFrame bytes it carries.
bool isInfoFrameWrite(std::span<const uint8_t> request) {
    const uint8_t count = request[1];
    return count > 0 && count <= protocol::infoFrameAreaSize && request.size() == protocol::requestHeaderSize + count;
}

}  // namespace

std::optional<Reply> answerInfoFrameFrame(DeviceModel& device, std::span<const uint8_t> request) {
    if (request[0] != protocol::requestWrite) return std::nullopt;
    auto& s = device.infoFrames;
    const uint8_t command = request[2];
    if (command == protocol::commandAviInfoFrame && isInfoFrameWrite(request)) {
        s.aviWritten = dataOf(request);
    } else if (command == protocol::commandHdrInfoFrame && isInfoFrameWrite(request)) {
        s.hdrWritten = dataOf(request);
    } else if (command == protocol::commandActivate && request.size() == protocol::activationFrameSize) {
        // The activation's length byte repeats the write's count: nothing to check.
        const uint8_t which = request[3];
        if (which == protocol::activateAvi)
            activate(s.aviWritten, s.avi, s.aviActive);
        else if (which == protocol::activateHdr)
            activate(s.hdrWritten, s.hdr, s.hdrActive);
        else
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return Reply{command, 0x00};
}

}  // namespace brixel::sim
