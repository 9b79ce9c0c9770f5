#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using sim::Op;

TEST_F(SimTest, SettingWriteRunsOneDiscoveryAndClosesAfter) {
    ASSERT_TRUE(run([] { return setActivePort(BRIXEL_INPORT_2); }));
    const std::vector<Op> expected{Op::getNumDevices, Op::getProductString, Op::open,
                                   Op::flushBuffers,  Op::getTimeouts,      Op::setTimeouts,
                                   Op::write,         Op::setTimeouts,      Op::checkRxQueue,
                                   Op::getTimeouts,   Op::setTimeouts,      Op::read,
                                   Op::setTimeouts,   Op::close};
    EXPECT_EQ(sim.usbOps(), expected);
    EXPECT_EQ(sim.writtenFrames(), (std::vector<std::vector<uint8_t>>{{0x10, 0x04, 0xE0, 0x00, 0x02}}));
    EXPECT_EQ(device->model.setting(BRIXEL_CMD_ACTIVE_PORT), 2);
    EXPECT_EQ(printed, "");
}

}  // namespace
}  // namespace brixel::test
