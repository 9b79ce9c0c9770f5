// SPDX-License-Identifier: MIT
// A command's session on the real-hardware path, with a USB layer of the
// test's own at the bottom of the tool's stack: the tool's host hears what the
// library warns and waits, through the public seams only. A device that was
// never reached is exit status 3, one that was and did not confirm 1.

#include "cli/context.h"

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace brixel::cli {
namespace {

// A bus with `devicesOnBus` devices reporting the serial "2024", none of which opens.
uint32_t devicesOnBus = 0;
int countDevices(uint32_t* n) {
    *n = devicesOnBus;
    return 0;
}
int reportSerial(uint32_t, char* buffer, uint32_t) {
    std::strcpy(buffer, "2024");
    return 0;
}
int refuseOpen(uint32_t, void**) { return 1; }
int failClose(void*) { return 1; }
int failTransfer(void*, void*, uint32_t, uint32_t*, void*) { return 1; }
int failFlush(void*, uint8_t, uint8_t) { return 1; }
int takeTimeouts(uint32_t, uint32_t) { return 0; }
int giveTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    *readMs = *writeMs = 0;
    return 0;
}
int failQueue(void*, uint32_t*, uint32_t*) { return 1; }
constexpr BRIXEL_USB_LAYER testBus{countDevices, reportSerial, refuseOpen,   failClose,    failTransfer,
                                   failTransfer, failFlush,    takeTimeouts, giveTimeouts, failQueue};

const std::string noBrixelHint =
    "brixelctl: no Brixel was found. Check the USB cable, run `brixelctl doctor`, or try the simulated device with "
    "--simulate.\n";

class ToolSession : public testing::Test {
protected:
    Context ctx;
    std::string printed;  // standard error
    std::vector<std::string> warnings;

    void SetUp() override {
        devicesOnBus = 0;
        ctx.transport = &testBus;
    }

    // A command of `runs` port changes, the device held for all of them;
    // returns the last run's exit code.
    int session(int runs) {
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        ctx.begin(false);
        int code = exitConfirmed;
        for (int i = 0; i < runs; ++i) {
            const auto outcome = ctx.run("port", {{"value", "2"}});
            warnings.insert(warnings.end(), outcome.doc.warnings.begin(), outcome.doc.warnings.end());
            code = outcome.exitCode();
        }
        code = ctx.end(code);
        testing::internal::GetCapturedStdout();
        printed = testing::internal::GetCapturedStderr();
        return code;
    }
};

TEST_F(ToolSession, NoDeviceIsTheLibrarysWarningAndThenAHint) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    ctx.command("port", {{"value", "2"}});
    const std::string out = testing::internal::GetCapturedStdout();
    printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(commandExitCode(), exitNoDevice);
    EXPECT_EQ(printed, "BrixelLibrary warning: BRIXEL USB not connected!\n" + noBrixelHint);
    EXPECT_EQ(out, "");
}

TEST_F(ToolSession, WithJsonTheWarningsAreCollectedAndNothingIsPrinted) {
    ctx.json = true;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    ctx.command("port", {{"value", "2"}});
    const std::string out = testing::internal::GetCapturedStdout();
    printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(commandExitCode(), exitNoDevice);
    EXPECT_EQ(printed, "");
    const auto doc = nlohmann::json::parse(out);
    EXPECT_EQ(doc.at("warnings"), nlohmann::json::array({"BRIXEL USB not connected!"}));
    EXPECT_EQ(doc.at("confirmed"), false);
}

// Folded within a run as the Linux host folds them, each run's warnings are
// its own: a later run is not left without the warning an earlier one gave.
TEST_F(ToolSession, EachRunOfACommandTellsItsOwnWarnings) {
    EXPECT_EQ(session(3), exitNoDevice);
    EXPECT_EQ(printed,
              "BrixelLibrary warning: BRIXEL USB not connected!\nBrixelLibrary warning: BRIXEL USB not connected!\n"
              "BrixelLibrary warning: BRIXEL USB not connected!\n");
    EXPECT_EQ(warnings, std::vector<std::string>(3, "BRIXEL USB not connected!"));
}

TEST_F(ToolSession, ADeviceThatWillNotOpenIsNotCalledMissing) {
    devicesOnBus = 1;
    EXPECT_EQ(session(1), exitNoDevice);
    EXPECT_EQ(printed, "BrixelLibrary warning: Usb device open error!\nBrixelLibrary: Device open error\n");
    EXPECT_EQ(warnings, std::vector<std::string>{"Usb device open error!"});
}

TEST(ToolSessionSimulated, EachWaitOfAnEdidWriteReachesTheRunThatWatches) {
    const auto state =
        std::filesystem::temp_directory_path() / ("brixelctl-context-" + std::to_string(::getpid()) + ".json");
    Context ctx;
    ctx.simulate = true;
    ctx.fresh = true;
    ctx.json = true;
    ctx.stateFile = state.string();
    unsigned waits = 0;
    ctx.begin(false);
    toolkit::RunOptions watched;
    watched.onWait = [&] { ++waits; };
    const auto first = ctx.run("edid install", {{"entry", 2}}, watched);
    // The watch ends with its run: a second write goes unseen.
    const auto second = ctx.run("edid install", {{"entry", 3}});
    ctx.end(0);
    std::filesystem::remove(state);
    std::filesystem::remove(state.string() + ".lock");
    EXPECT_TRUE(first.confirmed());
    EXPECT_TRUE(second.confirmed());
    EXPECT_EQ(waits, 32u);
    EXPECT_EQ(first.doc.messages, (std::vector<std::string>{"EDID custom written..."}));
    EXPECT_EQ(second.doc.messages, (std::vector<std::string>{"EDID custom written..."}));
}

}  // namespace
}  // namespace brixel::cli
