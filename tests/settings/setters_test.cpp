// SPDX-License-Identifier: MIT
#include <bit>
#include <string_view>

#include "settings/setting_codes.h"
#include "tests/support/sim_fixture.h"

namespace brixel::test {
namespace {

using sim::Op;
using Frame = std::vector<uint8_t>;

// A caller's bool may hold any byte; build one without loading a bool lvalue.
bool boolHolding(uint8_t byte) { return std::bit_cast<bool>(byte); }

enum class Sends { lowByte, oneIfOne, byteAsIs, alwaysOne };

struct Setter {
    std::string_view function;
    uint8_t code;
    Sends sends;
    bool (*call)(uint8_t argument);
};

template <typename Enum, bool (*F)(Enum)>
bool withEnum(uint8_t a) {
    // Above the low byte too, so only the low byte may reach the device.
    return F(static_cast<Enum>(0x300 | a));
}
template <bool (*F)(bool)>
bool withBool(uint8_t a) {
    return F(boolHolding(a));
}

// Written from the device's code list, independently of the library's table.
const Setter setters[] = {
    {"setActivePort", 0x00, Sends::lowByte, withEnum<BRIXEL_INPORT, setActivePort>},
    {"setAutoSwitch", 0x01, Sends::oneIfOne, withBool<setAutoSwitch>},
    {"setScaling", 0x02, Sends::lowByte, withEnum<BRIXEL_SCALE, setScaling>},
    {"setHdcpVersion", 0x03, Sends::lowByte, withEnum<BRIXEL_HDCP, setHdcpVersion>},
    {"setEdidMode", 0x05, Sends::lowByte, withEnum<BRIXEL_EDID, setEdidMode>},
    {"setSwPriority", 0x0D, Sends::oneIfOne, withBool<setSwPriority>},
    {"setCustomAvi", 0x0F, Sends::oneIfOne, withBool<setCustomAvi>},
    {"setAutoFillCrc", 0x10, Sends::byteAsIs, withBool<setAutoFillCrc>},
    {"setCustomHdr", 0x11, Sends::oneIfOne, withBool<setCustomHdr>},
    {"setAviDisable", 0x13, Sends::byteAsIs, withBool<setAviDisable>},
    {"setLogoLed", 0x16, Sends::oneIfOne, withBool<setLogoLed>},
    {"factoryReset", 0x19, Sends::lowByte, withEnum<BRIXEL_FACTRESET, factoryReset>},
    {"setCsc", 0x28, Sends::lowByte, withEnum<BRIXEL_COLFMT, setCsc>},
    {"setDeepColor", 0x29, Sends::lowByte, withEnum<BRIXEL_DC, setDeepColor>},
    {"setDownCsc", 0x2A, Sends::lowByte, withEnum<BRIXEL_COLFMT, setDownCsc>},
    {"setDsDeepColor", 0x2B, Sends::lowByte, withEnum<BRIXEL_DC, setDsDeepColor>},
    {"set3xEn", 0x2D, Sends::byteAsIs, withBool<set3xEn>},
    {"setBt2020Force", 0x30, Sends::lowByte, withEnum<BRIXEL_BT2020, setBt2020Force>},
    {"setPreset4k30", 0x31, Sends::byteAsIs, withBool<setPreset4k30>},
    {"setPreset4k60", 0x32, Sends::byteAsIs, withBool<setPreset4k60>},
    {"setPreset4k30Mode", 0x33, Sends::lowByte, withEnum<BRIXEL_PRESET, setPreset4k30Mode>},
    {"setPreset4k60Mode", 0x34, Sends::lowByte, withEnum<BRIXEL_PRESET, setPreset4k60Mode>},
    {"setIgnoreEdid", 0x36, Sends::byteAsIs, withBool<setIgnoreEdid>},
    {"resetBrixel", 0x37, Sends::alwaysOne, [](uint8_t) { return resetBrixel(); }},
    {"setHdrDisable", 0x38, Sends::byteAsIs, withBool<setHdrDisable>},
    {"setHtpc", 0x39, Sends::byteAsIs, withBool<setHtpc>},
};

void PrintTo(const Setter& s, std::ostream* os) { *os << s.function; }

uint8_t expectedValue(Sends sends, uint8_t argument) {
    switch (sends) {
        case Sends::oneIfOne: return argument == 1 ? 1 : 0;
        case Sends::alwaysOne: return 1;
        default: return argument;
    }
}

class Setters : public SimTest, public testing::WithParamInterface<Setter> {};

TEST_P(Setters, SendOneFrameWithTheirCodeAndValueByte) {
    const Setter& s = GetParam();
    const std::vector<uint8_t> arguments =
        s.sends == Sends::lowByte ? std::vector<uint8_t>{0, 1, 2, 0x7F, 0xFF} : std::vector<uint8_t>{0, 1, 2, 0x80};
    for (const uint8_t argument : arguments) {
        if (s.code == 0x03 && argument == 1) continue;  // refused, tested below
        SCOPED_TRACE(static_cast<int>(argument));
        sim.clearTrace();
        const bool ok = run([&] { return s.call(argument); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(printed, "");
        const Frame expected{0x10, 0x04, 0xE0, s.code, expectedValue(s.sends, argument)};
        EXPECT_EQ(sim.writtenFrames(), std::vector<Frame>{expected});
        EXPECT_EQ(sim.count(Op::close), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, Setters, testing::ValuesIn(setters),
                         [](const auto& param) { return std::string(param.param.function); });

// The library's own table says the same as the device's list, row for row.
TEST(SettingCodeTable, AgreesWithTheDeviceCodeList) {
    EXPECT_EQ(settingCodes.size(), std::size(setters) + 1);  // and changeCustomEdid
    for (const auto& row : settingCodes) {
        SCOPED_TRACE(std::string(row.function));
        if (row.code == BRIXEL_CMD_CUSTOM_EDID) {
            EXPECT_EQ(row.function, "changeCustomEdid");
            EXPECT_EQ(row.rule, ValueRule::lowByte);
            continue;
        }
        const Setter* match = nullptr;
        for (const auto& s : setters)
            if (s.function == row.function) match = &s;
        ASSERT_NE(match, nullptr);
        EXPECT_EQ(static_cast<uint8_t>(row.code), match->code);
    }
}

// A tool calls each function through its row with the value byte it parsed:
// the frame is the one the function sends when called by name, and a bool is
// true for any byte but 0.
TEST_F(SimTest, EachRowsWrapperCallsItsOwnFunction) {
    for (const auto& row : settingCodes) {
        SCOPED_TRACE(std::string(row.function));
        if (row.code == BRIXEL_CMD_CUSTOM_EDID) continue;  // uploads first; below
        const Setter* match = nullptr;
        for (const auto& s : setters)
            if (s.function == row.function) match = &s;
        ASSERT_NE(match, nullptr);
        for (const uint8_t value : std::vector<uint8_t>{0, 1, 2, 0x80}) {
            SCOPED_TRACE(static_cast<int>(value));
            sim.clearTrace();
            const bool ok = run([&] { return row.wrapper(value); });
            if (match->code == 0x03 && value == 1) {
                EXPECT_FALSE(ok);
                EXPECT_TRUE(sim.writtenFrames().empty());
                continue;
            }
            const bool isBool = match->sends == Sends::oneIfOne || match->sends == Sends::byteAsIs;
            const uint8_t sent = isBool ? uint8_t{value != 0} : expectedValue(match->sends, value);
            EXPECT_TRUE(ok);
            EXPECT_EQ(sim.writtenFrames(), std::vector<Frame>{(Frame{0x10, 0x04, 0xE0, match->code, sent})});
        }
    }
}

TEST_F(SimTest, TheBuiltInEdidRowInstallsThroughItsWrapper) {
    const auto& row = settingCodes[settingRow(BRIXEL_CMD_CUSTOM_EDID)];
    EXPECT_TRUE(run([&] { return row.wrapper(0x02); }));
    const auto frames = sim.writtenFrames();
    // 32 EDID data frames and the commit, then the selection.
    ASSERT_EQ(frames.size(), 34u);
    EXPECT_EQ(frames.front()[2], 0xB0);
    EXPECT_EQ(frames.back(), (Frame{0x10, 0x04, 0xE0, 0x0E, 0x02}));
}

TEST_F(SimTest, ActivePortSendsTheLowByteOnly) {
    ASSERT_TRUE(setActivePort(static_cast<BRIXEL_INPORT>(0x102)));
    EXPECT_EQ(sim.writtenFrames(), (std::vector<Frame>{{0x10, 0x04, 0xE0, 0x00, 0x02}}));
}

TEST_F(SimTest, CoreSendsCodesNoWrapperSends) {
    ASSERT_TRUE(setBrixelState(static_cast<BRIXEL_CMD>(4), 200));
    ASSERT_TRUE(setBrixelState(static_cast<BRIXEL_CMD>(0xFF), 0));
    EXPECT_EQ(sim.writtenFrames(), (std::vector<Frame>{{0x10, 0x04, 0xE0, 0x04, 200}, {0x10, 0x04, 0xE0, 0xFF, 0}}));
}

// ---- HDCP refusal ----------------------------------------------------------------

TEST_F(SimTest, HdcpValueOneIsRefusedWithNoTrafficAtAll) {
    using Call = bool (*)();
    const Call refused[] = {
        [] { return setHdcpVersion(BRIXEL_HDCP_RESERVED); },
        [] { return setBrixelState(BRIXEL_CMD_HDCP_VERSION, 1); },
        // The whole value is not 1, but its low byte would be.
        [] { return setHdcpVersion(static_cast<BRIXEL_HDCP>(0x101)); },
        // Refused also when the device would see code 3: only the low byte travels.
        [] { return setBrixelState(static_cast<BRIXEL_CMD>(0x103), 1); },
    };
    for (const Call call : refused) {
        EXPECT_FALSE(run(call));
        EXPECT_EQ(printed, "");
    }
    EXPECT_TRUE(sim.trace().empty());  // not even the clock
}

TEST_F(SimTest, OtherHdcpValuesAreSent) {
    ASSERT_TRUE(setHdcpVersion(BRIXEL_HDCP_AUTO));
    ASSERT_TRUE(setHdcpVersion(BRIXEL_HDCP_1_4));
    ASSERT_TRUE(setBrixelState(BRIXEL_CMD_HDCP_VERSION, 3));
    EXPECT_EQ(sim.writtenFrames(),
              (std::vector<Frame>{
                  {0x10, 0x04, 0xE0, 0x03, 0x00}, {0x10, 0x04, 0xE0, 0x03, 0x02}, {0x10, 0x04, 0xE0, 0x03, 0x03}}));
}

// ---- Failures ---------------------------------------------------------------------

TEST_F(SimTest, WrongEchoIsAnUnconfirmedSetting) {
    device->faults.wrongEcho = sim::FrameFault::at(0);
    EXPECT_FALSE(run([] { return setActivePort(BRIXEL_INPORT_3); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.count(Op::read), 1u);
    EXPECT_EQ(sim.usbOps().back(), Op::close);
    EXPECT_TRUE(sim.warnings().empty());
    // Nothing is retried or repaired.
    EXPECT_EQ(sim.count(Op::write), 1u);
}

// An echo that comes back but cut to its first byte still confirms a setting.
TEST_F(SimTest, EchoAloneConfirmsASetting) {
    device->faults.shortReply = sim::FrameFault::at(0);
    device->faults.shortReplyLength = 1;
    EXPECT_TRUE(run([] { return setActivePort(BRIXEL_INPORT_3); }));
    EXPECT_EQ(printed, "");
}

TEST_F(SimTest, EmptyReplyFailsTheSetting) {
    device->faults.shortReply = sim::FrameFault::at(0);
    device->faults.shortReplyLength = 0;
    EXPECT_FALSE(run([] { return setActivePort(BRIXEL_INPORT_3); }));
    EXPECT_EQ(printed, "Error Writing values\n");
    EXPECT_EQ(sim.count(Op::read), 0u);
    EXPECT_EQ(sim.usbOps().back(), Op::close);
}

TEST_F(SimTest, NoDeviceFailsTheSettingWithOnlyTheWarning) {
    device->attached = false;
    EXPECT_FALSE(run([] { return setIgnoreEdid(true); }));
    EXPECT_EQ(printed, "");
    EXPECT_EQ(sim.warnings(), std::vector<std::wstring>{L"BRIXEL USB not connected!"});
}

}  // namespace
}  // namespace brixel::test
