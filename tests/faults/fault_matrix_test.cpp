// SPDX-License-Identifier: MIT
// Every exported operation under every single fault the simulator knows, on
// every frame it writes, with and without leave-open: the result, the console
// lines, the warnings, the frames, the release step and the caller's buffers
// are what the rules say, and once the fault is gone the same call succeeds.

#include <BrixelLibrary.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/connection.h"
#include "sim/faults.h"
#include "tests/faults/fault_rules.h"
#include "tests/support/guarded.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using faults::Link;
using faults::Reply;
using faults::Shape;
using sim::Op;

// Virtual time per receive-queue check: a silent window is 100 checks, not 4000.
constexpr uint32_t pollCostMs = 40;
constexpr uint32_t silentWindowChecks = 100;

constexpr uint8_t untouched = 0xA5;

// The caller's side of every operation: buffers to fill, and what it hands over.
struct Buffers {
    Guarded state{60};
    Guarded version{23};
    Guarded edid{256};
    Guarded matrix{sizeof(SB_VALUES)};
    Guarded status{sizeof(VIDEO_STATUS), '#'};
    // Read by the library, never written: each in an allocation of its exact size.
    std::vector<uint8_t> edidToWrite = pattern();
    std::vector<char> aviText = text("82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00");
    std::vector<char> hdrText =
        text("87:01:1A:00:02:00:C2:33:C4:86:4C:1D:B8:0B:D0:84:80:3E:13:3D:42:40:E8:03:32:00:E8:03:90:01");
    SB_VALUES matrixToWrite{0.0, 1.164, 0.0, 1.793, 16.0, 1.164, -0.213, -0.533, -16.0, 1.164, 2.112, 0.0};

    static std::vector<uint8_t> pattern() {
        std::vector<uint8_t> bytes(256);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        return bytes;
    }
    static std::vector<char> text(const char* t) { return {t, t + std::strlen(t) + 1}; }

    bool guardsIntact() const {
        return state.guardsIntact() && version.guardsIntact() && edid.guardsIntact() && matrix.guardsIntact() &&
               status.guardsIntact();
    }
    bool inputsUnchanged() const {
        const Buffers fresh;
        return edidToWrite == fresh.edidToWrite && aviText == fresh.aviText && hdrText == fresh.hdrText &&
               std::memcmp(&matrixToWrite, &fresh.matrixToWrite, sizeof(SB_VALUES)) == 0;
    }
};

struct Operation {
    const char* name;
    Shape shape;
    std::function<bool(Buffers&)> call;
};

void PrintTo(const Operation& op, std::ostream* os) { *os << op.name; }

const Operation operations[] = {
    {"setBrixelState", Shape::settingWrite, [](Buffers&) { return setBrixelState(BRIXEL_CMD_LOGO_LED, 0); }},
    {"setActivePort", Shape::settingWrite, [](Buffers&) { return setActivePort(BRIXEL_INPORT_2); }},
    {"setAutoSwitch", Shape::settingWrite, [](Buffers&) { return setAutoSwitch(false); }},
    {"setScaling", Shape::settingWrite, [](Buffers&) { return setScaling(BRIXEL_SCALE_DOWN); }},
    {"setHdcpVersion", Shape::settingWrite, [](Buffers&) { return setHdcpVersion(BRIXEL_HDCP_2_2); }},
    {"setEdidMode", Shape::settingWrite, [](Buffers&) { return setEdidMode(BRIXEL_EDID_SINK); }},
    {"setSwPriority", Shape::settingWrite, [](Buffers&) { return setSwPriority(true); }},
    {"setCustomAvi", Shape::settingWrite, [](Buffers&) { return setCustomAvi(true); }},
    {"setAutoFillCrc", Shape::settingWrite, [](Buffers&) { return setAutoFillCrc(true); }},
    {"setCustomHdr", Shape::settingWrite, [](Buffers&) { return setCustomHdr(true); }},
    {"setAviDisable", Shape::settingWrite, [](Buffers&) { return setAviDisable(true); }},
    {"setLogoLed", Shape::settingWrite, [](Buffers&) { return setLogoLed(false); }},
    {"factoryReset", Shape::settingWrite, [](Buffers&) { return factoryReset(BRIXEL_FACTRESET_SETTINGS); }},
    {"setCsc", Shape::settingWrite, [](Buffers&) { return setCsc(BRIXEL_COLFMT_RGB); }},
    {"setDeepColor", Shape::settingWrite, [](Buffers&) { return setDeepColor(BRIXEL_DC_10BIT); }},
    {"setDownCsc", Shape::settingWrite, [](Buffers&) { return setDownCsc(BRIXEL_COLFMT_YCBCR422); }},
    {"setDsDeepColor", Shape::settingWrite, [](Buffers&) { return setDsDeepColor(BRIXEL_DC_12BIT); }},
    {"setBt2020Force", Shape::settingWrite, [](Buffers&) { return setBt2020Force(BRIXEL_BT2020_ON); }},
    {"setPreset4k30", Shape::settingWrite, [](Buffers&) { return setPreset4k30(true); }},
    {"setPreset4k60", Shape::settingWrite, [](Buffers&) { return setPreset4k60(true); }},
    {"setPreset4k30Mode", Shape::settingWrite,
     [](Buffers&) { return setPreset4k30Mode(BRIXEL_PRESET_YCBCR422_12BIT); }},
    {"setPreset4k60Mode", Shape::settingWrite,
     [](Buffers&) { return setPreset4k60Mode(BRIXEL_PRESET_YCBCR420_10BIT); }},
    {"setIgnoreEdid", Shape::settingWrite, [](Buffers&) { return setIgnoreEdid(true); }},
    {"resetBrixel", Shape::settingWrite, [](Buffers&) { return resetBrixel(); }},
    {"setHdrDisable", Shape::settingWrite, [](Buffers&) { return setHdrDisable(true); }},
    {"setHtpc", Shape::settingWrite, [](Buffers&) { return setHtpc(true); }},
    {"set3xEn", Shape::settingWrite, [](Buffers&) { return set3xEn(true); }},
    {"changeCustomEdid_noEntry", Shape::settingWrite, [](Buffers&) { return changeCustomEdid(EDIDTABLE(0)); }},
    {"changeCustomEdid", Shape::builtInEdid, [](Buffers&) { return changeCustomEdid(EDIDTABLE_1080I60_STEREO); }},
    {"getBrixelState", Shape::stateRead, [](Buffers& b) { return getBrixelState(b.state.data()); }},
    {"getFwVersion", Shape::versionRead, [](Buffers& b) { return getFwVersion(b.version.chars()); }},
    {"get3x", Shape::matrixRead, [](Buffers& b) { return get3x(b.matrix.as<SB_VALUES>()); }},
    {"set3x", Shape::matrixWrite, [](Buffers& b) { return set3x(&b.matrixToWrite); }},
    {"getEdid", Shape::edidRead, [](Buffers& b) { return getEdid(b.edid.data()); }},
    {"getSinkEdid", Shape::sinkEdidRead, [](Buffers& b) { return getSinkEdid(b.edid.data()); }},
    {"setCustomEdid", Shape::edidWrite, [](Buffers& b) { return setCustomEdid(b.edidToWrite.data()); }},
    {"setAviIf", Shape::aviInfoFrame, [](Buffers& b) { return setAviIf(b.aviText.data()); }},
    {"setHdrIf_fill", Shape::hdrInfoFrame, [](Buffers& b) { return setHdrIf(b.hdrText.data(), true); }},
    {"setHdrIf", Shape::hdrInfoFrame, [](Buffers& b) { return setHdrIf(b.hdrText.data(), false); }},
    {"getVideoFormat", Shape::report, [](Buffers& b) { return getVideoFormat(b.status.as<VIDEO_STATUS>()); }},
};

// Many thousands of identical warnings read better counted.
std::string summary(const std::vector<std::wstring>& warnings) {
    std::string text;
    for (std::size_t i = 0; i < warnings.size();) {
        std::size_t same = i;
        while (same < warnings.size() && warnings[same] == warnings[i]) ++same;
        text += std::string(warnings[i].begin(), warnings[i].end()) + " x" + std::to_string(same - i) + "; ";
        i = same;
    }
    return text;
}

// The report's register reads, by the frame of the report they travel in.
constexpr std::array<std::pair<std::size_t, uint8_t>, 8> reportBlockFrames{
    {{0, 6}, {2, 21}, {3, 30}, {4, 31}, {5, 37}, {6, 38}, {7, 39}, {8, 53}}};

// The report the library should give when the blocks of `lost` brought no bytes.
Guarded reportWithout(const std::set<uint8_t>& lost) {
    sim::Simulator sim;
    sim.addDevice("2024");
    for (const uint8_t reg : lost) sim.device().model.report.scriptedBlocks[reg] = {};
    Guarded status(sizeof(VIDEO_STATUS), '#');
    EXPECT_TRUE(sim::install(sim));
    EXPECT_TRUE(getVideoFormat(status.as<VIDEO_STATUS>()));
    sim::uninstall(sim);
    return status;
}

class FaultMatrix : public testing::TestWithParam<Operation> {
protected:
    // The caller's buffers after a run of the operation on a device without faults.
    void SetUp() override {
        sim::Simulator sim;
        sim.addDevice("2024");
        ASSERT_TRUE(sim::install(sim));
        printedBy([&] { ASSERT_TRUE(GetParam().call(reference)); });
        DeviceClose();
        sim::uninstall(sim);
    }

    // `report` is the VIDEO_STATUS the report should leave.
    void expectBuffers(const Buffers& b, const faults::Expected& e, const Guarded& report) {
        EXPECT_TRUE(b.guardsIntact());
        EXPECT_TRUE(b.inputsUnchanged());
        const auto& replies = e.replies;
        const bool arrived = !replies.empty() && faults::dataArrived(replies[0]);
        switch (GetParam().shape) {
            case Shape::stateRead: {
                // All 60 bytes on every path: the device's when they arrived, else zeros.
                const std::vector<uint8_t> zeros(60, 0);
                EXPECT_TRUE(std::ranges::equal(b.state.bytes(), arrived ? reference.state.bytes() : zeros));
                break;
            }
            case Shape::versionRead:
                EXPECT_STREQ(b.version.chars(), arrived ? reference.version.chars() : "BRIXEL FW Ver: 0.0");
                break;
            case Shape::matrixRead:
                if (!e.result) {
                    EXPECT_TRUE(std::ranges::all_of(b.matrix.bytes(), [](uint8_t c) { return c == untouched; }));
                } else if (replies[0] == Reply::shortReply) {
                    // The bytes a reply lacks count as zero.
                    const SB_VALUES zeros{};
                    EXPECT_EQ(std::memcmp(b.matrix.data(), &zeros, sizeof zeros), 0);
                } else {
                    EXPECT_TRUE(std::ranges::equal(b.matrix.bytes(), reference.matrix.bytes()));
                }
                break;
            case Shape::edidRead:
            case Shape::sinkEdidRead: {
                // The chunks that came whole hold the device's bytes (a changed
                // first byte is EDID data: the reads have no echo); the rest is
                // as the caller left it.
                std::vector<uint8_t> expected(256, untouched);
                for (std::size_t chunk = 0; chunk < replies.size(); ++chunk) {
                    if (replies[chunk] != Reply::answered && replies[chunk] != Reply::wrongEcho) break;
                    std::copy_n(reference.edid.data() + 16 * chunk, 16, expected.begin() + 16 * chunk);
                    if (replies[chunk] == Reply::wrongEcho) expected[16 * chunk] ^= 0xFF;
                }
                EXPECT_TRUE(std::ranges::equal(b.edid.bytes(), expected));
                break;
            }
            case Shape::report: EXPECT_TRUE(std::ranges::equal(b.status.bytes(), report.bytes())); break;
            default: break;
        }
    }

    // The operation under `fault` (none when null) at `frame` of its own frames.
    void runCase(Link link, const sim::FaultKind* fault, uint32_t frame) {
        faults::Conditions conditions{link, {fault ? fault->name : "", frame}, silentWindowChecks};
        const auto expected = faults::expectedRun(GetParam().shape, conditions);
        ASSERT_TRUE(expected) << "the rules know no fault " << (fault ? fault->name : "");
        // Worked out on a device of its own before this one is installed.
        std::set<uint8_t> lost;
        for (const auto& [blockFrame, reg] : reportBlockFrames)
            if (blockFrame >= expected->replies.size() || !faults::dataArrived(expected->replies[blockFrame]))
                lost.insert(reg);
        const Guarded report = GetParam().shape == Shape::report ? reportWithout(lost) : Guarded(0);

        sim::Simulator sim;
        sim.pollCostMs = pollCostMs;
        sim::SimDevice& device = sim.addDevice("2024");
        ASSERT_TRUE(sim::install(sim));
        if (link != Link::closed) LeaveDeviceOpen();
        if (link == Link::leaveOpenOpen) {
            std::array<char, 23> version{};
            ASSERT_TRUE(getFwVersion(version.data()));
        }
        sim.clearTrace();
        if (fault) fault->apply(sim, 0, fault->atFrame ? std::optional(device.framesWritten + frame) : std::nullopt);

        Buffers buffers;
        bool result = false;
        const std::string printed = printedBy([&] { result = GetParam().call(buffers); });
        EXPECT_EQ(result, expected->result);
        EXPECT_EQ(printed, expected->printed);
        EXPECT_EQ(summary(sim.warnings()), summary(expected->warnings));
        EXPECT_EQ(sim.count(Op::write), expected->writes);
        EXPECT_EQ(sim.count(Op::open), expected->opens);
        EXPECT_EQ(sim.count(Op::close), expected->closes) << "the release step";
        EXPECT_EQ(sim.sleeps(), expected->sleeps);
        EXPECT_EQ(linkIsOpen(), expected->linkOpenAfter) << "the release step";
        EXPECT_EQ(sim.openHandles(), expected->linkOpenAfter ? 1u : 0u);
        expectBuffers(buffers, *expected, report);

        // The fault gone, the same call succeeds.
        device.faults = {};
        sim.countFails = false;
        device.attached = true;
        const Link now = link == Link::closed ? Link::closed
                         : linkIsOpen()       ? Link::leaveOpenOpen
                                              : Link::leaveOpenClosed;
        const auto clean = faults::expectedRun(GetParam().shape, {now, {}, silentWindowChecks});
        sim.clearTrace();
        Buffers again;
        const std::string printedAgain = printedBy([&] { result = GetParam().call(again); });
        EXPECT_TRUE(result) << "once the fault is gone";
        EXPECT_EQ(printedAgain, clean->printed);
        EXPECT_TRUE(sim.warnings().empty());
        EXPECT_EQ(sim.count(Op::write), clean->writes);
        expectBuffers(again, *clean, reference.status);

        DeviceClose();
        EXPECT_EQ(sim.openHandles(), 0u);
        sim::uninstall(sim);
    }

    Buffers reference;
};

constexpr std::array<Link, 3> links{Link::closed, Link::leaveOpenClosed, Link::leaveOpenOpen};

const char* nameOf(Link link) {
    switch (link) {
        case Link::closed: return "closed";
        case Link::leaveOpenClosed: return "leave-open, not yet open";
        case Link::leaveOpenOpen: return "leave-open, open";
    }
    return "?";
}

TEST_P(FaultMatrix, EverySingleFaultOnEveryFrame) {
    const uint32_t frames = faults::expectedRun(GetParam().shape, {})->writes;
    for (const Link link : links) {
        SCOPED_TRACE(nameOf(link));
        {
            SCOPED_TRACE("no fault");
            runCase(link, nullptr, 0);
        }
        for (const sim::FaultKind& fault : sim::faultKinds()) {
            for (uint32_t frame = 0; frame < (fault.atFrame ? frames : 1); ++frame) {
                SCOPED_TRACE(std::string(fault.name) + (fault.atFrame ? " at frame " + std::to_string(frame) : ""));
                runCase(link, &fault, frame);
                if (HasFatalFailure()) return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultMatrix, testing::ValuesIn(operations),
                         [](const auto& param) { return std::string(param.param.name); });

// ---- Calls that never reach the device ------------------------------------------------

struct Untravelled {
    const char* name;
    bool result;
    const char* printed;
    std::function<bool(Buffers&)> call;
};

void PrintTo(const Untravelled& u, std::ostream* os) { *os << u.name; }

const Untravelled untravelled[] = {
    {"LeaveDeviceOpen", true, "", [](Buffers&) { return LeaveDeviceOpen(); }},
    {"reset3x", true, "", [](Buffers& b) { return reset3x(b.matrix.as<SB_VALUES>()); }},
    {"setHdcpVersion_1", false, "", [](Buffers&) { return setHdcpVersion(BRIXEL_HDCP_RESERVED); }},
    {"setHdcpVersion_0x101", false, "", [](Buffers&) { return setHdcpVersion(BRIXEL_HDCP(0x101)); }},
    {"setBrixelState_3_1", false, "", [](Buffers&) { return setBrixelState(BRIXEL_CMD_HDCP_VERSION, 1); }},
    {"setBrixelState_0x103_1", false, "", [](Buffers&) { return setBrixelState(BRIXEL_CMD(0x103), 1); }},
    {"setAviIf_short", false, "Error: min 2, max 17 data bytes",
     [](Buffers&) {
         char text[] = "82:0";
         return setAviIf(text);
     }},
    {"setAviIf_long", false, "Error: min 2, max 17 data bytes",
     [](Buffers&) {
         char text[] = "00:01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E:0F:101";
         return setAviIf(text);
     }},
    {"setHdrIf_leadingColon", false, "Error: the text must begin with a byte of two hex digits, not a colon\n",
     [](Buffers&) {
         char text[] = "8:01:1A:00";
         return setHdrIf(text, true);
     }},
    {"getBrixelState_null", false, "", [](Buffers&) { return getBrixelState(nullptr); }},
    {"getFwVersion_null", false, "", [](Buffers&) { return getFwVersion(nullptr); }},
    {"getEdid_null", false, "", [](Buffers&) { return getEdid(nullptr); }},
    {"getSinkEdid_null", false, "", [](Buffers&) { return getSinkEdid(nullptr); }},
    {"setCustomEdid_null", false, "", [](Buffers&) { return setCustomEdid(nullptr); }},
    {"setAviIf_null", false, "", [](Buffers&) { return setAviIf(nullptr); }},
    {"setHdrIf_null", false, "", [](Buffers&) { return setHdrIf(nullptr, false); }},
    {"set3x_null", false, "", [](Buffers&) { return set3x(nullptr); }},
    {"get3x_null", false, "", [](Buffers&) { return get3x(nullptr); }},
    {"reset3x_null", false, "", [](Buffers&) { return reset3x(nullptr); }},
    {"getVideoFormat_null", false, "", [](Buffers&) { return getVideoFormat(nullptr); }},
};

class NoTraffic : public testing::TestWithParam<Untravelled> {};

TEST_P(NoTraffic, WhateverTheFault) {
    for (const Link link : links) {
        for (const sim::FaultKind& fault : sim::faultKinds()) {
            SCOPED_TRACE(std::string(nameOf(link)) + ", " + std::string(fault.name));
            sim::Simulator sim;
            sim.addDevice("2024");
            ASSERT_TRUE(sim::install(sim));
            if (link != Link::closed) LeaveDeviceOpen();
            if (link == Link::leaveOpenOpen) {
                ASSERT_TRUE(resetBrixel());
            }
            sim.clearTrace();
            fault.apply(sim, 0, std::nullopt);
            Buffers buffers;
            bool result = false;
            EXPECT_EQ(printedBy([&] { result = GetParam().call(buffers); }), GetParam().printed);
            EXPECT_EQ(result, GetParam().result);
            EXPECT_TRUE(sim.usbCalls().empty());
            EXPECT_TRUE(sim.warnings().empty());
            EXPECT_EQ(linkIsOpen(), link == Link::leaveOpenOpen);
            EXPECT_TRUE(buffers.guardsIntact());
            EXPECT_TRUE(buffers.inputsUnchanged());
            DeviceClose();
            sim::uninstall(sim);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, NoTraffic, testing::ValuesIn(untravelled),
                         [](const auto& param) { return std::string(param.param.name); });

// ---- Closing ----------------------------------------------------------------------------

// DeviceClose closes an open device whatever leave-open says, warns when the
// close fails, is true either way, and leaves the link closed.
TEST(DeviceCloseUnderFaults, ClosesWarnsAndIsTrue) {
    for (const bool closeFails : {false, true}) {
        for (const bool leaveOpen : {false, true}) {
            SCOPED_TRACE(std::string(closeFails ? "close fails" : "close works") + (leaveOpen ? ", leave-open" : ""));
            sim::Simulator sim;
            sim.addDevice("2024");
            ASSERT_TRUE(sim::install(sim));
            if (leaveOpen) LeaveDeviceOpen();
            ASSERT_TRUE(resetBrixel());
            sim.device().faults.closeFails = closeFails;
            sim.clearTrace();
            EXPECT_TRUE(DeviceClose());
            EXPECT_EQ(sim.usbOps(), leaveOpen ? std::vector<Op>{Op::close} : std::vector<Op>{});
            EXPECT_EQ(sim.warnings(), closeFails && leaveOpen
                                          ? std::vector<std::wstring>{L"Unable to close device handle!"}
                                          : std::vector<std::wstring>{});
            EXPECT_FALSE(linkIsOpen());
            EXPECT_EQ(sim.openHandles(), 0u);
            // Closed, the next call starts with a discovery.
            sim.clearTrace();
            ASSERT_TRUE(resetBrixel());
            EXPECT_EQ(sim.count(Op::getNumDevices), 1u);
            DeviceClose();
            sim::uninstall(sim);
        }
    }
}

}  // namespace
}  // namespace brixel::test
