#pragma once
// Custom InfoFrames written to the device and their activation.

namespace brixel::sim {

struct InfoFrameState {};

}  // namespace brixel::sim
