// SPDX-License-Identifier: MIT
// The simulated device's state file: the form users' files already have, read
// and written field by field.

#include "sim/state_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <algorithm>
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

namespace brixel::test {
namespace {

// Each value is checked against what its field holds: nothing wraps, no float
// becomes an integer it does not fit, and a key with no field is named.
TEST(StateFile, EveryValueIsCheckedAgainstItsField) {
    const std::pair<const char*, const char*> refused[] = {
        {R"({"firmware": [256, 5]})", "firmware.0: 256 is not a whole number 0-255"},
        {R"({"firmware": [1, -1]})", "firmware.1: -1 is not a whole number 0-255"},
        {R"({"firmware": [1.5, 5]})", "firmware.0: 1.5 is not a whole number 0-255"},
        {R"({"firmware": [1]})", "firmware: [1] is not a pair [first, second]"},
        {R"({"report": {"ports": [{"pixelClockKhz": 1e300}]}})",
         "report.ports.0.pixelClockKhz: 1e+300 is not a whole number 0-4294967295"},
        {R"({"report": {"ports": [{"videoCode": true}]}})",
         "report.ports.0.videoCode: true is not a whole number 0-255"},
        {R"({"report": {"ports": [{"connected": 1}]}})", "report.ports.0.connected: 1 is not true or false"},
        {R"({"report": {"ports": [{"vendor": 7}]}})", "report.ports.0.vendor: 7 is not a string"},
        {R"({"report": {"ports": [{}, {}, {}, {}, {}]}})", "report.ports: 5 entries, more than the 4 there are"},
        {R"({"settings": [1, 2]})", "settings: not a list of 256 bytes (array of 2)"},
        {R"({"infoFrames": {"hdr": [1, 2, 256]}})", "infoFrames.hdr.2: 256 is not a whole number 0-255"},
        {R"({"report": {"scriptedBlocks": {"21": [1, 2, 300]}}})",
         "report.scriptedBlocks.21.2: 300 is not a whole number 0-255"},
        {R"({"matrix": {"wire": "00"}})", "matrix.wire: not a list of 24 bytes (string)"},
        {R"({"edid": {"store": 5}})", "edid.store: 5 is not a string of hex"},
        {R"({"report": {"port": []}})", "report.port: not a field of the simulated device's state here"},
    };
    for (const auto& [state, reason] : refused) {
        try {
            sim::loadState(nlohmann::json::parse(state));
            ADD_FAILURE() << state << " was taken";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), reason) << state;
        }
    }
    // Whole numbers however they were made, the largest a field holds included.
    const auto model = sim::loadState(
        nlohmann::json{{"firmware", {255, 0}}, {"report", {{"ports", {{{"pixelClockKhz", 4294967295u}}}}}}});
    EXPECT_EQ(model.firmwareMajor, 255);
    EXPECT_EQ(model.report.ports[0].pixelClockKhz, 4294967295u);
}

// Whether another holder could take the lock on `lockFile` at once, asked
// through a handle of its own without waiting.
bool lockFree(const std::filesystem::path& lockFile) {
#ifdef _WIN32
    const int fd = _wopen(lockFile.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return false;
    OVERLAPPED whole{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    const bool free =
        LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole);
    _close(fd);
    return free;
#else
    const int fd = ::open(lockFile.c_str(), O_RDWR);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
#endif
}

TEST(StateFile, SavedThroughAFileOfItsOwnUnderALock) {
    const auto dir = std::filesystem::temp_directory_path() / ("brixel-state-lock-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    const auto file = dir / "deep" / "state.json";
    std::string error;
    {
        auto lock = sim::StateFileLock::acquire(file, error);
        ASSERT_TRUE(lock) << error;
        sim::DeviceModel model;
        model.firmwareMinor = 9;
        ASSERT_TRUE(sim::saveStateFile(model, file, error)) << error;
        // A second lock on the same file waits: tried without waiting, it is refused.
        EXPECT_TRUE(std::filesystem::exists(file.string() + ".lock"));
        EXPECT_FALSE(lockFree(file.string() + ".lock"));
    }
    EXPECT_TRUE(lockFree(file.string() + ".lock")) << "the lock is released with its holder";
    sim::DeviceModel loaded;
    ASSERT_TRUE(sim::loadStateFile(loaded, file, error)) << error;
    EXPECT_EQ(loaded.firmwareMinor, 9);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"state.json", "state.json.lock"}));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace brixel::test
