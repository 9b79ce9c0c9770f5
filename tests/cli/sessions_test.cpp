// SPDX-License-Identifier: MIT
// What a single row cannot show: runs at the same time, a watch beside other
// commands, several devices, names that are not UTF-8, questions on a
// terminal, output that feeds back as input, temporaries, and the manual.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_tool.h"

namespace brixel::test {
namespace {

class Sessions : public testing::Test {
protected:
    std::filesystem::path tmp =
        std::filesystem::temp_directory_path() / ("brixelctl-sessions-" + std::to_string(::getpid()));
    std::filesystem::path state = tmp / "state.json";
    void SetUp() override {
        std::filesystem::remove_all(tmp);
        std::filesystem::create_directories(tmp);
    }
    void TearDown() override { std::filesystem::remove_all(tmp); }
    std::string simulated() const { return "--simulate --state-file " + state.string() + " "; }
    nlohmann::json saved(const std::filesystem::path& file) const {
        std::ifstream in(file);
        return nlohmann::json::parse(in);
    }
    std::vector<int> settings() const { return saved(state).at("settings").get<std::vector<int>>(); }
};

TEST_F(Sessions, TenConcurrentChangesAreAllKept) {
    ASSERT_EQ(runTool(simulated() + "--fresh info").exitCode, 0);
    // Ten codes the simulated device keeps as they come, each set by its own run, all at once.
    const int codes[] = {13, 15, 16, 17, 19, 49, 50, 54, 56, 57};
    std::vector<std::future<ToolRun>> runs;
    for (int code : codes)
        runs.push_back(std::async(std::launch::async, [this, code] {
            return runTool(simulated() + "set " + std::to_string(code) + " " + std::to_string(code % 7 + 1));
        }));
    for (auto& r : runs) {
        const auto run = r.get();
        EXPECT_EQ(run.exitCode, 0) << run.output;
    }
    const auto s = settings();
    for (int code : codes) EXPECT_EQ(s.at(code), code % 7 + 1) << "code " << code;
    // No temporary file is left beside the state.
    for (const auto& entry : std::filesystem::directory_iterator(tmp))
        EXPECT_TRUE(entry.path() == state || entry.path().string() == state.string() + ".lock") << entry.path();
}

TEST_F(Sessions, TenConcurrentPortChangesAllConfirmAndTheLastOneStands) {
    ASSERT_EQ(runTool(simulated() + "--fresh info").exitCode, 0);
    std::vector<std::future<ToolRun>> runs;
    for (int k = 0; k < 10; ++k)
        runs.push_back(std::async(std::launch::async,
                                  [this, k] { return runTool(simulated() + "port " + std::to_string(k % 4 + 1)); }));
    for (auto& r : runs) EXPECT_EQ(r.get().exitCode, 0);
    const int port = settings().at(0);
    EXPECT_TRUE(port >= 1 && port <= 4) << port;
}

TEST_F(Sessions, AWatchSeesOtherCommandsAndUndoesNone) {
    ASSERT_EQ(runTool(simulated() + "--fresh port 1").exitCode, 0);
    const auto reports = tmp / "watch.jsonl";
    auto watch = std::async(std::launch::async, [&] {
        return runTool(simulated() + "status --watch --json --count 24 --interval 0.25 > " + reports.string());
    });
    // The port changes once the watch has shown its first report; the rest of
    // the watch leaves a slow machine seconds for the change to land.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool shown = false;
    while (!shown && std::chrono::steady_clock::now() < until) {
        std::ifstream in(reports);
        std::string first;
        shown = std::getline(in, first) && !in.eof();
        if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(shown) << "the watch showed no report within 20 s";
    ASSERT_EQ(runTool(simulated() + "port 2").exitCode, 0);
    EXPECT_EQ(watch.get().exitCode, 0);
    std::vector<std::string> inputs;
    std::ifstream lines(reports);
    for (std::string line; std::getline(lines, line);) {
        const auto doc = nlohmann::json::parse(line);
        EXPECT_TRUE(doc.contains("time"));
        inputs.push_back(doc.at("fields").at("input").at("value"));
    }
    ASSERT_EQ(inputs.size(), 24u);
    EXPECT_EQ(inputs.front(), "3840x2160p60");
    EXPECT_EQ(inputs.back(), "1920x1080p60") << "the watch saw port 2's source";
    EXPECT_EQ(settings().at(0), 2) << "the watch kept nothing of its own";
}

TEST_F(Sessions, TheDeviceChosenByItsPlaceIsTheOneChanged) {
    ASSERT_EQ(runTool(simulated() + "--fresh --devices 2 info").exitCode, 0);
    const auto run = runTool(simulated() + "--devices 2 --device sim:2 port 3");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(settings().at(0), 1);
    EXPECT_EQ(saved(tmp / "state-2.json").at("settings").at(0), 3);
}

TEST_F(Sessions, NamesThatAreNotUtf8DoNotBreakTheJson) {
    const std::string name = (tmp / "edid-\xFF\xFE.bin").string();
    ASSERT_EQ(runTool("edid export 20 '" + name + "'").exitCode, 0);
    auto run = runTool("--json " + simulated() + "--fresh edid set '" + name + "'");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    auto doc = nlohmann::json::parse(run.output);
    EXPECT_EQ(doc.at("confirmed"), true);
    EXPECT_EQ(doc.at("file"), (tmp / "edid-\xEF\xBF\xBD\xEF\xBF\xBD.bin").string());

    run = runTool("--json " + simulated() + "edid get -o '" + name + ".out'");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NO_THROW(doc = nlohmann::json::parse(run.output)) << run.output;
    EXPECT_TRUE(std::filesystem::exists(name + ".out"));
    run = runTool("--json edid export 20 '" + name + "'");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NO_THROW(doc = nlohmann::json::parse(run.output)) << run.output;
}

TEST_F(Sessions, MatrixGetLoadsBackIntoMatrixSet) {
    ASSERT_EQ(runTool(simulated() + "--fresh matrix set -- -16 1 0 0 16.5 0 -0.213 0 0 0 0 -4").exitCode, 0);
    const auto table = tmp / "matrix.txt";
    ASSERT_EQ(std::system((std::string(BRIXELCTL_PATH) + " " + simulated() + "matrix get > " + table.string()).c_str()),
              0);
    const auto first = runTool(simulated() + "matrix get");
    const auto set = runTool(simulated() + "matrix set --file " + table.string());
    EXPECT_EQ(set.exitCode, 0) << set.output;
    EXPECT_EQ(set.output.find("will read back as"), std::string::npos) << "what get shows is held as it is";
    EXPECT_EQ(runTool(simulated() + "matrix get").output, first.output);
}

TEST_F(Sessions, AFactoryResetIsAskedAboutOnATerminal) {
    auto run =
        runToolOnTerminal({"--simulate", "--state-file", state.string(), "--fresh", "factory-reset", "all"}, "n\n");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(
        run.output.find("Restore the factory settings and stored EDIDs of the Brixel? This cannot be undone. [y/N]"),
        std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("factory-reset not confirmed: nothing was sent"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(state));
    run = runToolOnTerminal({"--simulate", "--state-file", state.string(), "--fresh", "factory-reset", "all"}, "y\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    run = runToolOnTerminal({"--simulate", "--state-file", state.string(), "--yes", "factory-reset", "all"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("[y/N]"), std::string::npos) << run.output;
}

TEST_F(Sessions, TheDecoderLeavesNothingInTmpdir) {
    const auto temporaries = tmp / "tmp";
    std::filesystem::create_directories(temporaries);
    const auto run = runTool("edid export 20 - --decode", "");
    ::setenv("TMPDIR", temporaries.c_str(), 1);
    const auto decoded = runTool(simulated() + "--fresh edid get --decode");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(decoded.exitCode, 0) << decoded.output;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_empty(temporaries));
}

// Every command, spelled out: the manual and the completion come from the
// definitions, so each is in both.
const std::vector<std::string> commands = {"list",
                                           "info",
                                           "port",
                                           "auto-switch",
                                           "scaling",
                                           "hdcp",
                                           "edid-mode",
                                           "sw-priority",
                                           "custom-avi",
                                           "auto-fill-crc",
                                           "custom-hdr",
                                           "avi-disable",
                                           "logo-led",
                                           "factory-reset",
                                           "csc",
                                           "deep-color",
                                           "down-csc",
                                           "ds-deep-color",
                                           "matrix-enable",
                                           "bt2020",
                                           "preset-4k30",
                                           "preset-4k60",
                                           "preset-4k30-mode",
                                           "preset-4k60-mode",
                                           "ignore-edid",
                                           "reset",
                                           "hdr-disable",
                                           "htpc",
                                           "set",
                                           "status",
                                           "edid get",
                                           "edid sink",
                                           "edid set",
                                           "edid install",
                                           "edid list",
                                           "edid export",
                                           "infoframe avi",
                                           "infoframe hdr",
                                           "infoframe hdr-build",
                                           "matrix get",
                                           "matrix set",
                                           "matrix reset",
                                           "matrix enable",
                                           "matrix disable",
                                           "doctor",
                                           "help"};

// The manual as man shows it, 200 columns wide; its exit status in `status`.
std::string renderedManual(int& status) {
    FILE* pipe = popen(("MANWIDTH=200 man -l " + std::string(BRIXELCTL_MANUAL) + " 2>&1").c_str(), "r");
    std::string page;
    if (!pipe) return page;
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) page.append(chunk, n);
    status = pclose(pipe);
    return page;
}

TEST(Manual, ManRendersItWithEveryCommand) {
    if (std::system("command -v man >/dev/null") != 0) GTEST_SKIP() << "man is not installed";
    int status = -1;
    const std::string page = renderedManual(status);
    EXPECT_EQ(status, 0) << page;
    EXPECT_NE(page.find("BRIXELCTL(1)"), std::string::npos) << page;
    EXPECT_NE(page.find("EXIT STATUS"), std::string::npos);
    EXPECT_NE(page.find("3 when no Brixel was reachable"), std::string::npos);
    for (const auto& command : commands) {
        const bool heading = page.find("\n   " + command + " ") != std::string::npos ||
                             page.find("\n   " + command + "\n") != std::string::npos;
        EXPECT_TRUE(heading) << command;
    }
}

// Each option with its value as declared, none with the parser's type names or
// checks, and the status footer as running paragraphs rather than a
// terminal's wrapped lines.
TEST(Manual, ShowsOptionsAsTyped) {
    if (std::system("command -v man >/dev/null") != 0) GTEST_SKIP() << "man is not installed";
    int status = -1;
    const std::string page = renderedManual(status);
    for (const char* shown :
         {"\n       --devices N\n", "\n       --listen ADDR:PORT|none\n", "\n       --interval SECONDS\n",
          "\n       --eotf NAME\n", "\n       --primaries NAME|COORDINATES\n", "\n       --max-luminance CD/M2\n",
          "mastering display maximum luminance (1000)\n",
          "\n       --json: {\"command\": \"status\", \"report\": true|false, \"fields\": {NAME: "
          "{\"text\": LINE, \"value\": LINE WITHOUT ITS LABEL,"})
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    for (const char* notShown : {"UINT", "FLOAT", "in [", "1000.0", "\n         \"value\""})
        EXPECT_EQ(page.find(notShown), std::string::npos) << notShown;
}

TEST(Manual, TheCompletionKnowsEveryCommand) {
    std::ifstream in(BRIXELCTL_COMPLETION);
    const std::string script{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(script.find("complete -F _brixelctl brixelctl"), std::string::npos);
    for (const auto& command : commands) {
        const auto space = command.find(' ');
        const std::string path = space == std::string::npos ? "" : command.substr(0, space);
        const std::string word = space == std::string::npos ? command : command.substr(space + 1);
        const std::string start = "        \"" + path + "\") words=\"";
        const auto line = script.find(start);
        ASSERT_NE(line, std::string::npos) << path;
        const auto first = line + start.size();
        const std::string words = " " + script.substr(first, script.find('"', first) - first) + " ";
        EXPECT_NE(words.find(" " + word + " "), std::string::npos) << command << " in " << words;
    }
    // Bash reads it.
    EXPECT_EQ(std::system(("bash -n " + std::string(BRIXELCTL_COMPLETION)).c_str()), 0);
}

}  // namespace
}  // namespace brixel::test
