// The simulated device's state file: the form users' files already have, read
// and written field by field.

#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace brixel::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Written by brixelctl --simulate before each field was mapped once (port 3,
// scaling down, an AVI InfoFrame, matrix reset, built-in EDID 2), then given
// a firmware version, a source on port 4, a 1080p display, a scripted block
// and an HDR InfoFrame written but not activated by hand.
const std::filesystem::path firstFormat = std::filesystem::path(BRIXEL_SIM_FIXTURES) / "state-first-format.json";

nlohmann::json fixtureJson() {
    std::ifstream in(firstFormat);
    return nlohmann::json::parse(in);
}

TEST(StateFile, AFileOfTheFirstFormatLoadsEveryField) {
    sim::DeviceModel model;
    std::string error;
    ASSERT_TRUE(sim::loadStateFile(model, firstFormat, error)) << error;
    EXPECT_EQ(Bytes(model.settings.begin(), model.settings.begin() + 6), (Bytes{0x03, 0x01, 0x02, 0x00, 0x00, 0x01}));
    EXPECT_EQ(model.firmwareMajor, 2);
    EXPECT_EQ(model.firmwareMinor, 7);
    EXPECT_EQ(Bytes(model.edid.store.begin(), model.edid.store.begin() + 12),
              (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x0A, 0x58, 0x01, 0x00}));
    EXPECT_EQ(model.edid.store[255], 0x98);
    EXPECT_EQ(Bytes(model.edid.sink.begin(), model.edid.sink.begin() + 12),
              (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x4D, 0x2D, 0x41, 0x5A}));
    EXPECT_EQ(model.edid.sink[255], 0xA7);
    EXPECT_FALSE(model.edid.writing);

    const auto& source = model.report.ports[3];
    EXPECT_TRUE(source.connected);
    EXPECT_EQ(source.videoCode, 16);
    EXPECT_EQ(source.pixelClockKhz, 148500u);
    EXPECT_EQ(source.hdcp, 0x14);
    EXPECT_EQ(source.vendor, "Fixture");
    EXPECT_EQ(source.product, "Old format");
    EXPECT_EQ(model.report.ports[2].vendor, "HTPC");
    EXPECT_EQ(model.report.ports[2].videoCode, 93);
    EXPECT_TRUE(model.report.ports[2].hdr);
    EXPECT_FALSE(model.report.display2160p);
    EXPECT_EQ(model.report.scriptedBlocks.size(), 1u);
    EXPECT_EQ(model.report.scriptedBlocks.at(21), (Bytes{0x83, 0x01, 0x19, 0x00, 'F', 'i', 'x'}));

    EXPECT_TRUE(model.infoFrames.aviActive);
    EXPECT_EQ(model.infoFrames.avi, (Bytes{0x82, 0x02, 0x0D, 0x87, 0x40, 0xA8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x00, 0x00}));
    EXPECT_FALSE(model.infoFrames.hdrActive);
    EXPECT_TRUE(model.infoFrames.hdr.empty());
    EXPECT_EQ(model.infoFrames.hdrWritten, (Bytes{0x87, 0x01, 0x02, 0x74, 0x02, 0x00}));
    EXPECT_EQ(Bytes(model.matrix.wire.begin(), model.matrix.wire.end()),
              (Bytes{0x3F, 0x25, 0x30, 0xF9, 0xF2, 0xEE, 0x3F, 0x25, 0x95, 0x43, 0x00, 0x00,
                     0x3F, 0x25, 0x00, 0x00, 0x60, 0x39, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(StateFile, IsWrittenAgainAsItWasRead) { EXPECT_EQ(sim::saveState(sim::loadState(fixtureJson())), fixtureJson()); }

TEST(StateFile, AKeyMissingKeepsANewDevicesValue) {
    const auto model = sim::loadState(nlohmann::json::parse(R"({"report": {"ports": [{"videoCode": 4}]}})"));
    EXPECT_EQ(model.report.ports[0].videoCode, 4);
    EXPECT_EQ(model.report.ports[0].vendor, "Brixsim");
    EXPECT_EQ(model.report.ports[0].pixelClockKhz, 371250u);
    EXPECT_EQ(model.report.ports[1].vendor, "GameCo");
    EXPECT_TRUE(model.report.display2160p);
    EXPECT_EQ(model.firmwareMajor, 1);
    EXPECT_EQ(model.firmwareMinor, 5);
    EXPECT_EQ(model.settings[22], 1);
    EXPECT_EQ(model.edid.sink[8], 0x4D);
}

TEST(StateFile, WhatTheDeviceCannotHoldIsNamedByItsKeys) {
    const std::pair<const char*, const char*> refused[] = {
        {R"([1, 2])", "a JSON array, not an object"},
        {R"({"edid": {"store": "00ff"}})", "edid.store: not 256 bytes of hex"},
        {R"({"edid": {"sink": "zz"}})", "edid.sink: not 256 bytes of hex"},
        {R"({"matrix": []})", "matrix: a JSON array, not an object"},
        {R"({"report": {"ports": {}}})", "report.ports: a JSON object, not an array"},
        {R"({"report": {"scriptedBlocks": {"256": [1]}}})",
         "report.scriptedBlocks: scripted block '256' is not a register 0-255"},
    };
    for (const auto& [state, reason] : refused) {
        try {
            sim::loadState(nlohmann::json::parse(state));
            ADD_FAILURE() << state << " was taken";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), reason) << state;
        }
    }
    // nlohmann's own complaint, under the key it concerns.
    try {
        sim::loadState(nlohmann::json::parse(R"({"report": {"ports": [{}, {"videoCode": "x"}]}})"));
        ADD_FAILURE() << "a text video code was taken";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("report.ports.1.videoCode: ", 0), 0u) << e.what();
    }
}

TEST(StateFile, AFileThatCannotBeReadLeavesTheModelAsItWas) {
    const auto file = std::filesystem::temp_directory_path() / "brixel-state-file-broken.json";
    std::ofstream(file) << R"({"settings": [7], "firmware": [9, 9]})" << '\n';
    sim::DeviceModel model;
    model.firmwareMajor = 4;
    std::string error;
    EXPECT_FALSE(sim::loadStateFile(model, file, error));
    EXPECT_EQ(error.rfind(file.string() + " is not a simulated device state (settings: ", 0), 0u) << error;
    EXPECT_EQ(model.firmwareMajor, 4);
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace brixel::test
