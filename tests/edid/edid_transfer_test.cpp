// SPDX-License-Identifier: MIT
// The EDID reads and the write, as the USB layer and the host see them.

#include <unistd.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"

namespace brixel {
namespace {

using sim::FrameFault;
using sim::Op;
using Edid = std::array<uint8_t, 256>;

Edid pattern(uint8_t seed) {
    Edid e{};
    for (std::size_t i = 0; i < e.size(); ++i) e[i] = static_cast<uint8_t>(seed + i * 7);
    return e;
}

struct ReadCase {
    const char* name;
    bool (*read)(unsigned char*);
    uint8_t command;
    const char* errorLine;
};

const ReadCase readCases[] = {
    {"device", getEdid, 0xB0, "Error reading values\n"},
    {"sink", getSinkEdid, 0xB5, "Error reading sink EDID values\n"},
};

class EdidRead : public test::SimTest, public testing::WithParamInterface<ReadCase> {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // Byte 0 of each 16-byte chunk is no echo of anything.
        device->model.edid.store = pattern(3);
        device->model.edid.sink = pattern(100);
    }
    const Edid& source() const {
        return GetParam().command == 0xB0 ? device->model.edid.store : device->model.edid.sink;
    }
};

TEST_P(EdidRead, SendsSixteenFramesAndStoresEveryReplyByte) {
    Edid buffer{};
    EXPECT_TRUE(run([&] { return GetParam().read(buffer.data()); }));
    const auto frames = sim.writtenFrames();
    ASSERT_EQ(frames.size(), 16u);
    for (std::size_t k = 0; k < 16; ++k)
        EXPECT_EQ(frames[k], (std::vector<uint8_t>{0x11, 0x10, GetParam().command, static_cast<uint8_t>(16 * k)}));
    EXPECT_EQ(buffer, source());
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(sim.sleeps().empty());
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 1u);
}

struct PartialFault {
    const char* name;
    std::function<void(sim::DeviceFaults&)> apply;
};

const PartialFault fifthReadFaults[] = {
    {"readFails", [](sim::DeviceFaults& f) { f.readFails = FrameFault::at(4); }},
    {"noReply", [](sim::DeviceFaults& f) { f.noReply = FrameFault::at(4); }},
    {"writeFails", [](sim::DeviceFaults& f) { f.writeFails = FrameFault::at(4); }},
    // Fifteen bytes cannot fill a chunk: counted as a failed read.
    {"replyOfFifteen",
     [](sim::DeviceFaults& f) {
         f.shortReply = FrameFault::at(4);
         f.shortReplyLength = 15;
     }},
};

TEST_P(EdidRead, FifthReadFailingKeepsTheRestAndReportsAfterTheRelease) {
    for (const auto& fault : fifthReadFaults) {
        SCOPED_TRACE(fault.name);
        sim.clearTrace();
        device->faults = {};
        device->framesWritten = 0;
        fault.apply(device->faults);
        // The close warns, so the moment of the release step shows in what was printed by then.
        device->faults.closeFails = true;
        long printedAtRelease = -1;
        sim.onWarning = [&](const std::wstring&) {
            std::fflush(stdout);
            printedAtRelease = lseek(STDOUT_FILENO, 0, SEEK_CUR);
        };
        Edid buffer;
        buffer.fill(0x5A);
        EXPECT_FALSE(run([&] { return GetParam().read(buffer.data()); }));
        sim.onWarning = nullptr;

        EXPECT_EQ(sim.count(Op::write), 5u) << "the remaining offsets are not asked for";
        for (std::size_t i = 0; i < 64; ++i) ASSERT_EQ(buffer[i], source()[i]) << "byte " << i;
        for (std::size_t i = 64; i < 256; ++i) ASSERT_EQ(buffer[i], 0x5A) << "byte " << i;
        EXPECT_EQ(printed, GetParam().errorLine);
        EXPECT_EQ(printedAtRelease, 0) << "the line comes after the release step";
        EXPECT_EQ(sim.count(Op::close), 1u);
    }
}

TEST_P(EdidRead, ShortFirstReplyLeavesTheBufferAlone) {
    device->faults.shortReply = FrameFault::at(0);
    device->faults.shortReplyLength = 1;
    Edid buffer;
    buffer.fill(0x5A);
    EXPECT_FALSE(run([&] { return GetParam().read(buffer.data()); }));
    EXPECT_EQ(sim.count(Op::write), 1u);
    for (uint8_t b : buffer) ASSERT_EQ(b, 0x5A);
}

TEST_P(EdidRead, NoDeviceMeansNoFrameAndNoLine) {
    device->faults.openFails = true;
    Edid buffer;
    buffer.fill(0x5A);
    EXPECT_FALSE(run([&] { return GetParam().read(buffer.data()); }));
    EXPECT_EQ(sim.count(Op::write), 0u);
    // Only the link's own line about the open; the read adds none.
    EXPECT_EQ(printed, "Device open error");
    for (uint8_t b : buffer) ASSERT_EQ(b, 0x5A);
}

TEST_P(EdidRead, LeaveOpenKeepsTheDeviceOpenOnSuccessAndFailure) {
    LeaveDeviceOpen();
    Edid buffer{};
    EXPECT_TRUE(run([&] { return GetParam().read(buffer.data()); }));
    device->faults.noReply = FrameFault::at(20);
    EXPECT_FALSE(run([&] { return GetParam().read(buffer.data()); }));
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 0u);
    EXPECT_EQ(sim.openHandles(), 1u);
}

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Both, EdidRead, testing::ValuesIn(readCases),
                         [](const auto& p) { return std::string(p.param.name); });

using EdidWrite = test::SimTest;

// The write frames and waits in the order the host saw them.
std::vector<std::string> writesAndSleeps(const sim::Simulator& s) {
    std::vector<std::string> events;
    for (const auto& c : s.trace()) {
        if (c.op == Op::write) events.push_back("write " + std::to_string(c.bytes.size()));
        if (c.op == Op::sleep) events.push_back("sleep " + std::to_string(c.sleepMs));
    }
    return events;
}

TEST_F(EdidWrite, ThirtyTwoFramesEachFollowedByAWaitThenTheCommit) {
    Edid edid = pattern(9);
    EXPECT_TRUE(run([&] { return setCustomEdid(edid.data()); }));

    const auto frames = sim.writtenFrames();
    ASSERT_EQ(frames.size(), 33u);
    for (std::size_t k = 0; k < 32; ++k) {
        std::vector<uint8_t> expected{0x10, 0x08, 0xB0, static_cast<uint8_t>(8 * k)};
        expected.insert(expected.end(), edid.begin() + 8 * k, edid.begin() + 8 * k + 8);
        EXPECT_EQ(frames[k], expected) << "frame " << k;
    }
    EXPECT_EQ(frames[32], (std::vector<uint8_t>{0x10, 0x08, 0xB1}));

    std::vector<std::string> expected;
    for (int k = 0; k < 32; ++k) expected.insert(expected.end(), {"write 12", "sleep 30"});
    expected.push_back("write 3");
    EXPECT_EQ(writesAndSleeps(sim), expected);

    EXPECT_EQ(printed, "EDID custom written...");
    EXPECT_EQ(device->model.edid.store, edid);
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 1u);
}

TEST_F(EdidWrite, NotAnEdidIsWrittenUnchanged) {
    Edid junk{};
    junk.fill(0xC3);
    EXPECT_TRUE(run([&] { return setCustomEdid(junk.data()); }));
    EXPECT_EQ(device->model.edid.store, junk);
}

struct WriteFault {
    const char* name;
    std::function<void(sim::DeviceFaults&)> apply;
    const char* printed;
};

const WriteFault writeFaults[] = {
    {"two data frames fail",
     [](sim::DeviceFaults& f) {
         f.wrongEcho = FrameFault::at(3);
         f.noReply = FrameFault::at(10);
     },
     "Error Writing EDID values.Error Writing EDID values.EDID custom written..."},
    {"commit echo wrong", [](sim::DeviceFaults& f) { f.wrongEcho = FrameFault::at(32); },
     "Error reseting EDID values."},
    {"commit unanswered", [](sim::DeviceFaults& f) { f.noReply = FrameFault::at(32); }, "Error reseting EDID values."},
};

// A partly written or uncommitted EDID is not reported as written.
TEST_F(EdidWrite, AnyUnacknowledgedFrameMakesTheResultFalse) {
    for (const auto& fault : writeFaults) {
        SCOPED_TRACE(fault.name);
        sim.clearTrace();
        device->faults = {};
        device->framesWritten = 0;
        fault.apply(device->faults);
        Edid edid = pattern(1);
        EXPECT_FALSE(run([&] { return setCustomEdid(edid.data()); }));
        EXPECT_EQ(printed, fault.printed);
        EXPECT_EQ(sim.count(Op::write), 33u) << "no frame is skipped and the commit always follows";
        EXPECT_EQ(sim.sleeps(), std::vector<uint32_t>(32, 30));
        EXPECT_EQ(sim.count(Op::close), 1u);
    }
}

TEST_F(EdidWrite, NoDeviceMeansNoFrame) {
    device->faults.openFails = true;
    Edid edid = pattern(1);
    EXPECT_FALSE(run([&] { return setCustomEdid(edid.data()); }));
    EXPECT_EQ(sim.count(Op::write), 0u);
    EXPECT_TRUE(sim.sleeps().empty());
}

TEST_F(EdidWrite, LeaveOpenKeepsTheDeviceOpenOnSuccessAndFailure) {
    LeaveDeviceOpen();
    Edid edid = pattern(1);
    EXPECT_TRUE(run([&] { return setCustomEdid(edid.data()); }));
    device->faults.noReply = FrameFault::at(40);
    EXPECT_FALSE(run([&] { return setCustomEdid(edid.data()); }));
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 0u);
    EXPECT_EQ(sim.openHandles(), 1u);
}

TEST_F(EdidWrite, NullBuffersAreRefusedWithoutTraffic) {
    EXPECT_FALSE(run([] { return getEdid(nullptr); }));
    EXPECT_FALSE(run([] { return getSinkEdid(nullptr); }));
    EXPECT_FALSE(run([] { return setCustomEdid(nullptr); }));
    EXPECT_TRUE(sim.usbCalls().empty());
    EXPECT_EQ(printed, "");
}

}  // namespace
}  // namespace brixel
