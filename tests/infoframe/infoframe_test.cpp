// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "sim/state_file.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using Frames = std::vector<std::vector<uint8_t>>;
using sim::FrameFault;
using sim::Op;

// "00:01:02:..." with `count` bytes.
std::string bytesText(int count) {
    std::string text;
    for (int k = 0; k < count; ++k) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned>(k & 0xFF));
        text += (k == 0 ? "" : ":") + std::string(byte);
    }
    return text;
}

// An HDR text of 30 bytes: 87:01:1A:00:02 and 25 more bytes of 00.
std::string hdrText(const char* checksum = "00") {
    std::string text = std::string("87:01:1A:") + checksum + ":02";
    for (int k = 0; k < 25; ++k) text += ":00";
    return text;
}

class InfoFrameTest : public SimTest {};

TEST_F(InfoFrameTest, AviWritesWaitsActivatesAndTheOutputTakesIt) {
    std::string text = "82:02:0D";
    ASSERT_TRUE(run([&] { return setAviIf(text.data()); }));
    EXPECT_EQ(sim.writtenFrames(), (Frames{{0x10, 0x03, 0xE6, 0x82, 0x02, 0x0D}, {0x10, 0x03, 0xB3, 0x80}}));
    EXPECT_EQ(sim.sleeps(), std::vector<uint32_t>{100});
    EXPECT_EQ(printed, "AVI values written...");
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 1u);
    // The wait lies between the two writes.
    std::vector<Op> order;
    for (const auto& c : sim.trace())
        if (c.op == Op::write || c.op == Op::sleep) order.push_back(c.op);
    EXPECT_EQ(order, (std::vector<Op>{Op::write, Op::sleep, Op::write}));

    const auto& state = device->model.infoFrames;
    EXPECT_TRUE(state.aviActive);
    EXPECT_EQ(state.avi, (std::vector<uint8_t>{0x82, 0x02, 0x0D}));
    EXPECT_FALSE(state.hdrActive);
}

TEST_F(InfoFrameTest, LongestTextsAreAccepted) {
    std::string avi = bytesText(17);
    ASSERT_EQ(avi.size(), 50u);
    ASSERT_TRUE(run([&] { return setAviIf(avi.data()); }));
    std::string hdr = bytesText(31);
    ASSERT_EQ(hdr.size(), 92u);
    ASSERT_TRUE(run([&] { return setHdrIf(hdr.data(), false); }));
    const auto frames = sim.writtenFrames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].size(), 20u);
    EXPECT_EQ(frames.at(0).at(1), 17);
    EXPECT_EQ(frames.at(0).at(19), 0x10);
    EXPECT_EQ(frames[2].size(), 34u);
    EXPECT_EQ(frames.at(2).at(1), 31);
    EXPECT_EQ(frames.at(2).at(33), 0x1E);
    EXPECT_EQ(frames[3], (std::vector<uint8_t>{0x10, 31, 0xB3, 0x20}));
}

struct RefusedCase {
    bool hdr;
    std::string text;
    std::string line;
};

// The row as ctest and a failure name it.
void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << (c.hdr ? "HDR " : "AVI ") << testing::PrintToString(c.text);
}

class InfoFrameRefused : public SimTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(InfoFrameRefused, WithItsLineAndNoTraffic) {
    std::string text = GetParam().text;
    EXPECT_FALSE(run([&] { return GetParam().hdr ? setHdrIf(text.data(), true) : setAviIf(text.data()); }));
    EXPECT_EQ(printed, GetParam().line);
    EXPECT_TRUE(sim.usbCalls().empty());
    EXPECT_TRUE(sim.sleeps().empty());
}

const std::string aviLength = "Error: min 2, max 17 data bytes";
const std::string hdrLength = "Error: min 2, max 31 data bytes";
const std::string leadingColon = "Error: the text must begin with a byte of two hex digits, not a colon\n";

INSTANTIATE_TEST_SUITE_P(
    Texts, InfoFrameRefused,
    testing::Values(RefusedCase{false, "82:0", aviLength}, RefusedCase{false, "", aviLength},
                    RefusedCase{false, bytesText(17) + "0", aviLength}, RefusedCase{true, "82:0", hdrLength},
                    RefusedCase{true, bytesText(31) + "0", hdrLength}, RefusedCase{false, ":2:02:0D", leadingColon},
                    RefusedCase{false, "8:02:0D", leadingColon}, RefusedCase{true, ":87:01:1A", leadingColon}));

TEST_F(InfoFrameTest, NullTextIsRefusedWithoutTraffic) {
    EXPECT_FALSE(run([] { return setAviIf(nullptr); }));
    EXPECT_FALSE(run([] { return setHdrIf(nullptr, true); }));
    EXPECT_TRUE(sim.usbCalls().empty());
    EXPECT_EQ(printed, "");
}

TEST_F(InfoFrameTest, AviStopsAfterAnUnacknowledgedWrite) {
    struct Fault {
        const char* name;
        sim::FrameFault sim::DeviceFaults::*fault;
    };
    for (auto [name, fault] :
         {Fault{"wrong echo", &sim::DeviceFaults::wrongEcho}, Fault{"write fails", &sim::DeviceFaults::writeFails},
          Fault{"no reply", &sim::DeviceFaults::noReply}}) {
        SCOPED_TRACE(name);
        device->faults = {};
        device->faults.*fault = FrameFault::at(device->framesWritten);
        sim.clearTrace();
        std::string text = "82:02:0D";
        EXPECT_FALSE(run([&] { return setAviIf(text.data()); }));
        EXPECT_EQ(printed, "Error Writing AVI command.");
        EXPECT_EQ(sim.count(Op::write), 1u);
        EXPECT_TRUE(sim.sleeps().empty());
        EXPECT_EQ(sim.count(Op::close), 1u);
        EXPECT_EQ(sim.openHandles(), 0u);
        EXPECT_FALSE(device->model.infoFrames.aviActive);
    }
}

TEST_F(InfoFrameTest, AviActivationNotAcknowledged) {
    device->faults.wrongEcho = FrameFault::at(1);
    std::string text = "82:02:0D";
    EXPECT_FALSE(run([&] { return setAviIf(text.data()); }));
    EXPECT_EQ(printed, "AVI values written...\nError Activating AVI values.\n");
    EXPECT_EQ(sim.writtenFrames().size(), 2u);
    EXPECT_EQ(sim.sleeps(), std::vector<uint32_t>{100});
    EXPECT_EQ(sim.openHandles(), 0u);
}

TEST_F(InfoFrameTest, NothingIsSentWhenTheDeviceDoesNotOpen) {
    device->faults.openFails = true;
    std::string text = "82:02:0D";
    EXPECT_FALSE(run([&] { return setAviIf(text.data()); }));
    // Only the link's own line: this operation adds none.
    EXPECT_EQ(printed, "Device open error");
    EXPECT_FALSE(run([&] { return setHdrIf(text.data(), false); }));
    EXPECT_EQ(printed, "Device open error");
    EXPECT_EQ(sim.count(Op::write), 0u);
    EXPECT_TRUE(sim.sleeps().empty());
}

TEST_F(InfoFrameTest, HdrChecksumFill) {
    std::string text = hdrText();
    ASSERT_TRUE(run([&] { return setHdrIf(text.data(), true); }));
    EXPECT_EQ(printed, "Infoframe values written...\n");
    auto frames = sim.writtenFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].size(), 33u);
    EXPECT_EQ(frames.at(0).at(1), 0x1E);
    EXPECT_EQ(frames.at(0).at(2), 0xE5);
    EXPECT_EQ(frames.at(0).at(6), 0x5C);
    EXPECT_EQ(frames[1], (std::vector<uint8_t>{0x10, 0x1E, 0xB3, 0x20}));
    EXPECT_EQ(sim.sleeps(), std::vector<uint32_t>{100});
    EXPECT_TRUE(device->model.infoFrames.hdrActive);
    EXPECT_EQ(device->model.infoFrames.hdr.size(), 30u);

    // PB23 = E8, PB24 = 03; the first two bytes do not take part.
    text.replace(3 * 26, 5, "E8:03");
    text.replace(0, 5, "00:00");
    sim.clearTrace();
    ASSERT_TRUE(run([&] { return setHdrIf(text.data(), true); }));
    frames = sim.writtenFrames();
    EXPECT_EQ(frames.at(0).at(29), 0xE8);
    EXPECT_EQ(frames.at(0).at(6), 0x71);
}

TEST_F(InfoFrameTest, HdrWithoutFillSendsTheTextsOwnChecksum) {
    std::string text = hdrText("A5");
    ASSERT_TRUE(run([&] { return setHdrIf(text.data(), false); }));
    EXPECT_EQ(sim.writtenFrames().at(0).at(6), 0xA5);
}

TEST_F(InfoFrameTest, HdrChecksumOfAShortTextIsNotSent) {
    std::string text = "87:01:1A";
    ASSERT_TRUE(run([&] { return setHdrIf(text.data(), true); }));
    EXPECT_EQ(sim.writtenFrames().at(0), (std::vector<uint8_t>{0x10, 0x03, 0xE5, 0x87, 0x01, 0x1A}));
}

TEST_F(InfoFrameTest, HdrGoesOnAfterAnUnacknowledgedWriteButReportsIt) {
    device->faults.wrongEcho = FrameFault::at(0);
    std::string text = hdrText();
    // The activation is acknowledged, but the values it made current were not.
    EXPECT_FALSE(run([&] { return setHdrIf(text.data(), true); }));
    EXPECT_EQ(printed, "Error Writing Infoframe values.\n");
    ASSERT_EQ(sim.writtenFrames().size(), 2u);
    EXPECT_EQ(sim.writtenFrames().at(1), (std::vector<uint8_t>{0x10, 0x1E, 0xB3, 0x20}));
    EXPECT_EQ(sim.sleeps(), std::vector<uint32_t>{100});
    EXPECT_EQ(sim.count(Op::close), 1u);
}

TEST_F(InfoFrameTest, HdrActivationNotAcknowledged) {
    device->faults.noReply = FrameFault::at(1);
    std::string text = hdrText();
    EXPECT_FALSE(run([&] { return setHdrIf(text.data(), true); }));
    EXPECT_EQ(printed, "Infoframe values written...\n\nError Populating IF values.\n");
    EXPECT_EQ(sim.count(Op::close), 1u);
}

TEST_F(InfoFrameTest, LeaveOpenKeepsTheDeviceOpen) {
    ASSERT_TRUE(LeaveDeviceOpen());
    std::string text = "82:02:0D";
    ASSERT_TRUE(run([&] { return setAviIf(text.data()); }));
    ASSERT_TRUE(run([&] { return setHdrIf(text.data(), false); }));
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 0u);
    EXPECT_EQ(sim.openHandles(), 1u);
}

TEST(InfoFrameModel, KeepsWrittenAndActiveFramesAcrossSaveAndLoad) {
    sim::DeviceModel model;
    model.answer(std::vector<uint8_t>{0x10, 0x03, 0xE6, 0x82, 0x02, 0x0D});
    model.answer(std::vector<uint8_t>{0x10, 0x03, 0xB3, 0x80});
    // Written but not activated: the output keeps the earlier frame.
    const auto reply = model.answer(std::vector<uint8_t>{0x10, 0x02, 0xE6, 0x82, 0x03});
    EXPECT_EQ(reply.at(0), 0xE6);
    const sim::DeviceModel loaded = sim::loadState(sim::saveState(model));
    EXPECT_TRUE(loaded.infoFrames.aviActive);
    EXPECT_EQ(loaded.infoFrames.avi, (std::vector<uint8_t>{0x82, 0x02, 0x0D}));
    EXPECT_EQ(loaded.infoFrames.aviWritten, (std::vector<uint8_t>{0x82, 0x03}));
    EXPECT_FALSE(loaded.infoFrames.hdrActive);
}

}  // namespace
}  // namespace brixel::test
