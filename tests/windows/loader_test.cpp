// SPDX-License-Identifier: MIT
// BrixelLibrary.dll as a control application meets it: loaded at run time,
// every export found by its decorated name and called, against the stand-in
// SiUSBXp.dll with its one simulated device. Wine binds an import it cannot
// resolve to a stub that aborts only when called, so every export is called.

#include <BrixelPlatform.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sim/siusbxp/sim_control.h"

namespace {

struct Export {
    const char* function;
    const char* decorated;
};
// Generated from the headers with the DLL's own export list.
const Export exports[] = {
#include "exports.inc"
};

template <typename Fn>
Fn as(FARPROC p) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

unsigned char edid[256];
unsigned char state[60];
char version[64];
SB_VALUES matrix;
VIDEO_STATUS status;
char aviText[] = "82:02:0D:62:10:18:00:00:00:00:00:00:00:00:00:00:00";
char hdrText[] = "87:01:1A:00:02:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00";

// One call per exported function, with arguments a healthy device accepts.
// The cast goes through the header's own declaration, so a changed signature
// stops this from compiling.
#define CALL(fn, ...)                                                      \
    {                                                                      \
#fn, [](FARPROC p) { return as<decltype(&::fn)>(p)(__VA_ARGS__); } \
    }
const std::map<std::string, std::function<bool(FARPROC)>> callers = {
    CALL(LeaveDeviceOpen),
    CALL(DeviceClose),
    CALL(setBrixelState, BRIXEL_CMD_LOGO_LED, 0),
    CALL(setActivePort, BRIXEL_INPORT_3),
    CALL(setAutoSwitch, false),
    CALL(setScaling, BRIXEL_SCALE_DOWN),
    CALL(setHdcpVersion, BRIXEL_HDCP_2_2),
    CALL(setEdidMode, BRIXEL_EDID_SINK),
    CALL(setSwPriority, true),
    CALL(setCustomAvi, true),
    CALL(setAutoFillCrc, true),
    CALL(setCustomHdr, true),
    CALL(setAviDisable, true),
    CALL(setLogoLed, true),
    CALL(factoryReset, BRIXEL_FACTRESET_SETTINGS),
    CALL(setCsc, BRIXEL_COLFMT_YCBCR422),
    CALL(setDeepColor, BRIXEL_DC_12BIT),
    CALL(setDownCsc, BRIXEL_COLFMT_RGB),
    CALL(setDsDeepColor, BRIXEL_DC_10BIT),
    CALL(setBt2020Force, BRIXEL_BT2020_AUTO),
    CALL(setPreset4k30, true),
    CALL(setPreset4k60, true),
    CALL(setPreset4k30Mode, BRIXEL_PRESET_YCBCR422_12BIT),
    CALL(setPreset4k60Mode, BRIXEL_PRESET_YCBCR420_10BIT),
    CALL(setIgnoreEdid, true),
    CALL(resetBrixel),
    CALL(setHdrDisable, true),
    CALL(setHtpc, true),
    CALL(getBrixelState, state),
    CALL(getFwVersion, version),
    CALL(getEdid, edid),
    CALL(getSinkEdid, edid),
    CALL(setCustomEdid, edid),
    CALL(changeCustomEdid, EDIDTABLE_1080P60_MULTI),
    CALL(setAviIf, aviText),
    CALL(setHdrIf, hdrText, true),
    CALL(reset3x, &matrix),
    CALL(set3x, &matrix),
    CALL(get3x, &matrix),
    CALL(set3xEn, true),
    CALL(getVideoFormat, &status),
    CALL(brixelSetUsbLayer, nullptr),
    CALL(brixelSetHost, nullptr),
    CALL(brixelGetPlatformUsbLayer),
    CALL(brixelSetConsoleSink, nullptr, nullptr),
};
#undef CALL

class DllTest : public testing::Test {
protected:
    HMODULE dll = nullptr;
    HMODULE siusbxp = nullptr;

    void SetUp() override {
        dll = LoadLibraryW(L"BrixelLibrary.dll");
        ASSERT_NE(dll, nullptr) << "LoadLibrary failed: " << GetLastError();
        // Loaded with the library, by its ordinal imports.
        siusbxp = GetModuleHandleW(L"SiUSBXp.dll");
        ASSERT_NE(siusbxp, nullptr);
        as<SimResetFn>(control("simReset"))();
        as<SimAddDeviceFn>(control("simAddDevice"))("2024");
    }
    void TearDown() override {
        if (dll) FreeLibrary(dll);
    }

    FARPROC control(const char* name) const {
        FARPROC p = GetProcAddress(siusbxp, name);
        EXPECT_NE(p, nullptr) << name;
        return p;
    }
    FARPROC exported(const char* function) const {
        for (const Export& e : exports)
            if (std::strcmp(e.function, function) == 0) return GetProcAddress(dll, e.decorated);
        return nullptr;
    }
    int setting(int code) const { return as<SimSettingFn>(control("simSetting"))(0, code); }
    int calls(const char* op) const { return as<SimCallsFn>(control("simCalls"))(op); }
    int openHandles() const { return as<SimOpenHandlesFn>(control("simOpenHandles"))(); }
};

TEST_F(DllTest, EveryDeclaredFunctionIsExportedUnderItsDecoratedName) {
    ASSERT_GT(std::size(exports), 40u);
    std::set<std::string> declared;
    for (const Export& e : exports) {
        declared.insert(e.function);
        EXPECT_NE(GetProcAddress(dll, e.decorated), nullptr) << e.decorated;
        EXPECT_EQ(e.decorated[0], '?') << e.decorated;
        // The GCC name must not leak out beside the decorated one.
        EXPECT_EQ(GetProcAddress(dll, e.function), nullptr) << e.function;
    }
    for (const auto& [function, call] : callers)
        EXPECT_TRUE(declared.count(function)) << function << " is not exported";
    for (const std::string& function : declared)
        EXPECT_TRUE(callers.count(function)) << function << " has no call here";
}

TEST_F(DllTest, EveryExportRunsAgainstTheSimulatedDevice) {
    for (const Export& e : exports) {
        const auto call = callers.find(e.function);
        ASSERT_NE(call, callers.end()) << e.function;
        FARPROC p = GetProcAddress(dll, e.decorated);
        ASSERT_NE(p, nullptr) << e.decorated;
        EXPECT_TRUE(call->second(p)) << e.function;
    }
    EXPECT_EQ(openHandles(), 0);
}

TEST_F(DllTest, ArgumentsReachTheDeviceThroughTheOrdinalImports) {
    EXPECT_TRUE(as<decltype(&::setActivePort)>(exported("setActivePort"))(BRIXEL_INPORT_4));
    EXPECT_EQ(setting(BRIXEL_CMD_ACTIVE_PORT), 4);
    EXPECT_TRUE(as<decltype(&::setBrixelState)>(exported("setBrixelState"))(BRIXEL_CMD_SCALING, 3));
    EXPECT_EQ(setting(BRIXEL_CMD_SCALING), 3);
    // One discovery, one open and one close per call: the link went through
    // every vendor operation it depends on.
    EXPECT_EQ(calls("getNumDevices"), 2);
    EXPECT_EQ(calls("open"), 2);
    EXPECT_EQ(calls("close"), 2);
    EXPECT_EQ(calls("write"), 2);
    EXPECT_EQ(calls("read"), 2);
    EXPECT_GE(calls("checkRxQueue"), 2);
    EXPECT_EQ(calls("flushBuffers"), 2);
    EXPECT_GE(calls("getTimeouts"), 2);
    EXPECT_GE(calls("setTimeouts"), 2);
    EXPECT_EQ(openHandles(), 0);
}

TEST_F(DllTest, LeaveOpenKeepsTheHandleAcrossCalls) {
    ASSERT_TRUE(as<decltype(&::LeaveDeviceOpen)>(exported("LeaveDeviceOpen"))());
    EXPECT_TRUE(as<decltype(&::setLogoLed)>(exported("setLogoLed"))(false));
    EXPECT_TRUE(as<decltype(&::setHtpc)>(exported("setHtpc"))(true));
    EXPECT_EQ(openHandles(), 1);
    EXPECT_EQ(calls("open"), 1);
    EXPECT_TRUE(as<decltype(&::DeviceClose)>(exported("DeviceClose"))());
    EXPECT_EQ(openHandles(), 0);
    EXPECT_EQ(setting(BRIXEL_CMD_LOGO_LED), 0);
    EXPECT_EQ(setting(BRIXEL_CMD_HTPC), 1);
}

TEST_F(DllTest, ADeviceWithAnotherSerialIsNotOpened) {
    as<SimResetFn>(control("simReset"))();
    as<SimAddDeviceFn>(control("simAddDevice"))("2025");
    as<SimAddDeviceFn>(control("simAddDevice"))("2024");
    EXPECT_TRUE(as<decltype(&::setActivePort)>(exported("setActivePort"))(BRIXEL_INPORT_2));
    EXPECT_EQ(as<SimSettingFn>(control("simSetting"))(0, BRIXEL_CMD_ACTIVE_PORT), BRIXEL_INPORT_1);
    EXPECT_EQ(as<SimSettingFn>(control("simSetting"))(1, BRIXEL_CMD_ACTIVE_PORT), BRIXEL_INPORT_2);
}

}  // namespace
