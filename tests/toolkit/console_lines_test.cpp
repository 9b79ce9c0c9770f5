// The library's console lines reach the run that made them through its
// console sink, never standard output: another thread's printf goes where it
// always goes, and each run's lines are its own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/device_owner.h"
#include "toolkit/files.h"
#include "toolkit/simulated_devices.h"

namespace brixel::toolkit {
namespace {

OwnerOptions optionsOver(const SimulatedDevices& devices) {
    OwnerOptions options;
    options.transport.layer = &devices.layer();
    return options;
}

constexpr const char* avi = "82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00";

// Descriptor 1 sent to a file of the test's own for the test's length.
class OwnStandardOutput : public testing::Test {
protected:
    int file = -1;
    int saved = -1;
    void SetUp() override {
        std::fflush(stdout);
        file = anonymousTemporaryFile();
        ASSERT_GE(file, 0);
        saved = dup(STDOUT_FILENO);
        ASSERT_GE(dup2(file, STDOUT_FILENO), 0);
    }
    void TearDown() override {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        close(file);
    }
    std::string written() {
        std::fflush(stdout);
        std::string text;
        char chunk[256];
        ssize_t n = 0;
        for (off_t at = 0; (n = pread(file, chunk, sizeof chunk, at)) > 0; at += n)
            text.append(chunk, static_cast<std::size_t>(n));
        return text;
    }

    static std::unique_ptr<SimulatedDevices> devices(std::vector<std::string> faults = {}) {
        std::string error;
        SimulationOptions options;
        options.inMemory = true;
        options.faults = std::move(faults);
        auto started = SimulatedDevices::start(options, error);
        EXPECT_TRUE(started) << error;
        return started;
    }
};

TEST_F(OwnStandardOutput, TwoThreadsEachLineWhereItBelongs) {
    auto sim = devices();
    DeviceOwner owner(optionsOver(*sim));
    owner.hold("");
    constexpr int runs = 40;
    constexpr int printed = 200;
    std::vector<Outcome> outcomes;
    std::thread library([&] {
        for (int k = 0; k < runs; ++k) outcomes.push_back(owner.run("infoframe avi", {{"text", avi}}));
    });
    std::string expected;
    for (int k = 0; k < printed; ++k) {
        std::printf("the host's own line %d\n", k);
        expected += "the host's own line " + std::to_string(k) + "\n";
    }
    library.join();
    owner.release("");
    EXPECT_EQ(written(), expected);
    ASSERT_EQ(outcomes.size(), static_cast<std::size_t>(runs));
    for (const auto& outcome : outcomes) {
        EXPECT_TRUE(outcome.confirmed());
        EXPECT_EQ(outcome.doc.messages, std::vector<std::string>{"AVI values written..."});
    }
}

// Pieces without a line end join the next; an empty line between two line
// ends is a line; a last piece without one is a line of its own.
TEST_F(OwnStandardOutput, PiecesBecomeLinesAsPrintfWouldHaveShownThem) {
    auto sim = devices({"wrongEcho@1"});
    DeviceOwner owner(optionsOver(*sim));
    const auto hdr = owner.run("infoframe hdr", {{"text", "87:01:1A:00:02"}, {"fillChecksum", true}});
    EXPECT_EQ(hdr.doc.messages,
              (std::vector<std::string>{"Infoframe values written...", "", "Error Populating IF values."}));
    const auto matrix = owner.run("matrix reset", nlohmann::json::object());
    EXPECT_EQ(matrix.doc.messages, std::vector<std::string>{"Matrix values written..."});
    EXPECT_EQ(written(), "");
}

}  // namespace
}  // namespace brixel::toolkit
