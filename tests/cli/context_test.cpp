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

    void SetUp() override {
        devicesOnBus = 0;
        ctx.transport = &testBus;
    }

    // A session of `calls` port changes; returns its exit code.
    int session(int calls) {
        testing::internal::CaptureStderr();
        const int code = ctx.session([&] {
            bool ok = true;
            for (int i = 0; i < calls; ++i) ok = ctx.call([] { return setActivePort(BRIXEL_INPORT_2); }) && ok;
            return ok;
        });
        printed = testing::internal::GetCapturedStderr();
        return code;
    }
};

TEST_F(ToolSession, NoDeviceIsTheLibrarysWarningAndThenAHint) {
    EXPECT_EQ(session(1), exitNoDevice);
    EXPECT_EQ(printed, "BrixelLibrary warning: BRIXEL USB not connected!\n" + noBrixelHint);
    EXPECT_EQ(ctx.warnings, std::vector<std::string>{"BRIXEL USB not connected!"});
}

TEST_F(ToolSession, WithJsonTheWarningsAreCollectedAndNothingIsPrinted) {
    ctx.json = true;
    EXPECT_EQ(session(1), exitNoDevice);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(ctx.warnings, std::vector<std::string>{"BRIXEL USB not connected!"});
}

TEST_F(ToolSession, ARunOfTheSameWarningIsFoldedIntoACountAsTheLinuxHostFoldsIt) {
    EXPECT_EQ(session(40), exitNoDevice);
    EXPECT_EQ(printed,
              "BrixelLibrary warning: BRIXEL USB not connected!\n"
              "BrixelLibrary warning: BRIXEL USB not connected! (repeated 39 times)\n" +
                  noBrixelHint);
    EXPECT_EQ(ctx.warnings,
              (std::vector<std::string>{"BRIXEL USB not connected!", "BRIXEL USB not connected! (repeated 39 times)"}));
}

TEST_F(ToolSession, ADeviceThatWillNotOpenIsNotCalledMissing) {
    devicesOnBus = 1;
    EXPECT_EQ(session(1), exitNoDevice);
    EXPECT_EQ(printed, "BrixelLibrary warning: Usb device open error!\nBrixelLibrary: Device open error\n");
    EXPECT_EQ(ctx.warnings, std::vector<std::string>{"Usb device open error!"});
}

TEST(ToolSessionSimulated, EachWaitOfAnEdidWriteReachesTheCommandThatWatches) {
    const auto state =
        std::filesystem::temp_directory_path() / ("brixelctl-context-" + std::to_string(::getpid()) + ".json");
    Context ctx;
    ctx.simulate = true;
    ctx.fresh = true;
    ctx.json = true;
    ctx.stateFile = state.string();
    unsigned waits = 0;
    const int code = ctx.session([&] {
        const bool watched = ctx.watchingWaits(
            [&] { ++waits; }, [&] { return ctx.call([] { return changeCustomEdid(EDIDTABLE_1080P60_MULTI); }); });
        // The watch ends with its run: a second write goes unseen.
        return ctx.call([] { return changeCustomEdid(EDIDTABLE_1080P24_MULTI); }) && watched;
    });
    std::filesystem::remove(state);
    std::filesystem::remove(state.string() + ".lock");
    EXPECT_EQ(code, exitConfirmed);
    EXPECT_EQ(waits, 32u);
    EXPECT_EQ(ctx.consoleLines, (std::vector<std::string>{"EDID custom written...", "EDID custom written..."}));
}

}  // namespace
}  // namespace brixel::cli
