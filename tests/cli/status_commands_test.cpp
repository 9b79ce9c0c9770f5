// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/cli/run_tool.h"

namespace brixel::test {
namespace {

class BrixelctlReadback : public testing::Test {
protected:
    std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("brixelctl-readback-" + std::to_string(::getpid()) + ".json");
    void TearDown() override {
        std::filesystem::remove(state);
        std::filesystem::remove(state.string() + ".lock");
    }
    std::string withState() const { return "--simulate --state-file " + state.string() + " "; }
};

TEST_F(BrixelctlReadback, InfoShowsTheFirmwareAndTheWholeStateBlock) {
    const auto run = runTool(withState() + "--fresh info");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("BRIXEL FW Ver: 1.5\nstate block (60 bytes):\n"), std::string::npos) << run.output;

    const auto json = runTool(withState() + "--json info");
    ASSERT_EQ(json.exitCode, 0) << json.output;
    const auto result = nlohmann::json::parse(json.output);
    EXPECT_EQ(result.at("firmware"), "BRIXEL FW Ver: 1.5");
    EXPECT_EQ(result.at("stateBlock").size(), 60u);
}

TEST_F(BrixelctlReadback, ALineTheDeviceMarksRedIsFlaggedWithoutItsMarkup) {
    ASSERT_EQ(runTool(withState() + "--fresh csc ycbcr422").exitCode, 0);
    ASSERT_EQ(runTool(withState() + "deep-color 16").exitCode, 0);
    const auto run = runTool(withState() + "--json status");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto fields = nlohmann::json::parse(run.output).at("fields");
    EXPECT_EQ(fields.at("outPixelClock").at("text"), "Output Pixel Clock: N/A [422 16bit not supported]");
    EXPECT_TRUE(fields.at("outPixelClock").at("warning").get<bool>());
    EXPECT_FALSE(fields.at("inPixelClock").at("warning").get<bool>());

    const auto plain = runTool(withState() + "status");
    EXPECT_NE(plain.output.find("\nOutput Pixel Clock: N/A [422 16bit not supported]\n"), std::string::npos)
        << plain.output;
}

}  // namespace
}  // namespace brixel::test
