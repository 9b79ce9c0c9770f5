// SPDX-License-Identifier: MIT
#include <array>
#include <cstring>
#include <string>

#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using sim::Op;
using Frame = std::vector<uint8_t>;

class Readback : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // Distinct bytes, so a shifted copy cannot pass.
        for (std::size_t k = 0; k < 58; ++k) device->model.settings[k] = static_cast<uint8_t>(0x40 + k);
    }
    // The caller's buffer and bytes beyond it that must stay untouched.
    std::array<unsigned char, 64> state{};
    std::array<char, 32> version{};

    void fill() {
        state.fill(0xAA);
        version.fill('#');
    }
    void expectUntouchedBeyond() {
        for (std::size_t i = 60; i < state.size(); ++i) EXPECT_EQ(state[i], 0xAA) << i;
        for (std::size_t i = 23; i < version.size(); ++i) EXPECT_EQ(version[i], '#') << i;
    }
    std::array<unsigned char, 60> stateBytes() const {
        std::array<unsigned char, 60> s{};
        std::copy_n(state.begin(), 60, s.begin());
        return s;
    }
    static constexpr std::array<unsigned char, 60> zeros{};
};

TEST_F(Readback, StateBlockStartsAtReplyByteTwo) {
    fill();
    ASSERT_TRUE(run([&] { return getBrixelState(state.data()); }));
    EXPECT_EQ(sim.writtenFrames(), (std::vector<Frame>{{0x11, 0x3E, 0xE1}}));
    EXPECT_EQ(stateBytes(), device->model.stateBlock());
    EXPECT_EQ(state[0], 0x40);
    EXPECT_EQ(printed, "");
    expectUntouchedBeyond();
    EXPECT_EQ(sim.usbOps().back(), Op::close);
}

struct VersionCase {
    uint8_t major;
    uint8_t minor;
    const char* text;
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.text; }

class FirmwareVersion : public Readback, public testing::WithParamInterface<VersionCase> {};

TEST_P(FirmwareVersion, IsPrintedInDecimalWithoutLeadingZeros) {
    const auto [major, minor, text] = GetParam();
    device->model.firmwareMajor = major;
    device->model.firmwareMinor = minor;
    fill();
    ASSERT_TRUE(run([&] { return getFwVersion(version.data()); }));
    EXPECT_EQ(std::string(version.data()), text);
    EXPECT_EQ(sim.writtenFrames(), (std::vector<Frame>{{0x11, 0x08, 0xE0, 0x07}}));
    EXPECT_EQ(printed, "");
    expectUntouchedBeyond();
}

INSTANTIATE_TEST_SUITE_P(Settings, FirmwareVersion,
                         testing::Values(VersionCase{1, 5, "BRIXEL FW Ver: 1.5"},
                                         VersionCase{0, 0, "BRIXEL FW Ver: 0.0"},
                                         VersionCase{10, 0, "BRIXEL FW Ver: 10.0"},
                                         VersionCase{255, 255, "BRIXEL FW Ver: 255.255"}));

TEST_F(Readback, LongestVersionTextFillsTwentyThreeBytes) {
    device->model.firmwareMajor = 255;
    device->model.firmwareMinor = 255;
    fill();
    ASSERT_TRUE(getFwVersion(version.data()));
    EXPECT_EQ(std::strlen(version.data()), 22u);
    EXPECT_EQ(version[22], '\0');
    expectUntouchedBeyond();
}

// Each failing path still writes the whole buffer: zeros where no reply came.
struct FailureCase {
    const char* name;
    void (*inject)(sim::Simulator&, sim::SimDevice&);
    const char* line;
    std::vector<std::wstring> warnings;
    bool closed;  // the release step ran a close
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

const FailureCase failures[] = {
    {"NoReply",
     [](sim::Simulator&, sim::SimDevice& d) { d.faults.noReply = sim::FrameFault::always(); },
     "Error Reading values\n",
     {},
     true},
    {"WriteFails",
     [](sim::Simulator&, sim::SimDevice& d) { d.faults.writeFails = sim::FrameFault::always(); },
     "Error Reading values\n",
     {},
     true},
    {"QueueFails",
     [](sim::Simulator&, sim::SimDevice& d) { d.faults.rxQueueFails = sim::FrameFault::always(); },
     "Error Reading values\n",
     {L"Error Checking RX Queue"},
     true},
    {"EmptyReply",
     [](sim::Simulator&, sim::SimDevice& d) {
         d.faults.shortReply = sim::FrameFault::always();
         d.faults.shortReplyLength = 0;
     },
     "Error Reading values\n",
     {},
     true},
    {"NoDevice",
     [](sim::Simulator&, sim::SimDevice& d) { d.attached = false; },
     "",
     {L"BRIXEL USB not connected!"},
     false},
    {"CountFails",
     [](sim::Simulator& s, sim::SimDevice&) { s.countFails = true; },
     "",
     {L"BRIXEL USB not connected!"},
     false},
    {"OpenFails",
     [](sim::Simulator&, sim::SimDevice& d) { d.faults.openFails = true; },
     "Device open error",
     {L"Usb device open error!"},
     false},
};

class ReadbackFailure : public Readback, public testing::WithParamInterface<FailureCase> {
protected:
    void expectReported() {
        EXPECT_EQ(printed, GetParam().line);
        EXPECT_EQ(sim.warnings(), GetParam().warnings);
        EXPECT_EQ(sim.count(Op::close), GetParam().closed ? 1u : 0u);
        EXPECT_EQ(sim.openHandles(), 0u);
        expectUntouchedBeyond();
    }
};

TEST_P(ReadbackFailure, StateIsZeros) {
    GetParam().inject(sim, *device);
    fill();
    EXPECT_FALSE(run([&] { return getBrixelState(state.data()); }));
    EXPECT_EQ(stateBytes(), zeros);
    expectReported();
}

TEST_P(ReadbackFailure, VersionIsStillACompleteText) {
    GetParam().inject(sim, *device);
    fill();
    EXPECT_FALSE(run([&] { return getFwVersion(version.data()); }));
    EXPECT_EQ(std::string(version.data()), "BRIXEL FW Ver: 0.0");
    expectReported();
}

INSTANTIATE_TEST_SUITE_P(Settings, ReadbackFailure, testing::ValuesIn(failures),
                         [](const auto& param) { return std::string(param.param.name); });

// What did arrive is handed over; the result says it is not confirmed.
TEST_F(Readback, WrongEchoHandsOverTheBytesButFails) {
    device->faults.wrongEcho = sim::FrameFault::always();
    fill();
    EXPECT_FALSE(run([&] { return getBrixelState(state.data()); }));
    EXPECT_EQ(printed, "Error Reading values\n");
    EXPECT_EQ(stateBytes(), device->model.stateBlock());
    EXPECT_FALSE(run([&] { return getFwVersion(version.data()); }));
    EXPECT_EQ(printed, "Error Reading values\n");
    EXPECT_EQ(std::string(version.data()), "BRIXEL FW Ver: 1.5");
}

TEST_F(Readback, FailedReadHandsOverWhatArrived) {
    device->faults.readFails = sim::FrameFault::always();
    fill();
    EXPECT_FALSE(run([&] { return getBrixelState(state.data()); }));
    EXPECT_EQ(printed, "Error Reading values\n");
    EXPECT_EQ(stateBytes(), device->model.stateBlock());
    EXPECT_EQ(sim.usbOps().back(), Op::close);
}

TEST_F(Readback, ShortStateReplyLeavesZerosWhereNothingArrived) {
    device->faults.shortReply = sim::FrameFault::always();
    device->faults.shortReplyLength = 12;
    fill();
    EXPECT_TRUE(run([&] { return getBrixelState(state.data()); }));
    const auto block = device->model.stateBlock();
    for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(state[i], i < 10 ? block[i] : 0) << i;
}

TEST_F(Readback, NullBuffersAreRefusedWithNoTraffic) {
    EXPECT_FALSE(run([] { return getBrixelState(nullptr); }));
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(run([] { return getFwVersion(nullptr); }));
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(sim.trace().empty());
}

}  // namespace
}  // namespace brixel::test
