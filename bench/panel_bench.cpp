// What one status refresh of the panel costs on the simulated device: through
// the whole server (HTTP, the worker's queue, the library, the JSON document)
// and through the API alone, without HTTP.

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
    options.device.transport = &devices->layer();
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
BENCHMARK(BM_StatusRefreshOverHttp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StatusRefreshThroughTheWorker(benchmark::State& state) {
    auto devices = simulatedDevice();
    panel::DeviceAccess access;
    access.transport = &devices->layer();
    panel::DeviceWorker worker(access);
    panel::Api api(worker);
    for (auto _ : state) {
        const std::string text = api.statusText();
        if (text.find("\"report\":true") == std::string::npos) {
            state.SkipWithError("no status report");
            break;
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_StatusRefreshThroughTheWorker)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
