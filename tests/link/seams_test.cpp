// SPDX-License-Identifier: MIT
#include <array>
#include <cstring>

#include "link/connection.h"
#include "tests/link/link_expectations.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

TEST_F(SimTest, SeamsCannotBeSwappedWhileTheDeviceIsOpen) {
    LeaveDeviceOpen();
    ASSERT_TRUE(resetBrixel());
    const BRIXEL_USB_LAYER layer = sim.usbLayer();
    const BRIXEL_HOST services = sim.host();
    EXPECT_FALSE(brixelSetUsbLayer(&layer));
    EXPECT_FALSE(brixelSetHost(&services));
    EXPECT_FALSE(brixelSetUsbLayer(nullptr));
    EXPECT_FALSE(brixelSetHost(nullptr));
    // Still the same layer: the handle is usable.
    sim.clearTrace();
    EXPECT_TRUE(resetBrixel());
    EXPECT_EQ(sim.usbOps(), exchange);

    DeviceClose();
    EXPECT_TRUE(brixelSetUsbLayer(&layer));
    EXPECT_TRUE(brixelSetHost(&services));
}

TEST_F(SimTest, IncompleteLayerIsRefusedAndTheOldOneStays) {
    for (std::size_t missing = 0; missing < 10; ++missing) {
        SCOPED_TRACE(missing);
        BRIXEL_USB_LAYER layer = sim.usbLayer();
        // The table is ten function pointers in a row.
        static_assert(sizeof(BRIXEL_USB_LAYER) == 10 * sizeof(void*));
        void* slots[10];
        std::memcpy(slots, &layer, sizeof layer);
        slots[missing] = nullptr;
        std::memcpy(&layer, slots, sizeof layer);
        EXPECT_FALSE(brixelSetUsbLayer(&layer));
    }
    sim.clearTrace();
    EXPECT_TRUE(resetBrixel());
    EXPECT_EQ(sim.usbOps(), concat({discovery, exchange, {Op::close}}));
}

TEST_F(SimTest, IncompleteHostIsRefusedAndTheOldOneStays) {
    BRIXEL_HOST noTick = sim.host();
    noTick.tickCount = nullptr;
    BRIXEL_HOST noSleep = sim.host();
    noSleep.sleep = nullptr;
    BRIXEL_HOST noWarn = sim.host();
    noWarn.warn = nullptr;
    for (const BRIXEL_HOST* h : {&noTick, &noSleep, &noWarn}) EXPECT_FALSE(brixelSetHost(h));
    device->attached = false;
    EXPECT_FALSE(resetBrixel());
    EXPECT_EQ(sim.warnings(), warnings({L"BRIXEL USB not connected!"}));
}

// Without a layer of its own the Linux build sees no device.
TEST(DefaultLayer, NoDeviceMeansNotConnected) {
    ASSERT_TRUE(brixelSetUsbLayer(nullptr));
    std::vector<std::wstring> seen;
    static std::vector<std::wstring>* sink = nullptr;
    sink = &seen;
    const BRIXEL_HOST host{[] { return uint32_t{0}; }, [](uint32_t) {},
                           [](const wchar_t* text) { sink->push_back(text); }};
    ASSERT_TRUE(brixelSetHost(&host));
    std::string printed;
    bool ok = true;
    printed = printedBy([&] { ok = setActivePort(BRIXEL_INPORT_1); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(seen, warnings({L"BRIXEL USB not connected!"}));
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(linkIsOpen());
    brixelSetHost(nullptr);
}

TEST_F(SimTest, AConsoleSinkTakesEachPieceInPlaceOfStandardOutput) {
    std::vector<std::string> pieces;
    const BRIXEL_CONSOLE_SINK sink = [](void* context, const char* text) {
        static_cast<std::vector<std::string>*>(context)->push_back(text);
    };
    ASSERT_TRUE(brixelSetConsoleSink(sink, &pieces));
    device->faults.noReply = sim::FrameFault::always();
    std::string out = printedBy([] { set3x(nullptr); });
    SB_VALUES values{};
    out += printedBy([&] { EXPECT_FALSE(set3x(&values)); });
    out += printedBy([] { EXPECT_FALSE(setAviIf(const_cast<char*>("82"))); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(pieces, (std::vector<std::string>{"Error Writing matrix values.", "Error: min 2, max 17 data bytes"}));

    ASSERT_TRUE(brixelSetConsoleSink(nullptr, &pieces));
    out = printedBy([&] { EXPECT_FALSE(set3x(&values)); });
    EXPECT_EQ(out, "Error Writing matrix values.");
    EXPECT_EQ(pieces.size(), 2u);
}

// Each piece arrives where printf would have printed it: a failed EDID read
// says so after the release step, a failed matrix write before it.
TEST_F(SimTest, ConsolePiecesComeBeforeOrAfterTheReleaseStepAsPrinted) {
    struct Seen {
        sim::Simulator* sim;
        std::vector<bool> closedBefore;
    } seen{&sim, {}};
    const BRIXEL_CONSOLE_SINK sink = [](void* context, const char*) {
        auto& s = *static_cast<Seen*>(context);
        const auto ops = s.sim->usbOps();
        s.closedBefore.push_back(!ops.empty() && ops.back() == Op::close);
    };
    ASSERT_TRUE(brixelSetConsoleSink(sink, &seen));
    device->faults.noReply = sim::FrameFault::at(0);
    std::array<unsigned char, 256> edid{};
    EXPECT_FALSE(getEdid(edid.data()));
    device->faults.noReply = sim::FrameFault::at(1);
    SB_VALUES values{};
    EXPECT_FALSE(set3x(&values));
    brixelSetConsoleSink(nullptr, nullptr);
    EXPECT_EQ(seen.closedBefore, (std::vector<bool>{true, false}));
}

TEST(PlatformLayer, IsCompleteAndTheOneTheLibraryUsesByDefault) {
    const BRIXEL_USB_LAYER* layer = brixelGetPlatformUsbLayer();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer, brixelGetPlatformUsbLayer());
    // Handed back as an installed layer, it is taken like any other.
    EXPECT_TRUE(brixelSetUsbLayer(layer));
    EXPECT_TRUE(brixelSetUsbLayer(nullptr));
}

}  // namespace
}  // namespace brixel::test
