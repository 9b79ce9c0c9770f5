// SPDX-License-Identifier: MIT
#pragma once
// A test with the simulated device installed as the library's USB layer and
// host, on a virtual clock, and a way to see what the library prints.

#include <BrixelLibrary.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "sim/library_adapter.h"

namespace brixel::test {

// What the library printed to standard output while `call` ran.
inline std::string printedBy(const std::function<void()>& call) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    call();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

class SimTest : public testing::Test {
protected:
    sim::Simulator sim;
    sim::SimDevice* device = nullptr;

    void SetUp() override {
        device = &sim.addDevice("2024");
        ASSERT_TRUE(sim::install(sim));
    }
    void TearDown() override {
        // Leave the link closed and leave-open cleared for the next test.
        DeviceClose();
        sim::uninstall(sim);
    }

    // Runs a library call, returning its result and storing what it printed.
    bool run(const std::function<bool()>& call) {
        bool result = false;
        printed = printedBy([&] { result = call(); });
        return result;
    }
    std::string printed;
};

}  // namespace brixel::test
