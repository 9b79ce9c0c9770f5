// SPDX-License-Identifier: MIT
// The simulated device's side of the EDID frames.

#include <array>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/state_file.h"
#include "sim/subsystems.h"
#include "tests/support/sim_fixture.h"

namespace brixel {
namespace {

using sim::DeviceModel;
using sim::Reply;

std::vector<uint8_t> writeFrame(uint8_t offset, uint8_t fill) {
    std::vector<uint8_t> f{0x10, 0x08, 0xB0, offset};
    f.insert(f.end(), 8, fill);
    return f;
}

TEST(EdidModel, ReadsSixteenBytesWithoutEcho) {
    DeviceModel m;
    for (uint8_t command : {uint8_t{0xB0}, uint8_t{0xB5}}) {
        const auto& source = command == 0xB0 ? m.edid.store : m.edid.sink;
        const Reply reply = m.answer(std::vector<uint8_t>{0x11, 0x10, command, 0x30});
        EXPECT_EQ(reply, Reply(source.begin() + 0x30, source.begin() + 0x40)) << int(command);
    }
}

TEST(EdidModel, WritesTakeEffectOnlyOnTheCommit) {
    DeviceModel m;
    const auto before = m.edid.store;
    EXPECT_EQ(m.answer(writeFrame(0x08, 0xAA)), (Reply{0xB0, 0x00}));
    EXPECT_EQ(m.edid.store, before);
    EXPECT_EQ(m.answer(std::vector<uint8_t>{0x10, 0x08, 0xB1}), (Reply{0xB1, 0x00}));
    auto expected = before;
    std::fill_n(expected.begin() + 8, 8, 0xAA);
    EXPECT_EQ(m.edid.store, expected);
}

TEST(EdidModel, TheVideoReportsB1IsNotTheCommit) {
    DeviceModel m;
    m.answer(writeFrame(0x00, 0x11));
    EXPECT_FALSE(sim::answerEdidFrame(m, std::vector<uint8_t>{0x10, 0x02, 0xB1, 0x00}).has_value());
    EXPECT_TRUE(m.edid.writing);
}

TEST(EdidModel, DisplayNameComesFromTheSinkEdid) {
    DeviceModel m;
    const auto name = sim::displayMonitorName(m.edid);
    EXPECT_EQ(std::string(name.begin(), name.end()), "Simulated TV\n");
    // Move a new name into descriptor 3 and drop descriptor 4's.
    const std::array<uint8_t, 18> other{0,   0,    0,    0xFC, 0,    'O',  't',  'h',  'e',
                                        'r', 0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    std::copy(other.begin(), other.end(), m.edid.sink.begin() + 90);
    m.edid.sink[108 + 3] = 0x10;
    const auto renamed = sim::displayMonitorName(m.edid);
    EXPECT_EQ(std::string(renamed.begin(), renamed.end()), "Other\n       ");
}

TEST(EdidModel, SelectionCodeFourteen) {
    DeviceModel m;
    m.edid.store.fill(0x42);
    m.answer(std::vector<uint8_t>{0x10, 0x04, 0xE0, 0x0E, 0x01});
    EXPECT_EQ(m.edid.store, m.edid.sink);
    m.answer(std::vector<uint8_t>{0x10, 0x04, 0xE0, 0x0E, 0x00});
    EXPECT_EQ(m.edid.store, sim::factoryEdid());
    EXPECT_EQ(m.setting(BRIXEL_CMD_EDID_MODE), BRIXEL_EDID_AUTOMIX);
    m.answer(std::vector<uint8_t>{0x10, 0x04, 0xE0, 0x0E, 0x02});
    EXPECT_EQ(m.setting(BRIXEL_CMD_EDID_MODE), BRIXEL_EDID_CUSTOM);
}

TEST(EdidModel, StoreAndSinkSurviveSaveAndLoad) {
    DeviceModel m;
    m.edid.store.fill(0x17);
    m.edid.sink[200] = 0x99;
    const DeviceModel loaded = sim::loadState(sim::saveState(m));
    EXPECT_EQ(loaded.edid.store, m.edid.store);
    EXPECT_EQ(loaded.edid.sink, m.edid.sink);

    auto broken = sim::saveState(m);
    broken["edid"]["store"] = "00ff";
    EXPECT_THROW(sim::loadState(broken), std::exception);
}

}  // namespace
}  // namespace brixel
