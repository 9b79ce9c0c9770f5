// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/cli/run_tool.h"

namespace brixel::test {
namespace {

class BrixelctlInfoFrame : public testing::Test {
protected:
    std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("brixelctl-infoframe-" + std::to_string(::getpid()) + ".json");
    void TearDown() override {
        std::filesystem::remove(state);
        std::filesystem::remove(state.string() + ".lock");
    }
    std::string withState() const { return "--simulate --state-file " + state.string() + " "; }
    nlohmann::json saved() const {
        std::ifstream in(state);
        return nlohmann::json::parse(in);
    }
};

TEST_F(BrixelctlInfoFrame, InjectedAviIsActiveOnTheSimulatedOutputForTheNextRun) {
    const auto run = runTool(withState() + "--fresh infoframe avi 82:02:0D:31:50:08:00:00:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("AVI values written..."), std::string::npos) << run.output;
    const auto frames = saved().at("infoFrames");
    EXPECT_TRUE(frames.at("aviActive").get<bool>());
    EXPECT_EQ(frames.at("avi").get<std::vector<int>>().at(4), 0x50);
}

TEST_F(BrixelctlInfoFrame, MalformedTextIsAUsageErrorBeforeAnythingIsSent) {
    const auto run = runTool(withState() + "--fresh infoframe avi 82:2:0D");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("position 4: byte 2 '2' has 1 character"), std::string::npos) << run.output;
    // No session was opened, so the simulated device did not even keep a state.
    EXPECT_FALSE(std::filesystem::exists(state));
}

TEST_F(BrixelctlInfoFrame, HdrBuildSendsWhatItPrints) {
    const auto run = runTool(withState() + "--fresh infoframe hdr-build --eotf hlg --primaries p3 --max-cll 1000");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto frames = saved().at("infoFrames");
    ASSERT_TRUE(frames.at("hdrActive").get<bool>());
    const auto hdr = frames.at("hdr").get<std::vector<int>>();
    ASSERT_EQ(hdr.size(), 30u);
    EXPECT_EQ(hdr[4], 3);
    char text[8];
    std::snprintf(text, sizeof text, "%02X:%02X", static_cast<unsigned>(hdr[3] & 0xFF),
                  static_cast<unsigned>(hdr[4] & 0xFF));
    EXPECT_NE(run.output.find(std::string("87:01:1A:") + text), std::string::npos) << run.output;
}

}  // namespace
}  // namespace brixel::test
