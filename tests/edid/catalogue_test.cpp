// SPDX-License-Identifier: MIT
// The built-in EDIDs and installing them.

#include "edid/catalogue.h"

#include <set>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"

namespace brixel {
namespace {

using edid::builtInEdidFor;
using edid::builtInEdids;
using sim::FrameFault;
using sim::Op;

unsigned blockSum(const edid::Edid& e, std::size_t block) {
    unsigned sum = 0;
    for (std::size_t i = block * 128; i < block * 128 + 128; ++i) sum += e[i];
    return sum % 256;
}

TEST(Catalogue, EveryEntryIsAWholeEdidNamedBrixel) {
    const std::vector<uint8_t> header{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    const std::vector<uint8_t> name{0x00, 0x00, 0x00, 0xFC, 0x00, 'B',  'R',  'I',  'X',
                                    'E',  'L',  0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    for (int value = 2; value <= 25; ++value) {
        SCOPED_TRACE(value);
        const auto* e = builtInEdidFor(value);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(e->begin(), e->begin() + 8), header);
        EXPECT_EQ(std::vector<uint8_t>(e->begin() + 108, e->begin() + 126), name);
        // "BRX": B=2, R=18, X=24 in five bits each.
        EXPECT_EQ((*e)[8], 0x0A);
        EXPECT_EQ((*e)[9], 0x58);
        EXPECT_EQ(blockSum(*e, 0), 0u);
        EXPECT_EQ(blockSum(*e, 1), 0u);
        EXPECT_EQ((*e)[126], 1);
        EXPECT_EQ((*e)[128], 0x02);
        EXPECT_EQ((*e)[129], 0x03);
    }
}

TEST(Catalogue, FamiliesAndPreferredTimings) {
    // First bytes of the preferred timing: its pixel clock.
    struct Row {
        int value;
        uint8_t week, features, clockLow, clockHigh, extensionFeatures;
    };
    const Row rows[] = {
        {2, 0x2D, 0x0A, 0x08, 0xE8, 0x71},  {5, 0x2D, 0x0A, 0x08, 0xE8, 0x71},  {6, 0x2D, 0x0A, 0x04, 0x74, 0x71},
        {16, 0x2D, 0x0A, 0x04, 0x74, 0x41}, {17, 0x2D, 0x0A, 0x04, 0x74, 0x41}, {18, 0x2D, 0x0A, 0x04, 0x74, 0x51},
        {19, 0x2D, 0x0A, 0x04, 0x74, 0x51}, {20, 0x20, 0x1A, 0x02, 0x3A, 0x71}, {22, 0x20, 0x1A, 0x01, 0x1D, 0x71},
        {24, 0x20, 0x1A, 0x01, 0x1D, 0x71},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        const auto& e = *builtInEdidFor(row.value);
        EXPECT_EQ(e[16], row.week);
        EXPECT_EQ(e[24], row.features);
        EXPECT_EQ(e[54], row.clockLow);
        EXPECT_EQ(e[55], row.clockHigh);
        EXPECT_EQ(e[131], row.extensionFeatures);
    }
    // 1080i60 preferred: the interlace flag of descriptor 1.
    EXPECT_EQ((*builtInEdidFor(24))[54 + 17], 0x9E);
}

TEST(Catalogue, ExtensionByteTwoLocatesTheTimings) {
    const std::pair<int, int> cases[] = {{2, 88}, {3, 70}, {25, 26}};
    for (auto [value, offset] : cases) {
        const auto& e = *builtInEdidFor(value);
        EXPECT_EQ(e[130], offset) << value;
        // A timing descriptor starts there: a non-zero pixel clock.
        EXPECT_NE(e[128 + offset] | e[128 + offset + 1], 0) << value;
    }
}

TEST(Catalogue, SlotsAsTabled) {
    const int slotOf[26] = {0, 0,  11, 14, 15, 10, 1,  2,  21, 17, 16, 6, 20,
                            3, 19, 13, 4,  23, 12, 18, 24, 5,  22, 7,  8, 9};
    for (int value = 2; value <= 25; ++value)
        EXPECT_EQ(builtInEdidFor(value), &builtInEdids[slotOf[value] - 1]) << value;
    for (int value : {-1, 0, 1, 26, 255}) EXPECT_EQ(builtInEdidFor(value), nullptr) << value;
}

TEST(Catalogue, NamesAreUniqueAndFindTheirRow) {
    std::set<std::string_view> names;
    for (const auto& row : edid::catalogue) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        EXPECT_FALSE(row.description.empty());
        EXPECT_EQ(edid::rowNamed(row.name), &row);
    }
    EXPECT_EQ(edid::rowNamed("nonesuch"), nullptr);
}

using Install = test::SimTest;

std::vector<std::vector<uint8_t>> uploadFrames(const edid::Edid& e) {
    std::vector<std::vector<uint8_t>> frames;
    for (std::size_t k = 0; k < 32; ++k) {
        std::vector<uint8_t> f{0x10, 0x08, 0xB0, static_cast<uint8_t>(8 * k)};
        f.insert(f.end(), e.begin() + 8 * k, e.begin() + 8 * k + 8);
        frames.push_back(f);
    }
    frames.push_back({0x10, 0x08, 0xB1});
    return frames;
}

TEST_F(Install, EntryUploadThenSettingFourteen) {
    const std::pair<EDIDTABLE, std::size_t> cases[] = {{EDIDTABLE_2160P60_HDR_MULTI, 11},
                                                       {EDIDTABLE_1080I60_STEREO, 9}};
    for (auto [value, slot] : cases) {
        SCOPED_TRACE(value);
        sim.clearTrace();
        EXPECT_TRUE(run([&] { return changeCustomEdid(value); }));
        auto expected = uploadFrames(builtInEdids[slot - 1]);
        expected.push_back({0x10, 0x04, 0xE0, 0x0E, static_cast<uint8_t>(value)});
        EXPECT_EQ(sim.writtenFrames(), expected);
        EXPECT_EQ(printed, "EDID custom written...");
        // Two whole operations, each opening and releasing.
        EXPECT_EQ(sim.count(Op::open), 2u);
        EXPECT_EQ(sim.count(Op::close), 2u);
        EXPECT_EQ(device->model.edid.store, builtInEdids[slot - 1]);
        EXPECT_EQ(device->model.setting(BRIXEL_CMD_CUSTOM_EDID), value);
    }
}

TEST_F(Install, ValuesWithoutAnEntryOnlySelect) {
    for (int value : {0, 1, 26, -1}) {
        SCOPED_TRACE(value);
        sim.clearTrace();
        EXPECT_TRUE(run([&] { return changeCustomEdid(static_cast<EDIDTABLE>(value)); }));
        EXPECT_EQ(sim.writtenFrames(),
                  (std::vector<std::vector<uint8_t>>{{0x10, 0x04, 0xE0, 0x0E, static_cast<uint8_t>(value & 0xFF)}}));
        EXPECT_EQ(printed, "");
    }
}

TEST_F(Install, TrueOnlyWhenUploadAndSelectionBothSucceed) {
    struct Case {
        const char* name;
        FrameFault wrongEcho;
        const char* printed;
    };
    const Case cases[] = {
        {"a data frame refused", FrameFault::at(5), "Error Writing EDID values.EDID custom written..."},
        {"commit refused", FrameFault::at(32), "Error reseting EDID values."},
        {"selection refused", FrameFault::at(33), "EDID custom written...Error Writing values\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.clearTrace();
        device->framesWritten = 0;
        device->faults.wrongEcho = c.wrongEcho;
        EXPECT_FALSE(run([] { return changeCustomEdid(EDIDTABLE_2160P30_MULTI); }));
        EXPECT_EQ(printed, c.printed);
        // The selection follows whatever became of the upload.
        ASSERT_EQ(sim.writtenFrames().size(), 34u);
        EXPECT_EQ(sim.writtenFrames().back(), (std::vector<uint8_t>{0x10, 0x04, 0xE0, 0x0E, 14}));
    }
}

TEST_F(Install, NoDeviceEachStepTriesOnItsOwn) {
    device->faults.openFails = true;
    EXPECT_FALSE(run([] { return changeCustomEdid(EDIDTABLE_2160P60_HDR_MULTI); }));
    EXPECT_EQ(sim.count(Op::open), 2u);
    EXPECT_EQ(sim.count(Op::write), 0u);
}

}  // namespace
}  // namespace brixel
