// SPDX-License-Identifier: MIT
// The owner of the library as front ends share it: a held device unplugged
// and plugged in again is found anew, and every front end watching the owner
// is told of every run, whoever asked for it.

#include "toolkit/device_owner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/simulator.h"

namespace brixel::test {
namespace {

using toolkit::DeviceOwner;
using toolkit::Outcome;
using toolkit::Reach;

class OwnerOnSimulator : public testing::Test {
protected:
    void SetUp() override {
        sim.addDevice();
        layer = sim.usbLayer();
        sim.activate();
    }
    void TearDown() override { sim.deactivate(); }

    toolkit::OwnerOptions options() {
        toolkit::OwnerOptions o;
        o.transport.layer = &layer;
        return o;
    }

    sim::Simulator sim;
    BRIXEL_USB_LAYER layer{};
};

TEST_F(OwnerOnSimulator, AHeldDeviceStaysOpenWhileItAnswers) {
    DeviceOwner owner(options());
    owner.hold("");
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(owner.run("status", nlohmann::json::object()).confirmed());
    EXPECT_EQ(sim.count(sim::Op::open), 1u);
    EXPECT_EQ(sim.openHandles(), 1u);
    owner.release("");
    EXPECT_EQ(sim.openHandles(), 0u);
}

TEST_F(OwnerOnSimulator, AHeldDeviceUnpluggedAndPluggedInAgainIsFoundAnew) {
    DeviceOwner owner(options());
    owner.hold("");
    ASSERT_EQ(owner.run("status", nlohmann::json::object()).reach, Reach::answered);

    sim.unplug(0);
    // The handle held is dead: nothing answers, and the run lets it go.
    const Outcome gone = owner.run("port", {{"value", "2"}});
    EXPECT_FALSE(gone.confirmed());
    EXPECT_EQ(gone.reach, Reach::silent);
    EXPECT_EQ(sim.openHandles(), 0u);
    // Still away: none to be found.
    const Outcome away = owner.run("port", {{"value", "2"}});
    EXPECT_EQ(away.reach, Reach::noDevice);
    EXPECT_EQ(away.doc.warnings, std::vector<std::string>{"BRIXEL USB not connected!"});

    sim.plugIn(0);
    const Outcome back = owner.run("port", {{"value", "2"}});
    EXPECT_TRUE(back.confirmed());
    EXPECT_EQ(back.reach, Reach::answered);
    EXPECT_EQ(sim.device().model.setting(BRIXEL_CMD_ACTIVE_PORT), BRIXEL_INPORT_2);
    // Held again from there on.
    EXPECT_TRUE(owner.run("status", nlohmann::json::object()).confirmed());
    EXPECT_EQ(sim.openHandles(), 1u);
    EXPECT_EQ(sim.count(sim::Op::open), 2u);
    owner.release("");
}

// The replug fault, as brixelctl --fault replug@N gives it: gone as a frame is
// written, back once its time has passed on the simulator's clock (which the
// reply window's polls here leave alone). The unanswered frame takes the
// library's whole reply window of real time.
TEST_F(OwnerOnSimulator, TheReplugFaultBringsTheDeviceBackToTheNextRunAfterItsTime) {
    DeviceOwner owner(options());
    owner.hold("");
    sim.pollCostMs = 0;
    sim.device().faults.unplugAfterFrames = 1;
    sim.device().faults.replugAfterMs = 2000;
    EXPECT_FALSE(owner.run("logo-led", {{"value", "on"}}).confirmed());
    EXPECT_EQ(owner.run("logo-led", {{"value", "on"}}).reach, Reach::noDevice);
    sim.advance(2000);
    EXPECT_TRUE(owner.run("logo-led", {{"value", "on"}}).confirmed());
    owner.release("");
}

TEST_F(OwnerOnSimulator, WatchersAreToldOfEveryRunUntilTheyStop) {
    DeviceOwner owner(options());
    std::vector<std::string> lines;
    std::vector<std::string> warnings;
    std::vector<std::string> outcomes;
    toolkit::OwnerWatcher watcher;
    watcher.onConsoleLine = [&](std::string_view line) { lines.emplace_back(line); };
    watcher.onWarning = [&](std::string_view line) { warnings.emplace_back(line); };
    watcher.onOutcome = [&](const Outcome& outcome) {
        outcomes.push_back(outcome.doc.command + (outcome.confirmed() ? " confirmed" : " not confirmed"));
    };
    const unsigned number = owner.watch(watcher);
    const unsigned other = owner.watch(watcher);
    EXPECT_NE(number, other);

    EXPECT_TRUE(owner.run("port", {{"value", "3"}}).confirmed());
    sim.device().faults.wrongEcho = sim::FrameFault::always();
    EXPECT_FALSE(owner.run("scaling", {{"value", "up"}}).confirmed());
    // Refused before anything is sent: told all the same.
    EXPECT_TRUE(owner.run("port", {{"value", "9"}}).refused);
    EXPECT_EQ(outcomes,
              (std::vector<std::string>{"port confirmed", "port confirmed", "scaling not confirmed",
                                        "scaling not confirmed", "port not confirmed", "port not confirmed"}));
    EXPECT_EQ(lines, (std::vector<std::string>{"Error Writing values", "Error Writing values"}));
    EXPECT_TRUE(warnings.empty());

    owner.unwatch(number);
    owner.unwatch(other);
    sim.device().faults.wrongEcho = {};
    EXPECT_TRUE(owner.run("port", {{"value", "1"}}).confirmed());
    EXPECT_EQ(outcomes.size(), 6u);
}

}  // namespace
}  // namespace brixel::test
