// SPDX-License-Identifier: MIT
#include "link/transact.h"

#include <algorithm>
#include <array>
#include <cassert>

#include "link/connection.h"
#include "link/platform_access.h"
#include "link/timings.h"
#include "protocol/commands.h"
#include "protocol/frame.h"

namespace brixel {
namespace {

// Runs one layer call with the given time-outs, restoring the ones it found.
template <typename Call>
int withTimeouts(uint32_t readMs, uint32_t writeMs, Call call) {
    uint32_t savedRead = 0;
    uint32_t savedWrite = 0;
    usb().getTimeouts(&savedRead, &savedWrite);
    usb().setTimeouts(readMs, writeMs);
    const int status = call();
    usb().setTimeouts(savedRead, savedWrite);
    return status;
}

}  // namespace

bool transact(ReplyBuffer reply, std::span<const uint8_t> frame, uint32_t* bytesRead) {
    std::fill(reply.begin(), reply.end(), uint8_t{0});
    if (bytesRead) *bytesRead = 0;
    const uint32_t start = tickCount();
    usb().flushBuffers(deviceHandle(), 1, 1);

    // The layer takes a mutable buffer; hand it a copy.
    assert(frame.size() <= protocol::maxFrameSize);
    std::array<uint8_t, protocol::maxFrameSize> out{};
    const auto length = static_cast<uint32_t>(std::min(frame.size(), out.size()));
    std::copy_n(frame.begin(), length, out.begin());
    uint32_t written = 0;
    const int writeStatus = withTimeouts(
        0, writeTimeoutMs, [&] { return usb().write(deviceHandle(), out.data(), length, &written, nullptr); });
    if (writeStatus != 0) return false;

    // Tight poll: the first reply byte is noticed at once.
    bool queueFailed = false;
    bool replyWaiting = false;
    while (static_cast<uint32_t>(tickCount() - start) < replyWindowMs) {
        uint32_t waiting = 0;
        uint32_t queueStatus = 0;
        if (usb().checkRxQueue(deviceHandle(), &waiting, &queueStatus) != 0) {
            warn(L"Error Checking RX Queue");
            queueFailed = true;
        }
        if (waiting >= 1) {
            replyWaiting = true;
            break;
        }
    }
    if (queueFailed || !replyWaiting) return false;

    std::array<uint8_t, protocol::replySize> in{};
    uint32_t got = 0;
    const int readStatus = withTimeouts(readTimeoutMs, 0, [&] {
        return usb().read(deviceHandle(), in.data(), static_cast<uint32_t>(in.size()), &got, nullptr);
    });
    // Whatever count the layer claims, no more than the buffer holds.
    const auto delivered = static_cast<uint32_t>(std::min<std::size_t>(got, protocol::replySize));
    std::copy_n(in.begin(), delivered, reply.begin());
    if (bytesRead) *bytesRead = delivered;
    return readStatus == 0;
}

bool echoExchange(std::span<const uint8_t> frame, uint8_t command, const char* errorLine, ReplyBuffer reply) {
    std::fill(reply.begin(), reply.end(), uint8_t{0});
    DeviceUse device;
    if (!device) return false;
    const bool ok = transact(reply, frame) && reply[0] == command;
    if (!ok) console(errorLine);
    return ok;
}

bool readBlock(uint8_t reg, ReplyBuffer reply, uint8_t count) {
    const std::array<uint8_t, protocol::registerReadFrameSize> frame{protocol::requestRead, count,
                                                                     protocol::commandRegister, reg};
    return echoExchange(frame, protocol::commandRegister, errorReading, reply);
}

}  // namespace brixel
