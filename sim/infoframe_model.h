// SPDX-License-Identifier: MIT
#pragma once
// Custom InfoFrames written to the device and their activation.

#include <cstdint>
#include <vector>

namespace brixel::sim {

struct InfoFrameState {
    // As activated: type, version, length, checksum, payload.
    std::vector<uint8_t> avi;
    bool aviActive = false;  // an activated custom AVI InfoFrame is what the output sends
    std::vector<uint8_t> hdr;
    bool hdrActive = false;
    // As written and not yet activated; the device takes them on activation.
    std::vector<uint8_t> aviWritten;
    std::vector<uint8_t> hdrWritten;
};

}  // namespace brixel::sim
