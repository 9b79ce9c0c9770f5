// SPDX-License-Identifier: MIT
// getVideoFormat through the USB seam, against the simulated device.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "report/status_decode.h"
#include "report/status_fields.h"
#include "sim/state_file.h"
#include "sim/subsystems.h"
#include "tests/support/sim_fixture.h"

namespace brixel {
namespace {

using Frame = std::vector<uint8_t>;

const std::vector<Frame> reportTraffic{
    {0x11, 28, 0xE0, 6},  {0x10, 0x02, 0xB4, 0x00}, {0x11, 33, 0xE0, 21}, {0x11, 33, 0xE0, 30},
    {0x11, 33, 0xE0, 31}, {0x11, 33, 0xE0, 37},     {0x11, 33, 0xE0, 38}, {0x11, 33, 0xE0, 39},
    {0x11, 15, 0xE0, 53}, {0x10, 0x02, 0xB1, 0x00},
};

class ReportTraffic : public test::SimTest {
protected:
    // Register contents from byte 2 on, answered whatever the sources are.
    std::map<uint8_t, std::vector<uint8_t>>& scripted() { return device->model.report.scriptedBlocks; }

    void scriptStatus(std::initializer_list<std::pair<std::size_t, uint8_t>> bytes) {
        std::vector<uint8_t> s(26, 0);
        for (auto [index, value] : bytes) s.at(index - 2) = value;
        scripted()[6] = s;
    }

    VIDEO_STATUS report() {
        VIDEO_STATUS status;
        std::memset(&status, '#', sizeof status);
        result = run([&] { return getVideoFormat(&status); });
        return status;
    }
    bool result = false;
};

TEST_F(ReportTraffic, OpenGateReadsEveryBlockBetweenTheTwoFrames) {
    scriptStatus({{3, 16}, {27, 8}});
    const auto status = report();
    EXPECT_TRUE(result);
    EXPECT_EQ(sim.writtenFrames(), reportTraffic);
    EXPECT_EQ(printed, "");
    EXPECT_STREQ(status.input, "Input : 1920x1080p60");
    // Each read and each frame opens and releases the device by itself.
    EXPECT_EQ(sim.count(sim::Op::open), reportTraffic.size());
    EXPECT_EQ(sim.count(sim::Op::close), reportTraffic.size());
}

TEST_F(ReportTraffic, GateByte10IsOpenToo) {
    scriptStatus({{27, 10}});
    report();
    EXPECT_EQ(sim.writtenFrames(), reportTraffic);
}

TEST_F(ReportTraffic, ClosedGateSendsOnlyTheStatusRead) {
    for (uint8_t gate : {uint8_t{0}, uint8_t{9}}) {
        sim.clearTrace();
        scriptStatus({{3, 16}, {27, gate}});
        const auto status = report();
        EXPECT_TRUE(result);
        EXPECT_EQ(sim.writtenFrames(), std::vector<Frame>{reportTraffic[0]});
        EXPECT_STREQ(status.input, "Input :");
        EXPECT_STREQ(status.displayName, "Display Name:");
        for (const auto& field : statusFields)
            if (!field.labelled) {
                EXPECT_EQ((status.*field.text)[0], '#') << field.name;
            }
    }
}

TEST_F(ReportTraffic, WithLeaveOpenTheWholeReportUsesOneOpen) {
    scriptStatus({{27, 8}});
    ASSERT_TRUE(LeaveDeviceOpen());
    report();
    EXPECT_EQ(sim.writtenFrames(), reportTraffic);
    EXPECT_EQ(sim.count(sim::Op::open), 1u);
    EXPECT_EQ(sim.count(sim::Op::close), 0u);
}

TEST_F(ReportTraffic, NoDeviceIsAClosedGate) {
    device->attached = false;
    const auto status = report();
    EXPECT_TRUE(result);
    EXPECT_TRUE(sim.writtenFrames().empty());
    EXPECT_STREQ(status.input, "Input :");
    EXPECT_STREQ(status.outDeepColor, "Output Deep Color:");
    EXPECT_EQ(status.aviIfHex[0], '#');
}

TEST_F(ReportTraffic, NullRecordIsRefusedWithNoTraffic) {
    EXPECT_FALSE(run([] { return getVideoFormat(nullptr); }));
    EXPECT_TRUE(sim.usbCalls().empty());
}

TEST_F(ReportTraffic, AFailedBlockReadIsDecodedAsZerosAndTheReportGoesOn) {
    scriptStatus({{3, 97}, {27, 8}});
    scripted()[21] = {0x83, 0x01, 0x19, 0x00, 'A', 'B', 'C'};
    scripted()[39] = {0x82, 0x02, 0x0D, 0x00, 0x40};
    device->faults.noReply = sim::FrameFault::at(2);  // the SPD read
    const auto status = report();
    EXPECT_TRUE(result);
    EXPECT_EQ(sim.writtenFrames(), reportTraffic);
    EXPECT_EQ(printed, "Error Reading values\n");
    EXPECT_STREQ(status.sourceName, "Source Name: no info received");
    EXPECT_STREQ(status.inColorSpace, "In Color Space: YCbCr 4:4:4");
    EXPECT_STREQ(status.input, "Input : 3840x2160p60");
}

TEST_F(ReportTraffic, UnexpectedFrameRepliesAreIgnored) {
    scriptStatus({{27, 8}, {16, 0x14}});
    device->faults.wrongEcho = sim::FrameFault::at(1);  // the 0xB4 frame
    const auto status = report();
    EXPECT_EQ(sim.writtenFrames(), reportTraffic);
    EXPECT_EQ(printed, "");
    EXPECT_STREQ(status.inEncryption, "Input Encryption: HDCP 1.4");
}

// Whatever bytes the device gives, the report holds what decoding those bytes gives.
TEST_F(ReportTraffic, AnyBlocksReachTheirFieldsThroughTheSeam) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        StatusBlocks blocks{};
        auto fill = [&](StatusBlocks::Block& block, uint8_t reg, uint8_t count) {
            std::vector<uint8_t> bytes(count - 2);
            for (auto& b : bytes) b = static_cast<uint8_t>(byte(random));
            if (round % 2 == 0 && reg != 6 && reg != 53) {
                // Half the rounds carry a passing InfoFrame of the block's kind.
                const std::map<uint8_t, std::pair<uint8_t, uint8_t>> kinds{{21, {0x83, 1}}, {30, {0x87, 1}},
                                                                           {31, {0x81, 0}}, {37, {0x81, 0}},
                                                                           {38, {0x84, 1}}, {39, {0x82, 2}}};
                bytes[0] = kinds.at(reg).first, bytes[1] = kinds.at(reg).second;
            }
            if (reg == 6) bytes[25] = round % 3 == 0 ? 10 : 8;
            scripted()[reg] = bytes;
            block[0] = 0xE0;
            std::copy(bytes.begin(), bytes.end(), block.begin() + 2);
        };
        fill(blocks.status, 6, 28);
        for (const auto& further : furtherBlocks) fill(blocks.*further.block, further.read.reg, further.read.count);

        VIDEO_STATUS expected;
        decodeVideoStatus(blocks, expected);
        sim.clearTrace();
        const auto status = report();
        ASSERT_EQ(sim.writtenFrames(), reportTraffic);
        for (const auto& field : statusFields)
            ASSERT_STREQ(status.*field.text, expected.*field.text) << field.name << " round " << round;
    }
}

// ---- the simulated sources ----------------------------------------------------------------

TEST_F(ReportTraffic, TheSimulatedPlayerOnPort1) {
    const auto status = report();
    EXPECT_EQ(sim.writtenFrames(), reportTraffic);
    EXPECT_STREQ(status.input, "Input : 3840x2160p60");
    EXPECT_STREQ(status.output, "Output : 3840x2160p60");
    EXPECT_STREQ(status.inColorSpace, "In Color Space: YCbCr 4:2:0 Extended ITU-R BT.2020");
    EXPECT_STREQ(status.hdrInput, "HDR input:  SMPTE ST 2084");
    EXPECT_STREQ(status.inEncryption, "Input Encryption:  HDCP 2.2");
    EXPECT_STREQ(status.inDeepColor, "Input Deep Color: 10-bit");
    EXPECT_STREQ(status.outDeepColor, "Output Deep Color: 10-bit");
    EXPECT_EQ(std::string(status.aviIfHex).substr(0, 9), "82:02:0d:");
    EXPECT_EQ(std::string(status.sourceName).rfind("Source Name: ", 0), 0u);
    EXPECT_STRNE(status.sourceName, "Source Name: no info received");
    const auto name = sim::displayMonitorName(device->model.edid);
    std::string expectedName(name.begin(), std::find(name.begin(), name.end(), uint8_t{0x0A}));
    EXPECT_EQ(std::string(status.displayName), "Display Name: " + expectedName);
}

TEST_F(ReportTraffic, ChangingPortChangesTheReport) {
    const auto before = report();
    ASSERT_TRUE(setActivePort(BRIXEL_INPORT_2));
    const auto after = report();
    EXPECT_STRNE(before.input, after.input);
    EXPECT_STRNE(before.sourceName, after.sourceName);
    EXPECT_STREQ(after.input, "Input : 1920x1080p60");

    ASSERT_TRUE(setActivePort(BRIXEL_INPORT_4));
    sim.clearTrace();
    const auto nothing = report();
    EXPECT_STREQ(nothing.input, "Input :");
    EXPECT_EQ(sim.writtenFrames().size(), 1u);
}

TEST_F(ReportTraffic, SettingsShapeTheSimulatedOutput) {
    ASSERT_TRUE(setScaling(BRIXEL_SCALE_DOWN));
    auto status = report();
    EXPECT_STREQ(status.output, "Output : 1920x1080p60 [downscaled]");
    EXPECT_STREQ(status.outPixelClock, "Output Pixel Clock: 185625");

    ASSERT_TRUE(setScaling(BRIXEL_SCALE_BYPASS));
    ASSERT_TRUE(setCsc(BRIXEL_COLFMT_YCBCR422));
    ASSERT_TRUE(setHdcpVersion(BRIXEL_HDCP_1_4));
    status = report();
    EXPECT_STREQ(status.outColorSpace, "Out Color Space: YCbCr 4:2:2 Extended ITU-R BT.2020");
    EXPECT_STREQ(status.outEncryption, "Output Encryption:  HDCP 1.4");

    ASSERT_TRUE(setActivePort(BRIXEL_INPORT_2));
    ASSERT_TRUE(setCsc(BRIXEL_COLFMT_BYPASS));
    ASSERT_TRUE(setScaling(BRIXEL_SCALE_UP));
    ASSERT_TRUE(setDeepColor(BRIXEL_DC_16BIT));
    status = report();
    EXPECT_STREQ(status.output, "Output : 3840x2160p60 [upscaled]");
    EXPECT_STREQ(status.outPixelClock, "<font color='red'>Output Pixel Clock: 1188000 [over HDMI2.0 limit]</font>");
}

TEST_F(ReportTraffic, AnActivatedCustomAviInfoFrameIsTheOutputsColourSpace) {
    auto& custom = device->model.infoFrames;
    custom.avi = {0x82, 0x02, 0x0D, 0x00, 0x40, 0x80, 0x00, 0x10};
    custom.aviActive = false;
    EXPECT_STREQ(report().outColorSpace, "Out Color Space: YCbCr 4:2:0 Extended ITU-R BT.2020");
    custom.aviActive = true;
    EXPECT_STREQ(report().outColorSpace, "Out Color Space: YCbCr 4:4:4 ITU-R BT.709");
}

TEST_F(ReportTraffic, AnActivatedCustomHdrInfoFrameIsWhatRegister30Reports) {
    // The player's own frame: primaries green, blue, red, as UHD sources send them.
    const std::string own = report().hdrIfHex;
    EXPECT_EQ(own.substr(0, 9), "87:01:1a:");
    EXPECT_EQ(own.substr(12, 42), "02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:");

    char text[] = "87:01:1A:41:01:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:01:02:03:04:05:06:07:08";
    ASSERT_TRUE(run([&] { return setHdrIf(text, false); }));
    const auto status = report();
    EXPECT_STREQ(status.hdrIfHex,
                 "87:01:1a:41:01:00:11:22:33:44:55:66:77:88:99:aa:bb:cc:dd:ee:ff:00:01:02:03:04:05:06:07:08");
    EXPECT_STREQ(status.hdrInput, "HDR input:  HDR Luminance Range");
    // The custom AVI InfoFrame stays what it was: none, so the source's.
    EXPECT_EQ(std::string(status.aviIfHex).substr(0, 9), "82:02:0d:");
}

TEST(ReportModel, AnswersOnlyItsOwnFramesAndKeepsItsState) {
    sim::DeviceModel model;
    const std::vector<uint8_t> open{0x10, 0x02, 0xB4, 0x00};
    const std::vector<uint8_t> edidCommit{0x10, 0x08, 0xB1, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(sim::answerReportFrame(model, open), (sim::Reply{0xB4, 0x00}));
    EXPECT_FALSE(sim::answerReportFrame(model, edidCommit).has_value());
    // Register 44 is the matrix's: what it answers is the matrix write's bytes.
    model.matrix.wire.fill(0x5C);
    EXPECT_EQ(model.answer(std::vector<uint8_t>{0x11, 0x1A, 0xE0, 0x2C}),
              (sim::Reply{0xE0, 0x00, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C,
                          0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C}));

    model.report.ports[2].vendor = "Saved";
    model.report.display2160p = false;
    model.report.scriptedBlocks[6] = {1, 2, 3};
    sim::DeviceModel loaded = sim::loadState(sim::saveState(model));
    EXPECT_EQ(loaded.report.ports[2].vendor, "Saved");
    EXPECT_FALSE(loaded.report.display2160p);
    EXPECT_EQ(loaded.report.scriptedBlocks[6], (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(loaded.report.ports[0].videoCode, model.report.ports[0].videoCode);
}

TEST(ReportModel, AStateItCannotHoldIsRefused) {
    sim::DeviceModel model;
    for (const char* state : {"[]", "[1, 2]", "7", "\"report\"", "null"})
        EXPECT_THROW(sim::loadState(nlohmann::json::parse(state)), std::runtime_error) << state;

    // A scripted block keyed past the register range must not land on another register.
    for (const char* key : {"256", "262", "-1", "1000", "6a", "x", ""}) {
        nlohmann::json state{{"report", {{"scriptedBlocks", {{key, {1, 2}}}}}}};
        EXPECT_THROW(sim::loadState(state), std::runtime_error) << "key '" << key << "'";
    }
    for (const auto& [key, reg] : {std::pair{"0", 0}, std::pair{"6", 6}, std::pair{"255", 255}}) {
        model = sim::loadState(nlohmann::json{{"report", {{"scriptedBlocks", {{key, {1, 2}}}}}}});
        EXPECT_EQ(model.report.scriptedBlocks.size(), 1u);
        EXPECT_EQ(model.report.scriptedBlocks.at(static_cast<uint8_t>(reg)), (std::vector<uint8_t>{1, 2})) << key;
    }

    // The state file reports it instead of starting from a fresh device.
    const auto file = std::filesystem::temp_directory_path() / "brixel-report-model-array.json";
    std::ofstream(file) << "[1, 2]\n";
    std::string error;
    EXPECT_FALSE(sim::loadStateFile(model, file, error));
    EXPECT_NE(error.find("not an object"), std::string::npos) << error;
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace brixel
