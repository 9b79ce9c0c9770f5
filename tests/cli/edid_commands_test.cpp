// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "edid_editor/edid_decode_failures.h"
#include "tests/cli/run_tool.h"
#include "toolkit/edid_decode.h"
#include "toolkit/edid_file.h"

namespace brixel::test {
namespace {

class BrixelctlEdid : public testing::Test {
protected:
    std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("brixelctl-edid-" + std::to_string(::getpid()) + ".json");
    void TearDown() override {
        std::filesystem::remove(state);
        std::filesystem::remove(state.string() + ".lock");
        for (const char* name : {"sink.bin", "got.bin", "derived.bin", "before.bin", "after.bin"})
            std::filesystem::remove(file(name));
    }
    std::string withState() const { return "--simulate --state-file " + state.string() + " "; }

    std::filesystem::path file(const std::string& name) const { return state.string() + "." + name; }
    static std::vector<uint8_t> bytesOf(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string checked(std::span<const uint8_t> edid) {
        return toolkit::runEdidDecodeFor(edid, {"--check"}).value().output;
    }
};

// The recipe people ask for most: the display's EDID without HDR, under
// another name, written to the device.
TEST_F(BrixelctlEdid, DerivedFromTheDisplayItChangesOnlyWhatItSaysAndReadsBackByteForByte) {
    const auto sink = file("sink.bin"), got = file("got.bin");
    ASSERT_EQ(runTool(withState() + "--fresh edid sink -o " + sink.string()).exitCode, 0);
    const auto derived = runTool(withState() + "--json edid derive --from sink --drop hdr --name Lounge --write");
    ASSERT_EQ(derived.exitCode, 0) << derived.output;
    const auto doc = nlohmann::json::parse(derived.output);
    EXPECT_EQ(doc.at("changes"), (nlohmann::json{"Display name: Simulated TV \u2192 Lounge",
                                                 "CTA: HDR Static Metadata Data Block removed"}));
    EXPECT_EQ(doc.at("confirmed"), true);
    EXPECT_EQ(doc.at("written"), true);
    EXPECT_EQ(doc.at("readBack"), true);

    ASSERT_EQ(runTool(withState() + "edid get -o " + got.string()).exitCode, 0);
    std::string error;
    const auto made = toolkit::parseEdidBytes(doc.at("edid").get<std::string>(), error);
    ASSERT_TRUE(made) << error;
    EXPECT_EQ(bytesOf(got), *made);

    // The file written and the display's read again tell the same difference.
    const auto diff = runTool("edid diff " + sink.string() + " " + got.string());
    EXPECT_EQ(diff.output,
              "2 changes from the given EDID to the given EDID:\n"
              "  Display name: Simulated TV \u2192 Lounge\n"
              "  CTA: HDR Static Metadata Data Block removed\n");

    if (!toolkit::edidDecodeInstalled()) GTEST_SKIP() << "edid-decode is not installed: its verdict was not compared";
    EXPECT_EQ(edid_editor::newEdidDecodeFailures(checked(bytesOf(sink)), checked(bytesOf(got))),
              std::vector<std::string>{});
}

// A result that edid-decode finds more wrong with than its original is
// neither written to the file nor to the device, unless forced.
TEST_F(BrixelctlEdid, AResultWithANewFailureIsHeldBackUnlessForced) {
    if (!toolkit::edidDecodeInstalled()) GTEST_SKIP() << "edid-decode is not installed";
    const auto out = file("derived.bin");
    // 2160p60 needs 594 MHz; the range limits of built-in EDID 20 say 160.
    const std::string derive = "edid derive --from builtin:20 --add-vic 97 -o " + out.string();
    const auto held = runTool(withState() + "--fresh " + derive + " --write");
    EXPECT_EQ(held.exitCode, 2) << held.output;
    EXPECT_NE(held.output.find("  edid-decode --check: 1 new finding (7 findings of the original kept)\n"
                               "    EDID: Base EDID: Some timings are out of range of the Monitor Ranges: Maximum "
                               "Clock: 594.000 MHz (Monitor: 160.000 MHz)\n"),
              std::string::npos)
        << held.output;
    EXPECT_NE(held.output.find("the result fails its checks (1 new problem), nothing given or written; --force "
                               "writes it as it is"),
              std::string::npos)
        << held.output;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(held.output.find("EDID custom written"), std::string::npos) << held.output;

    const auto forced = runTool(withState() + derive + " --write --force");
    EXPECT_EQ(forced.exitCode, 0) << forced.output;
    EXPECT_NE(forced.output.find("note: FORCED: the result is given and written although its checks found 1 new "
                                 "problem"),
              std::string::npos)
        << forced.output;
    EXPECT_EQ(bytesOf(out).size(), 256u);
    ASSERT_EQ(runTool(withState() + "edid get -o " + file("got.bin").string()).exitCode, 0);
    EXPECT_EQ(bytesOf(file("got.bin")), bytesOf(out));
}

// From the display, the device is asked first: a refusal then comes after the
// read, with exit status 1, and nothing is written.
TEST_F(BrixelctlEdid, RefusedAfterReadingTheDisplayItWritesNothing) {
    ASSERT_EQ(runTool(withState() + "--fresh edid get -o " + file("before.bin").string()).exitCode, 0);
    const auto run = runTool(withState() + "edid derive --from sink --preferred 200 --write");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("brixelctl: the edits cannot be made: VIC 200 (7680x4320p100) is not in the Video "
                              "Data Block; add it with --add-vic to make it preferred.\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("EDID custom written"), std::string::npos) << run.output;
    ASSERT_EQ(runTool(withState() + "edid get -o " + file("after.bin").string()).exitCode, 0);
    EXPECT_EQ(bytesOf(file("after.bin")), bytesOf(file("before.bin")));
}

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
