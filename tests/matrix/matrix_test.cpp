// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "matrix/matrix_frame.h"
#include "sim/state_file.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using Bytes = std::vector<uint8_t>;
using sim::FrameFault;
using sim::Op;

const Bytes defaultFrame{0x10, 0x18, 0xE8, 0x3F, 0x25, 0x30, 0xF9, 0xF2, 0xEE, 0x3F, 0x25, 0x95, 0x43, 0x00,
                         0x00, 0x3F, 0x25, 0x00, 0x00, 0x60, 0x39, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

class MatrixTest : public SimTest {};

TEST_F(MatrixTest, ResetNeedsNoDeviceAndGivesTheDefaults) {
    SB_VALUES v{};
    EXPECT_TRUE(reset3x(&v));
    EXPECT_TRUE(sim.usbCalls().empty());
    EXPECT_EQ(v.coef11, 1.164);
    EXPECT_EQ(v.coef13, 1.793);
    EXPECT_EQ(v.coef22, -0.213);
    EXPECT_EQ(v.coef23, -0.533);
    EXPECT_EQ(v.coef32, 2.112);
    EXPECT_EQ(v.offset2, 0.0);
}

TEST_F(MatrixTest, DefaultMatrixFrameByteForByteAndReadBack) {
    SB_VALUES v{};
    ASSERT_TRUE(reset3x(&v));
    ASSERT_TRUE(run([&] { return set3x(&v); }));
    EXPECT_EQ(printed, "Matrix values written...");
    ASSERT_EQ(sim.writtenFrames(), std::vector<Bytes>{defaultFrame});
    EXPECT_EQ(sim.count(Op::open), 1u);
    EXPECT_EQ(sim.count(Op::close), 1u);

    sim.clearTrace();
    SB_VALUES back{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    ASSERT_TRUE(run([&] { return get3x(&back); }));
    EXPECT_EQ(sim.writtenFrames(), (std::vector<Bytes>{{0x11, 0x1A, 0xE0, 0x2C}}));
    EXPECT_EQ(back.coef11, 1.1639404296875);
    EXPECT_EQ(back.coef21, 1.1639404296875);
    EXPECT_EQ(back.coef31, 1.1639404296875);
    EXPECT_EQ(back.coef13, 1.79296875);
    EXPECT_EQ(back.coef22, -0.212890625);
    EXPECT_EQ(back.coef23, -0.532958984375);
    EXPECT_EQ(back.coef32, 2.1119384765625);
    EXPECT_EQ(back.coef12, 0.0);
    EXPECT_EQ(back.coef33, 0.0);
    EXPECT_EQ(back.offset1, 0.0);
    EXPECT_EQ(back.offset2, 0.0);
    EXPECT_EQ(back.offset3, 0.0);
}

TEST_F(MatrixTest, EveryFieldTravelsInItsOwnSlot) {
    // Distinct values, so a swapped pair of fields cannot go unnoticed.
    SB_VALUES v{1.0, 0.125, 0.25, 0.375, 2.0, 0.5, 0.625, 0.75, 3.0, 0.875, 1.0, 1.125};
    ASSERT_TRUE(run([&] { return set3x(&v); }));
    const Bytes expected{0x10, 0x18, 0xE8, 0x00, 0x10, 0x00, 0x14, 0x00, 0x18, 0x00, 0x1C, 0x00, 0x20, 0x00,
                         0x24, 0x00, 0x04, 0x00, 0x08, 0x00, 0x0C, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03};
    EXPECT_EQ(sim.writtenFrames(), std::vector<Bytes>{expected});
    SB_VALUES back{};
    ASSERT_TRUE(run([&] { return get3x(&back); }));
    const double* sent = &v.offset1;
    const double* got = &back.offset1;
    for (int k = 0; k < 12; ++k) EXPECT_EQ(got[k], sent[k]) << "field " << k;
}

TEST_F(MatrixTest, EdgeValuesThroughTheDevice) {
    SB_VALUES v{16.5, 4.0, -4.0, 5.0, -16.0, 0.0, 0.0, 0.0, 16.0, 0.0, 0.0, 0.0};
    ASSERT_TRUE(run([&] { return set3x(&v); }));
    const Bytes frame = sim.writtenFrames().at(0);
    EXPECT_EQ(Bytes(frame.begin() + 15, frame.begin() + 21), (Bytes{0x00, 0x80, 0x00, 0x80, 0x00, 0xA0}));
    EXPECT_EQ(Bytes(frame.begin() + 21, frame.end()), (Bytes{0x80, 0x10, 0x00, 0xF0, 0x00, 0x10}));
    SB_VALUES back{};
    ASSERT_TRUE(run([&] { return get3x(&back); }));
    EXPECT_EQ(back.coef11, 4.0);
    EXPECT_EQ(back.coef12, 4.0);    // -4.0 comes back positive
    EXPECT_EQ(back.coef13, -3.0);   // 5.0 wrapped modulo 16 bits
    EXPECT_EQ(back.offset1, 16.0);  // the fraction is lost
    EXPECT_EQ(back.offset2, 240.0);
    EXPECT_EQ(back.offset3, 16.0);
}

TEST_F(MatrixTest, WriteNotAcknowledgedIsAFailure) {
    for (auto fault : {&sim::DeviceFaults::wrongEcho, &sim::DeviceFaults::writeFails, &sim::DeviceFaults::noReply}) {
        device->faults = {};
        device->faults.*fault = FrameFault::at(device->framesWritten);
        sim.clearTrace();
        SB_VALUES v{};
        reset3x(&v);
        EXPECT_FALSE(run([&] { return set3x(&v); }));
        EXPECT_EQ(printed, "Error Writing matrix values.");
        EXPECT_EQ(sim.count(Op::close), 1u);
        EXPECT_EQ(sim.openHandles(), 0u);
    }
}

TEST_F(MatrixTest, WriteWithNoDeviceSendsNothingAndPrintsNothingOfItsOwn) {
    device->faults.openFails = true;
    SB_VALUES v{};
    reset3x(&v);
    EXPECT_FALSE(run([&] { return set3x(&v); }));
    EXPECT_EQ(printed, "Device open error");
    EXPECT_EQ(sim.count(Op::write), 0u);
}

TEST_F(MatrixTest, FailedReadLeavesTheRecordAsItWas) {
    device->faults.wrongEcho = FrameFault::always();
    SB_VALUES v{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_FALSE(run([&] { return get3x(&v); }));
    EXPECT_EQ(printed, "Error Reading values\n");
    for (const double* f = &v.offset1; f <= &v.coef33; ++f) EXPECT_EQ(*f, 7.0);
    EXPECT_EQ(sim.openHandles(), 0u);
}

TEST_F(MatrixTest, ShortReadReplyCountsMissingBytesAsZero) {
    // Echo, spare byte and the first four coefficients: coef21, coef22, coef23, coef31.
    device->faults.shortReply = FrameFault::always();
    device->faults.shortReplyLength = 10;
    SB_VALUES v{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    ASSERT_TRUE(run([&] { return get3x(&v); }));
    EXPECT_EQ(v.coef21, 1.1639404296875);
    EXPECT_EQ(v.coef22, -0.212890625);
    EXPECT_EQ(v.coef23, -0.532958984375);
    EXPECT_EQ(v.coef31, 1.1639404296875);
    for (double f : {v.coef32, v.coef33, v.coef11, v.coef12, v.coef13, v.offset1, v.offset2, v.offset3})
        EXPECT_EQ(f, 0.0);
}

TEST_F(MatrixTest, NullRecordsAreRefusedWithoutTraffic) {
    EXPECT_FALSE(set3x(nullptr));
    EXPECT_FALSE(get3x(nullptr));
    EXPECT_FALSE(reset3x(nullptr));
    EXPECT_TRUE(sim.usbCalls().empty());
}

TEST_F(MatrixTest, EnableSendsSettingFortyFive) {
    ASSERT_TRUE(set3xEn(true));
    ASSERT_TRUE(set3xEn(false));
    EXPECT_EQ(sim.writtenFrames(),
              (std::vector<Bytes>{{0x10, 0x04, 0xE0, 0x2D, 0x01}, {0x10, 0x04, 0xE0, 0x2D, 0x00}}));
    EXPECT_EQ(device->model.setting(BRIXEL_CMD_MATRIX_ENABLE), 0);
}

TEST(MatrixModel, KeepsTheMatrixAcrossSaveAndLoad) {
    sim::DeviceModel model;
    Bytes frame = defaultFrame;
    frame[3] = 0x12;
    EXPECT_EQ(model.answer(frame).at(0), 0xE8);
    sim::DeviceModel loaded = sim::loadState(sim::saveState(model));
    const auto reply = loaded.answer(Bytes{0x11, 0x1A, 0xE0, 0x2C});
    ASSERT_EQ(reply.size(), 26u);
    EXPECT_EQ(reply[0], 0xE0);
    EXPECT_EQ(Bytes(reply.begin() + 2, reply.end()), Bytes(frame.begin() + 3, frame.end()));
}

}  // namespace
}  // namespace brixel::test
