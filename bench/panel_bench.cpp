// SPDX-License-Identifier: MIT
// What one status refresh of the panel costs on the simulated device: through
// the whole server (HTTP, the owner of the library, the library, the JSON
// document), through the API alone, without HTTP, and the library's own
// report call beside them, the device held open in each.

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <filesystem>

#include "panel/api.h"
#include "panel/panel_server.h"
#include "toolkit/simulated_devices.h"

namespace {

using namespace brixel;

std::unique_ptr<toolkit::SimulatedDevices> simulatedDevice() {
    std::string error;
    const auto unused = std::filesystem::temp_directory_path() / "panel-bench-unused.json";
    return toolkit::SimulatedDevices::start({unused.string(), true, 1, {}, true}, error);
}

void BM_StatusRefreshOverHttp(benchmark::State& state) {
    auto devices = simulatedDevice();
    panel::PanelOptions options;
    options.port = 0;
    options.device.transport.layer = &devices->layer();
    std::string error;
    auto server = panel::PanelServer::start(std::move(options), error);
    if (!server) {
        state.SkipWithError(error.c_str());
        return;
    }
    httplib::Client client("127.0.0.1", server->port());
    client.set_keep_alive(true);
    for (auto _ : state) {
        const auto reply = client.Get("/api/status");
        if (!reply || reply->status != 200 || reply->body.find("\"report\":true") == std::string::npos) {
            state.SkipWithError("no status report");
            break;
        }
        benchmark::DoNotOptimize(reply->body.data());
    }
}
BENCHMARK(BM_StatusRefreshOverHttp)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_StatusRefreshThroughTheApi(benchmark::State& state) {
    auto devices = simulatedDevice();
    panel::DeviceAccess access;
    access.transport.layer = &devices->layer();
    panel::PanelDevice device(access);
    panel::Api api(device);
    for (auto _ : state) {
        const std::string text = api.statusText();
        if (text.find("\"report\":true") == std::string::npos) {
            state.SkipWithError("no status report");
            break;
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_StatusRefreshThroughTheApi)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LibraryReportCall(benchmark::State& state) {
    auto devices = simulatedDevice();
    if (!brixelSetUsbLayer(&devices->layer())) {
        state.SkipWithError("the layer was not taken");
        return;
    }
    LeaveDeviceOpen();
    for (auto _ : state) {
        VIDEO_STATUS status{};
        getVideoFormat(&status);
        benchmark::DoNotOptimize(status.input);
    }
    DeviceClose();
    brixelSetUsbLayer(nullptr);
}
BENCHMARK(BM_LibraryReportCall)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
