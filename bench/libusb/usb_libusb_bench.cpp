// SPDX-License-Identifier: MIT
// One exchange (flush, write, poll, read) through the library, two ways: over
// the libusb layer to an emulated USB device, and over the in-process
// simulator. The difference is what the USB path costs per exchange; the bare
// ioctl round trip shows how much of that is umockdev's socket, not the layer.

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>

#include "platform/linux/usb_libusb.h"
#include "sim/library_adapter.h"
#include "tests/platform/usb_emulator.h"

namespace brixel {
namespace {

void exchanges(benchmark::State& state) {
    std::array<char, 32> version{};
    for (auto _ : state)
        if (!getFwVersion(version.data())) state.SkipWithError("the exchange failed");
}

void BM_ExchangeThroughSimulator(benchmark::State& state) {
    sim::Simulator sim;
    sim.tracing = false;
    sim.addDevice();
    brixel::sim::install(sim);
    LeaveDeviceOpen();
    exchanges(state);
    DeviceClose();
    brixel::sim::uninstall(sim);
}
BENCHMARK(BM_ExchangeThroughSimulator)->Unit(benchmark::kMicrosecond);

void BM_ExchangeThroughLibusb(benchmark::State& state) {
    if (!test::EmulatedBus::available()) {
        state.SkipWithError("run under umockdev-wrapper for the emulated USB device");
        return;
    }
    {
        test::EmulatedBus bus;
        auto& device = bus.add({});
        brixelSetUsbLayer(nullptr);
        LeaveDeviceOpen();
        std::array<char, 32> version{};
        getFwVersion(version.data());  // discovery and open stay out of the figure
        const uint64_t before = device.ioctlsHandled();
        exchanges(state);
        state.counters["ioctls"] = benchmark::Counter(static_cast<double>(device.ioctlsHandled() - before),
                                                      benchmark::Counter::kAvgIterations);
        DeviceClose();
        platform::shutdownLibusb();
    }
}
BENCHMARK(BM_ExchangeThroughLibusb)->Unit(benchmark::kMicrosecond);

void BM_UmockdevIoctlRoundTrip(benchmark::State& state) {
    if (!test::EmulatedBus::available()) {
        state.SkipWithError("run under umockdev-wrapper for the emulated USB device");
        return;
    }
    test::EmulatedBus bus;
    auto& device = bus.add({});
    const int fd = open(device.node().c_str(), O_RDWR);
    uint32_t caps = 0;
    for (auto _ : state) benchmark::DoNotOptimize(ioctl(fd, USBDEVFS_GET_CAPABILITIES, &caps));
    close(fd);
}
BENCHMARK(BM_UmockdevIoctlRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brixel

BENCHMARK_MAIN();
