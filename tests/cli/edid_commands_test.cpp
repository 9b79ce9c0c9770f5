#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_tool.h"
#include "toolkit/edid_decode.h"

namespace brixel::test {
namespace {

class BrixelctlEdid : public testing::Test {
protected:
    std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("brixelctl-edid-" + std::to_string(::getpid()) + ".json");
    void TearDown() override {
        std::filesystem::remove(state);
        std::filesystem::remove(state.string() + ".lock");
    }
    std::string withState() const { return "--simulate --state-file " + state.string() + " "; }
};

TEST_F(BrixelctlEdid, OnATerminalTheWriteShowsItsFramesAndClearsTheLine) {
    const auto run =
        runToolOnTerminal({"--simulate", "--fresh", "--state-file", state.string(), "edid", "install", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("\rwriting EDID: 1/32 frames\rwriting EDID: 2/32 frames"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\rwriting EDID: 31/32 frames\r\033[K"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("32/32"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("installed and selected, confirmed by the device"), std::string::npos) << run.output;
}

TEST_F(BrixelctlEdid, WithoutATerminalThereIsNoProgressLine) {
    const auto run = runTool(withState() + "--fresh edid install 2");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("writing EDID"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("BrixelLibrary: EDID custom written..."), std::string::npos) << run.output;
}

TEST_F(BrixelctlEdid, DecodedReadBackGoesThroughEdidDecodeWhenItIsThere) {
    ASSERT_EQ(runTool(withState() + "--fresh edid install 20").exitCode, 0);
    const auto run = runTool(withState() + "edid get --decode");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    if (toolkit::edidDecodeInstalled()) {
        EXPECT_NE(run.output.find("Display Product Name: 'BRIXEL'"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("VIC  16:"), std::string::npos) << run.output;
    } else {
        EXPECT_NE(run.output.find("edid-decode is not installed"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("00 ff ff ff ff ff ff 00"), std::string::npos) << run.output;
    }
}

// A base block padded with an empty extension is judged as the base block it
// is; a verdict that fails is exit status 1 with the read still confirmed.
TEST_F(BrixelctlEdid, TheCheckJudgesTheBlocksTheEdidAnnouncesAndKeepsTheReadApartFromTheVerdict) {
    if (!toolkit::edidDecodeInstalled()) GTEST_SKIP() << "edid-decode is not installed";
    ASSERT_EQ(runTool(withState() + "--fresh edid set " BRIXEL_TOOLKIT_FIXTURES "/base-only.bin").exitCode, 0);
    auto run = runTool(withState() + "edid get --check");
    EXPECT_NE(run.output.find("EDID conformity:"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("extension blocks, but found"), std::string::npos) << run.output;

    // The second block's checksum broken on purpose: the device confirms, the verdict fails.
    ASSERT_EQ(runTool(withState() + "edid set --force " BRIXEL_CLI_FIXTURES "/edid-bad-checksum.hex").exitCode, 0);
    run = runTool(withState() + "--json edid get --check");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("\"confirmed\": true"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"passed\": false"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace brixel::test
