// SPDX-License-Identifier: MIT
// What one setting write costs against the zero-latency simulated device, and
// how much of it is the library's own work above the layer's calls.

#include <BrixelLibrary.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "sim/library_adapter.h"

namespace {

using brixel::sim::Op;

const std::vector<Op> discoveryOps{Op::getNumDevices, Op::getProductString, Op::open};
const std::vector<Op> exchangeOps{Op::flushBuffers, Op::getTimeouts, Op::setTimeouts, Op::write, Op::setTimeouts,
                                  Op::checkRxQueue, Op::getTimeouts, Op::setTimeouts, Op::read,  Op::setTimeouts};

std::vector<Op> withDiscovery() {
    std::vector<Op> ops = discoveryOps;
    ops.insert(ops.end(), exchangeOps.begin(), exchangeOps.end());
    ops.push_back(Op::close);
    return ops;
}

// Runs one traced operation and checks it made exactly the expected calls.
bool callsAsExpected(benchmark::State& state, brixel::sim::Simulator& sim, const std::vector<Op>& expected) {
    sim.tracing = true;
    sim.clearTrace();
    const bool ok = setLogoLed(true);
    const auto ops = sim.usbOps();
    sim.tracing = false;
    sim.clearTrace();
    state.counters["usb_calls_per_op"] = static_cast<double>(ops.size());
    if (!ok || ops != expected) {
        state.SkipWithError("the operation did not make exactly the expected USB calls");
        return false;
    }
    return true;
}

void BM_SettingWrite_LeaveOpen(benchmark::State& state) {
    brixel::sim::Simulator sim;
    sim.addDevice();
    brixel::sim::install(sim);
    LeaveDeviceOpen();
    setLogoLed(true);  // opens the device once
    if (callsAsExpected(state, sim, exchangeOps))
        for (auto _ : state) benchmark::DoNotOptimize(setLogoLed(true));
    DeviceClose();
    state.SetItemsProcessed(state.iterations());
}

void BM_SettingWrite_DiscoveryPerCall(benchmark::State& state) {
    brixel::sim::Simulator sim;
    sim.addDevice();
    brixel::sim::install(sim);
    if (callsAsExpected(state, sim, withDiscovery()))
        for (auto _ : state) benchmark::DoNotOptimize(setLogoLed(true));
    state.SetItemsProcessed(state.iterations());
}

// The layer's own share: the same calls through the same table, made directly.
struct Bare {
    BRIXEL_USB_LAYER usb;
    BRIXEL_HOST host;

    bool exchange(void* handle) const {
        static uint8_t frame[5] = {0x10, 0x04, 0xE0, 0x16, 0x01};
        uint8_t reply[64];
        uint32_t savedRead = 0, savedWrite = 0, written = 0, waiting = 0, queueStatus = 0, got = 0;
        const uint32_t start = host.tickCount();
        usb.flushBuffers(handle, 1, 1);
        usb.getTimeouts(&savedRead, &savedWrite);
        usb.setTimeouts(0, 4000);
        usb.write(handle, frame, sizeof frame, &written, nullptr);
        usb.setTimeouts(savedRead, savedWrite);
        benchmark::DoNotOptimize(host.tickCount() - start);
        usb.checkRxQueue(handle, &waiting, &queueStatus);
        usb.getTimeouts(&savedRead, &savedWrite);
        usb.setTimeouts(4000, 0);
        const int status = usb.read(handle, reply, sizeof reply, &got, nullptr);
        usb.setTimeouts(savedRead, savedWrite);
        return status == 0 && reply[0] == 0xE0;
    }
    void* discover() const {
        uint32_t count = 0;
        char serial[260] = {};
        void* handle = nullptr;
        usb.getNumDevices(&count);
        usb.getProductString(0, serial, 0);
        usb.open(0, &handle);
        return handle;
    }
};

void BM_BareLayer_Exchange(benchmark::State& state) {
    brixel::sim::Simulator sim;
    sim.addDevice();
    brixel::sim::install(sim);
    sim.tracing = false;
    const Bare bare{sim.usbLayer(), sim.host()};
    void* handle = bare.discover();
    for (auto _ : state) benchmark::DoNotOptimize(bare.exchange(handle));
    bare.usb.close(handle);
    state.counters["usb_calls_per_op"] = static_cast<double>(exchangeOps.size());
    state.SetItemsProcessed(state.iterations());
}

void BM_BareLayer_DiscoveryExchange(benchmark::State& state) {
    brixel::sim::Simulator sim;
    sim.addDevice();
    brixel::sim::install(sim);
    sim.tracing = false;
    const Bare bare{sim.usbLayer(), sim.host()};
    for (auto _ : state) {
        void* handle = bare.discover();
        benchmark::DoNotOptimize(bare.exchange(handle));
        bare.usb.close(handle);
    }
    state.counters["usb_calls_per_op"] = static_cast<double>(withDiscovery().size());
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_SettingWrite_LeaveOpen);
BENCHMARK(BM_BareLayer_Exchange);
BENCHMARK(BM_SettingWrite_DiscoveryPerCall);
BENCHMARK(BM_BareLayer_DiscoveryExchange);

// Prints, after the table, the library's own CPU time per exchange above the layer's
// (CPU time: the machine may be shared, wall time is noisier).
class OverheadReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the median stands for the benchmark, else the single run.
        for (const auto& run : runs)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                nsPerOp[run.run_name.function_name] =
                    run.GetAdjustedCPUTime() * (run.time_unit == benchmark::kMicrosecond   ? 1e3
                                                : run.time_unit == benchmark::kMillisecond ? 1e6
                                                                                           : 1.0);
        ConsoleReporter::ReportRuns(runs);
    }
    void summarise() const {
        constexpr double targetNs = 1000;
        for (const auto& [library, layer] :
             {std::pair{"BM_SettingWrite_LeaveOpen", "BM_BareLayer_Exchange"},
              std::pair{"BM_SettingWrite_DiscoveryPerCall", "BM_BareLayer_DiscoveryExchange"}}) {
            const auto l = nsPerOp.find(library);
            const auto b = nsPerOp.find(layer);
            if (l == nsPerOp.end() || b == nsPerOp.end()) continue;
            const double own = l->second - b->second;
            std::printf("library's own time per exchange, %s: %.0f ns (layer %.0f ns) -- %s\n", library, own, b->second,
                        own <= targetNs ? "within 1 us" : "ABOVE 1 us");
        }
    }

private:
    std::map<std::string, double> nsPerOp;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    OverheadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summarise();
    benchmark::Shutdown();
    return 0;
}
