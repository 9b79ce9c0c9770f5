// SPDX-License-Identifier: MIT
// What decoding one InfoFrame costs: each frame the simulated sources send,
// as the device model makes them, and the worst cases (the vendor frame with
// the most fields, an AVI frame with a problem in every place).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "infoframe_decoder/infoframe_decoder.h"
#include "sim/device_model.h"
#include "sim/subsystems.h"

namespace {

namespace dec = brixel::infoframe_decoder;

struct NamedFrame {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<NamedFrame> simulatedFrames() {
    using Make = brixel::sim::BlockData (*)(const brixel::sim::DeviceModel&);
    const std::pair<const char*, Make> kinds[] = {
        {"vendor1", brixel::sim::vendor1Data}, {"vendor2", brixel::sim::vendor2Data},
        {"avi", brixel::sim::aviData},         {"hdr", brixel::sim::hdrData},
        {"spd", brixel::sim::spdData},         {"audio", brixel::sim::audioData}};
    std::vector<NamedFrame> frames;
    for (int port = BRIXEL_INPORT_1; port <= BRIXEL_INPORT_4; ++port) {
        brixel::sim::DeviceModel device;
        device.settings[BRIXEL_CMD_ACTIVE_PORT] = static_cast<uint8_t>(port);
        for (const auto& [name, make] : kinds) {
            auto bytes = make(device);
            if (!bytes.empty()) frames.push_back({"port" + std::to_string(port) + "/" + name, std::move(bytes)});
        }
    }
    return frames;
}

std::vector<uint8_t> withChecksum(std::vector<uint8_t> frame) {
    unsigned sum = 0;
    for (uint8_t b : frame) sum += b;
    frame[3] = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    return frame;
}

std::vector<NamedFrame> worstCases() {
    return {
        {"worst/hdr10plus",
         withChecksum({0x81, 0x01, 0x1b, 0x00, 0x8b, 0x84, 0x90, 0x45, 0x12, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                       0x07, 0x08, 0x19, 0x40, 0x80, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xc0})},
        // Reserved format, EC and quantization codes, aspect and repetition against the VIC.
        {"worst/avi-problems", withChecksum({0x82, 0x02, 0x0d, 0x00, 0x9f, 0x1f, 0x7f, 0x10, 0xf5, 0xff, 0xff, 0xff,
                                             0xff, 0xff, 0xff, 0xff, 0xff})},
        {"worst/audio-problems",
         withChecksum({0x84, 0x01, 0x0a, 0x00, 0x08, 0xe0, 0xe0, 0x32, 0x07, 0x01, 0xff, 0xff, 0xff, 0xff})},
    };
}

void decodeFrame(benchmark::State& state, std::vector<uint8_t> bytes) {
    for (auto _ : state) {
        auto frame = dec::decodeInfoFrame(bytes);
        benchmark::DoNotOptimize(frame);
    }
    state.SetItemsProcessed(state.iterations());
}

// One report's frames and the signal they describe, as the status shows them.
void BM_DecodeReport(benchmark::State& state) {
    brixel::sim::DeviceModel device;
    device.settings[BRIXEL_CMD_ACTIVE_PORT] = BRIXEL_INPORT_1;
    const std::vector<brixel::sim::BlockData> blocks{brixel::sim::vendor1Data(device), brixel::sim::vendor2Data(device),
                                                     brixel::sim::aviData(device),     brixel::sim::hdrData(device),
                                                     brixel::sim::spdData(device),     brixel::sim::audioData(device)};
    for (auto _ : state) {
        std::vector<dec::DecodedFrame> frames;
        for (const auto& block : blocks)
            if (!block.empty()) frames.push_back(dec::decodeInfoFrame(block));
        auto signal = dec::describeSignal(frames, 10);
        benchmark::DoNotOptimize(signal);
    }
}
BENCHMARK(BM_DecodeReport);

const int registered = [] {
    for (auto& frame : simulatedFrames())
        benchmark::RegisterBenchmark(("BM_Decode/" + frame.name).c_str(), decodeFrame, frame.bytes);
    for (auto& frame : worstCases())
        benchmark::RegisterBenchmark(("BM_Decode/" + frame.name).c_str(), decodeFrame, frame.bytes);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
