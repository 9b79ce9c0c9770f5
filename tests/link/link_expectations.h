// SPDX-License-Identifier: MIT
#pragma once
// What the link's tests expect to see in the simulator's trace.

#include <algorithm>
#include <string>
#include <vector>

#include "sim/simulator.h"

namespace brixel::test {

using sim::Op;
using Frames = std::vector<std::vector<uint8_t>>;

inline const std::vector<Op> discovery{Op::getNumDevices, Op::getProductString, Op::open};
// One exchange whose reply is waiting at the first poll.
inline const std::vector<Op> exchange{Op::flushBuffers, Op::getTimeouts, Op::setTimeouts, Op::write, Op::setTimeouts,
                                      Op::checkRxQueue, Op::getTimeouts, Op::setTimeouts, Op::read,  Op::setTimeouts};

inline std::vector<Op> concat(std::initializer_list<std::vector<Op>> parts) {
    std::vector<Op> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// The release step closed the device: close is the last USB call and no
// handle is left.
inline bool releasedAndClosed(const sim::Simulator& sim) {
    const auto ops = sim.usbOps();
    return !ops.empty() && ops.back() == Op::close && sim.openHandles() == 0 &&
           std::count(ops.begin(), ops.end(), Op::close) == 1;
}

inline std::vector<std::wstring> warnings(std::initializer_list<const wchar_t*> texts) {
    return {texts.begin(), texts.end()};
}

}  // namespace brixel::test
