// SPDX-License-Identifier: MIT
#include <cstring>

#include "link/connection.h"
#include "tests/link/link_expectations.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

TEST_F(SimTest, SettingWriteRunsOneDiscoveryAndClosesAfter) {
    ASSERT_TRUE(run([] { return setActivePort(BRIXEL_INPORT_2); }));
    EXPECT_EQ(sim.usbOps(), concat({discovery, exchange, {Op::close}}));
    EXPECT_EQ(sim.writtenFrames(), (Frames{{0x10, 0x04, 0xE0, 0x00, 0x02}}));
    EXPECT_EQ(device->model.setting(BRIXEL_CMD_ACTIVE_PORT), 2);
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(sim.warnings().empty());
}

// ---- Discovery ----------------------------------------------------------------

class Discovery : public SimTest {
protected:
    // Index of the device the library opened, or -1.
    int openedIndex() const {
        for (const auto& c : sim.usbCalls())
            if (c.op == Op::open && c.status == 0) return static_cast<int>(c.deviceIndex);
        return -1;
    }
    std::vector<uint32_t> askedStrings() const {
        std::vector<uint32_t> asked;
        for (const auto& c : sim.usbCalls())
            if (c.op == Op::getProductString) asked.push_back(c.deviceIndex);
        return asked;
    }
    void expectNotConnected() {
        EXPECT_EQ(sim.warnings(), warnings({L"BRIXEL USB not connected!"}));
        EXPECT_EQ(sim.count(Op::open), 0u);
        EXPECT_EQ(sim.count(Op::write), 0u);
        EXPECT_EQ(sim.count(Op::close), 0u);
        EXPECT_EQ(printed, "");
        EXPECT_FALSE(linkIsOpen());
    }
};

TEST_F(Discovery, LowerIndexWinsAndLaterDevicesAreNotAsked) {
    device->serial = "2023";
    sim.addDevice("2024");
    sim.addDevice("2024");
    ASSERT_TRUE(run([] { return resetBrixel(); }));
    EXPECT_EQ(openedIndex(), 1);
    EXPECT_EQ(askedStrings(), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(deviceIndex(), 1u);
    EXPECT_EQ(sim.device(2).framesWritten, 0u);
}

TEST_F(Discovery, OnlyTheWholeSerialMatches) {
    for (const char* reported : {"2024 ", "20245", "", "202", " 2024", "2O24", "2024\t"}) {
        SCOPED_TRACE(testing::Message() << '"' << reported << '"');
        sim.clearTrace();
        device->serial = reported;
        EXPECT_FALSE(run([] { return resetBrixel(); }));
        expectNotConnected();
        EXPECT_EQ(askedStrings(), (std::vector<uint32_t>{0}));
    }
}

TEST_F(Discovery, FailingStringQueryIsSkippedSilently) {
    device->faults.stringFails = true;
    sim.addDevice("2024");
    ASSERT_TRUE(run([] { return resetBrixel(); }));
    EXPECT_EQ(askedStrings(), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(openedIndex(), 1);
    EXPECT_TRUE(sim.warnings().empty());
    EXPECT_EQ(printed, "");
}

TEST_F(Discovery, OnlyDeviceWithFailingStringIsNotConnected) {
    device->faults.stringFails = true;
    EXPECT_FALSE(run([] { return resetBrixel(); }));
    expectNotConnected();
}

TEST_F(Discovery, FailingCountAsksNoStrings) {
    sim.countFails = true;
    EXPECT_FALSE(run([] { return resetBrixel(); }));
    expectNotConnected();
    EXPECT_EQ(sim.usbOps(), (std::vector<Op>{Op::getNumDevices}));
}

TEST_F(Discovery, CountZero) {
    device->attached = false;
    EXPECT_FALSE(run([] { return resetBrixel(); }));
    expectNotConnected();
    EXPECT_EQ(sim.usbOps(), (std::vector<Op>{Op::getNumDevices}));
}

TEST_F(Discovery, IndexOfLastMatchSurvivesAFailedSearch) {
    device->serial = "other";
    sim.addDevice("2024");
    ASSERT_TRUE(resetBrixel());
    ASSERT_EQ(deviceIndex(), 1u);
    sim.device(1).serial = "gone";
    EXPECT_FALSE(resetBrixel());
    EXPECT_EQ(deviceIndex(), 1u);
}

// The layer may fill all 260 bytes with no NUL; only the buffer is compared.
TEST_F(Discovery, UnterminatedStringIsComparedWithinTheBuffer) {
    std::vector<char> raw(260, '7');
    std::memcpy(raw.data(), "2024", 4);
    device->rawString = raw;
    EXPECT_FALSE(run([] { return resetBrixel(); }));
    expectNotConnected();

    sim.clearTrace();
    std::fill(raw.begin() + 4, raw.end(), 'x');
    raw[4] = '\0';  // the bytes after the first NUL do not count
    device->rawString = raw;
    EXPECT_TRUE(run([] { return resetBrixel(); }));
}

// ---- Open and close failures ------------------------------------------------------

TEST_F(SimTest, OpenFailureWarnsPrintsWithoutLineEndAndSendsNothing) {
    device->faults.openFails = true;
    EXPECT_FALSE(run([] { return setScaling(BRIXEL_SCALE_UP); }));
    EXPECT_EQ(sim.warnings(), warnings({L"Usb device open error!"}));
    EXPECT_EQ(printed, "Device open error");
    EXPECT_EQ(sim.usbOps(), discovery);
    EXPECT_FALSE(linkIsOpen());
}

TEST_F(SimTest, FailedCloseInReleaseStepStillClosesTheLink) {
    device->faults.closeFails = true;
    EXPECT_TRUE(run([] { return setScaling(BRIXEL_SCALE_UP); }));
    EXPECT_EQ(sim.warnings(), warnings({L"Unable to close device handle!"}));
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(linkIsOpen());

    // The next operation starts with a new discovery.
    sim.clearTrace();
    device->faults.closeFails = false;
    EXPECT_TRUE(resetBrixel());
    EXPECT_EQ(sim.usbOps(), concat({discovery, exchange, {Op::close}}));
}

// ---- Life cycle -------------------------------------------------------------------

TEST_F(SimTest, LeaveDeviceOpenCallsNoUsbOperation) {
    device->attached = false;
    EXPECT_TRUE(run([] { return LeaveDeviceOpen(); }));
    EXPECT_TRUE(sim.trace().empty());
    EXPECT_TRUE(leaveOpen());
    EXPECT_EQ(printed, "");
}

TEST_F(SimTest, DeviceCloseWhileClosedCallsNothingAndClearsLeaveOpen) {
    LeaveDeviceOpen();
    EXPECT_TRUE(run([] { return DeviceClose(); }));
    EXPECT_TRUE(sim.trace().empty());
    EXPECT_FALSE(leaveOpen());
    // Leave-open really is gone: the next operation closes after itself.
    EXPECT_TRUE(resetBrixel());
    EXPECT_TRUE(releasedAndClosed(sim));
}

TEST_F(SimTest, LeaveOpenReusesTheHandleUntilDeviceClose) {
    LeaveDeviceOpen();
    ASSERT_TRUE(setActivePort(BRIXEL_INPORT_3));
    ASSERT_TRUE(setScaling(BRIXEL_SCALE_DOWN));
    EXPECT_EQ(sim.usbOps(), concat({discovery, exchange, exchange}));
    EXPECT_EQ(sim.openHandles(), 1u);

    sim.clearTrace();
    EXPECT_TRUE(run([] { return DeviceClose(); }));
    EXPECT_EQ(sim.usbOps(), (std::vector<Op>{Op::close}));
    EXPECT_FALSE(linkIsOpen());
    EXPECT_FALSE(leaveOpen());
    EXPECT_EQ(sim.openHandles(), 0u);
}

TEST_F(SimTest, FailedOperationWithLeaveOpenKeepsTheHandle) {
    LeaveDeviceOpen();
    device->faults.wrongEcho = sim::FrameFault::at(0);
    EXPECT_FALSE(run([] { return setActivePort(BRIXEL_INPORT_2); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.count(Op::close), 0u);
    EXPECT_TRUE(linkIsOpen());

    sim.clearTrace();
    EXPECT_TRUE(setActivePort(BRIXEL_INPORT_2));
    EXPECT_EQ(sim.usbOps(), exchange);
}

TEST_F(SimTest, DeviceCloseWithFailingCloseWarnsAndStillSucceeds) {
    LeaveDeviceOpen();
    ASSERT_TRUE(resetBrixel());
    device->faults.closeFails = true;
    sim.clearTrace();
    EXPECT_TRUE(run([] { return DeviceClose(); }));
    EXPECT_EQ(sim.warnings(), warnings({L"Unable to close device handle!"}));
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(linkIsOpen());

    sim.clearTrace();
    device->faults.closeFails = false;
    EXPECT_TRUE(resetBrixel());
    EXPECT_EQ(sim.usbOps(), concat({discovery, exchange, {Op::close}}));
}

// An unplugged device is not noticed by the link: with leave-open the dead
// handle is used until DeviceClose, and after it discovery finds nothing.
TEST_F(SimTest, UnpluggedDeviceWithLeaveOpen) {
    LeaveDeviceOpen();
    device->faults.unplugAfterFrames = 1;
    device->replyLatencyMs = 5;
    EXPECT_FALSE(run([] { return setActivePort(BRIXEL_INPORT_4); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.count(Op::read), 0u);
    const auto queueWarnings = sim.warnings();
    EXPECT_EQ(queueWarnings.size(), sim.count(Op::checkRxQueue));
    EXPECT_GE(queueWarnings.size(), 1u);
    EXPECT_EQ(queueWarnings.front(), L"Error Checking RX Queue");

    sim.clearTrace();
    EXPECT_FALSE(run([] { return setActivePort(BRIXEL_INPORT_4); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.usbOps().front(), Op::flushBuffers);  // the dead handle, no discovery

    DeviceClose();
    sim.clearTrace();
    EXPECT_FALSE(resetBrixel());
    EXPECT_EQ(sim.warnings(), warnings({L"BRIXEL USB not connected!"}));
}

}  // namespace
}  // namespace brixel::test
