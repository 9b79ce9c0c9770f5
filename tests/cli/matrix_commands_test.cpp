// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_tool.h"

namespace brixel::test {
namespace {

class BrixelctlMatrix : public testing::Test {
protected:
    std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("brixelctl-matrix-" + std::to_string(::getpid()) + ".json");
    void TearDown() override {
        std::filesystem::remove(state);
        std::filesystem::remove(state.string() + ".lock");
    }
    std::string withState() const { return "--simulate --state-file " + state.string() + " "; }
};

TEST_F(BrixelctlMatrix, SetThenGetInALaterRunShowsWhatTheDeviceKept) {
    auto run = runTool(withState() + "--fresh matrix set 16.5 1 0 0 -16 0 -0.213 0 0 0 0 4");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Matrix values written..."), std::string::npos) << run.output;
    run = runTool(withState() + "matrix get");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // The table reads back with matrix set --file: the row labels are comments.
    EXPECT_NE(run.output.find("              16                1                0                0  # row 1\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("             240                0     -0.212890625                0  # row 2\n"),
              std::string::npos)
        << run.output;
}

TEST_F(BrixelctlMatrix, ResetSendsTheDefaultMatrix) {
    ASSERT_EQ(runTool(withState() + "--fresh matrix set 0 1 0 0 0 0 1 0 0 0 0 1").exitCode, 0);
    ASSERT_EQ(runTool(withState() + "matrix reset").exitCode, 0);
    const auto run = runTool(withState() + "matrix get");
    EXPECT_NE(run.output.find("               0  1.1639404296875  2.1119384765625                0  # row 3\n"),
              std::string::npos)
        << run.output;
}

TEST_F(BrixelctlMatrix, ValuesOutOfRangeAreAUsageError) {
    const auto run = runTool(withState() + "--fresh matrix set 0 5 0 0 0 0 1 0 0 0 0 1");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("coef11: 5 is outside -4 to 4"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(state));
}

}  // namespace
}  // namespace brixel::test
