// SPDX-License-Identifier: MIT
#include "link/transact.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/connection.h"
#include "protocol/frame.h"
#include "tests/link/link_expectations.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

const sim::Call& only(const sim::Simulator& sim, Op op) {
    static const sim::Call none{.op = Op::warn};
    for (const auto& c : sim.trace())
        if (c.op == op) return c;
    ADD_FAILURE() << "no " << sim::opName(op) << " call";
    return none;
}

// ---- The reply window -----------------------------------------------------------

// The virtual clock moves 1 ms per receive-queue check and the exchange starts
// at 0, so a reply of latency L is seen by the check at L.
struct WindowCase {
    uint32_t latencyMs;
    uint32_t writeDurationMs;
    bool replyRead;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << "latency " << c.latencyMs << " ms, write " << c.writeDurationMs << " ms";
}

class ReplyWindow : public SimTest, public testing::WithParamInterface<WindowCase> {};

TEST_P(ReplyWindow, ReplyIsReadOnlyWithinFourSecondsOfTheStart) {
    const auto [latency, writeDuration, replyRead] = GetParam();
    device->replyLatencyMs = latency;
    device->writeDurationMs = writeDuration;
    const bool ok = run([] { return setAutoSwitch(true); });
    EXPECT_EQ(ok, replyRead);
    EXPECT_EQ(sim.count(Op::read), replyRead ? 1u : 0u);
    EXPECT_EQ(printed, replyRead ? "" : "Error Writing values\n");
    EXPECT_TRUE(releasedAndClosed(sim));
    EXPECT_TRUE(sim.sleeps().empty());  // the poll never sleeps
    EXPECT_TRUE(sim.warnings().empty());
    if (writeDuration >= 4000) {
        EXPECT_EQ(sim.count(Op::checkRxQueue), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Link, ReplyWindow,
                         testing::Values(WindowCase{0, 0, true}, WindowCase{3999, 0, true}, WindowCase{4000, 0, false},
                                         WindowCase{100000, 0, false}, WindowCase{0, 3999, true},
                                         WindowCase{0, 4000, false}, WindowCase{0, 6000, false},
                                         WindowCase{2000, 1999, true}, WindowCase{2000, 2000, false}));

TEST_F(SimTest, SilentDeviceIsPolledForTheWholeWindowWithoutARead) {
    device->faults.noReply = sim::FrameFault::at(0);
    EXPECT_FALSE(run([] { return setLogoLed(false); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.count(Op::checkRxQueue), 4000u);
    EXPECT_EQ(sim.count(Op::read), 0u);
    EXPECT_TRUE(releasedAndClosed(sim));
    EXPECT_TRUE(sim.warnings().empty());
}

TEST_F(SimTest, WindowSurvivesTheTickWrapping) {
    sim.setNow(UINT32_MAX - 1000);
    device->replyLatencyMs = 3000;
    EXPECT_TRUE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(sim.count(Op::read), 1u);
    EXPECT_LT(sim.now(), 4000u);  // the clock did wrap during the wait

    sim.setNow(UINT32_MAX - 10);
    sim.clearTrace();
    device->faults.noReply = sim::FrameFault::always();
    EXPECT_FALSE(run([] { return setLogoLed(true); }));
    EXPECT_EQ(sim.count(Op::checkRxQueue), 4000u);
    EXPECT_EQ(printed, "Error Writing values\n");
}

// ---- Receive-queue failure --------------------------------------------------------

TEST_F(SimTest, QueueFailureWarnsOncePerFailedCheckAndReadsNothing) {
    device->faults.rxQueueFails = sim::FrameFault::at(0);
    device->replyLatencyMs = 7;
    EXPECT_FALSE(run([] { return setCsc(BRIXEL_COLFMT_RGB); }));
    // Polling goes on after a failed check until the reply byte is seen.
    EXPECT_EQ(sim.count(Op::checkRxQueue), 8u);
    EXPECT_EQ(sim.warnings(), std::vector<std::wstring>(8, L"Error Checking RX Queue"));
    EXPECT_EQ(sim.count(Op::read), 0u);
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_TRUE(releasedAndClosed(sim));
}

TEST_F(SimTest, QueueFailureOfOneFrameLeavesTheNextExchangeAlone) {
    LeaveDeviceOpen();
    device->faults.rxQueueFails = sim::FrameFault::at(0);
    EXPECT_FALSE(setCsc(BRIXEL_COLFMT_RGB));
    sim.clearTrace();
    EXPECT_TRUE(run([] { return setCsc(BRIXEL_COLFMT_RGB); }));
    EXPECT_TRUE(sim.warnings().empty());
}

// ---- Write and read failures ------------------------------------------------------

TEST_F(SimTest, WriteFailureReadsNothing) {
    device->faults.writeFails = sim::FrameFault::at(0);
    EXPECT_FALSE(run([] { return setDeepColor(BRIXEL_DC_10BIT); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.usbOps(), concat({discovery,
                                    {Op::flushBuffers, Op::getTimeouts, Op::setTimeouts, Op::write, Op::setTimeouts},
                                    {Op::close}}));
    EXPECT_TRUE(sim.warnings().empty());
    EXPECT_EQ(device->model.setting(BRIXEL_CMD_DEEP_COLOR), BRIXEL_DC_SAME_AS_INPUT);
}

TEST_F(SimTest, ReadFailureKeepsTheBytesThatArrived) {
    device->faults.readFails = sim::FrameFault::at(0);
    std::array<uint8_t, protocol::replySize> reply{};
    EXPECT_FALSE(run([&] { return readBlock(7, reply, 8); }));
    EXPECT_EQ(printed, "Error Reading values\n");
    EXPECT_EQ(reply[0], 0xE0);
    EXPECT_EQ(reply[2], 1);
    EXPECT_EQ(reply[3], 5);
    EXPECT_TRUE(releasedAndClosed(sim));
}

// Operations of several frames call transact directly with one buffer.
TEST_F(SimTest, TransactZeroesWhatNoReplyByteOverwrote) {
    device->faults.shortReply = sim::FrameFault::at(1);
    device->faults.shortReplyLength = 3;
    ASSERT_TRUE(ensureDeviceOpen());
    std::array<uint8_t, protocol::replySize> reply{};
    const std::array<uint8_t, 3> stateRead{0x11, 0x3E, 0xE1};
    ASSERT_TRUE(transact(reply, stateRead));
    EXPECT_NE(reply[3], 0);
    ASSERT_TRUE(transact(reply, stateRead));
    EXPECT_EQ(reply[0], 0xE1);
    for (std::size_t i = 3; i < protocol::replySize; ++i) EXPECT_EQ(reply[i], 0) << i;
    releaseDevice();
    EXPECT_EQ(sim.openHandles(), 0u);
}

// ---- Time-outs --------------------------------------------------------------------

TEST_F(SimTest, TimeoutsAreSetForWriteAndReadAndRestoredAfter) {
    sim.setTimeoutsDirectly(123, 456);
    ASSERT_TRUE(setHtpc(true));
    const auto& write = only(sim, Op::write);
    EXPECT_EQ(write.readTimeoutMs, 0u);
    EXPECT_EQ(write.writeTimeoutMs, 4000u);
    const auto& read = only(sim, Op::read);
    EXPECT_EQ(read.readTimeoutMs, 4000u);
    EXPECT_EQ(read.writeTimeoutMs, 0u);
    // Found values in force between the write and the read, and after.
    EXPECT_EQ(only(sim, Op::checkRxQueue).readTimeoutMs, 123u);
    EXPECT_EQ(only(sim, Op::checkRxQueue).writeTimeoutMs, 456u);
    EXPECT_EQ(sim.readTimeoutMs(), 123u);
    EXPECT_EQ(sim.writeTimeoutMs(), 456u);
}

TEST_F(SimTest, TimeoutsAreRestoredAfterAFailedWrite) {
    sim.setTimeoutsDirectly(77, 88);
    device->faults.writeFails = sim::FrameFault::at(0);
    EXPECT_FALSE(setHtpc(true));
    EXPECT_EQ(sim.readTimeoutMs(), 77u);
    EXPECT_EQ(sim.writeTimeoutMs(), 88u);
}

// ---- Flush --------------------------------------------------------------------------

TEST_F(SimTest, StaleBytesAreFlushedBeforeTheWrite) {
    LeaveDeviceOpen();
    ASSERT_TRUE(resetBrixel());
    // An old echo waits; the device then stays silent. Taking the stale bytes
    // for the reply would wrongly report success.
    device->injectStale({0xE0, 0x00});
    device->faults.noReply = sim::FrameFault::at(1);
    sim.clearTrace();
    EXPECT_FALSE(run([] { return resetBrixel(); }));
    EXPECT_EQ(sim.count(Op::read), 0u);
    EXPECT_EQ(printed, "Error Writing values\n");
    const auto& flush = only(sim, Op::flushBuffers);
    EXPECT_EQ(flush.flushTransmit, 1u);
    EXPECT_EQ(flush.flushReceive, 1u);
}

TEST_F(SimTest, StaleBytesNeverReachTheReply) {
    LeaveDeviceOpen();
    ASSERT_TRUE(resetBrixel());
    device->injectStale({0xE1, 0x00, 0xEE, 0xEE});
    std::array<uint8_t, protocol::replySize> reply{};
    ASSERT_TRUE(readBlock(7, reply, 8));
    EXPECT_EQ(reply[0], 0xE0);
    EXPECT_EQ(reply[2], 1);
}

// ---- Reply copy rules, through a layer that shapes the read --------------------------

// Forwards to the simulator but replaces what a read delivers.
struct ShapedRead {
    static inline BRIXEL_USB_LAYER inner{};
    static inline std::array<uint8_t, 64> bytes{};
    static inline uint32_t claimedCount = 0;

    static int read(void* handle, void* buffer, uint32_t wanted, uint32_t* got, void* overlapped) {
        const int status = inner.read(handle, buffer, wanted, got, overlapped);
        std::memcpy(buffer, bytes.data(), std::min<std::size_t>(wanted, bytes.size()));
        *got = claimedCount;
        return status;
    }
    static BRIXEL_USB_LAYER layer(const sim::Simulator& sim) {
        inner = sim.usbLayer();
        BRIXEL_USB_LAYER shaped = inner;
        shaped.read = read;
        return shaped;
    }
};

class ReplyCopy : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        for (std::size_t i = 0; i < ShapedRead::bytes.size(); ++i)
            ShapedRead::bytes[i] = static_cast<uint8_t>(0xE0 + i);
        const BRIXEL_USB_LAYER shaped = ShapedRead::layer(sim);
        ASSERT_TRUE(brixelSetUsbLayer(&shaped));
    }
    // A reply buffer followed by bytes that must stay untouched.
    std::array<uint8_t, protocol::replySize + 16> storage{};
    ReplyBuffer reply{storage.data(), protocol::replySize};
};

TEST_F(ReplyCopy, ReplyLongerThanAskedIsCopiedUpTo64Bytes) {
    storage.fill(0x55);
    ShapedRead::claimedCount = 64;
    ASSERT_TRUE(readBlock(7, reply, 8));
    for (std::size_t i = 0; i < protocol::replySize; ++i) EXPECT_EQ(storage[i], ShapedRead::bytes[i]) << i;
    for (std::size_t i = protocol::replySize; i < storage.size(); ++i) EXPECT_EQ(storage[i], 0x55) << i;
}

TEST_F(ReplyCopy, CountAboveTheBufferIsCutTo64) {
    storage.fill(0x55);
    ShapedRead::claimedCount = 1000;
    ASSERT_TRUE(readBlock(7, reply, 8));
    EXPECT_EQ(storage[63], ShapedRead::bytes[63]);
    for (std::size_t i = protocol::replySize; i < storage.size(); ++i) EXPECT_EQ(storage[i], 0x55) << i;
}

TEST_F(ReplyCopy, OnlyTheReportedCountIsCopiedTheRestIsZero) {
    storage.fill(0x55);
    ShapedRead::claimedCount = 3;
    ASSERT_TRUE(readBlock(7, reply, 8));
    EXPECT_EQ(storage[0], 0xE0);
    EXPECT_EQ(storage[2], 0xE2);
    for (std::size_t i = 3; i < protocol::replySize; ++i) EXPECT_EQ(storage[i], 0) << i;
}

}  // namespace
}  // namespace brixel::test
