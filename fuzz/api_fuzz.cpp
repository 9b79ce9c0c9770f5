// SPDX-License-Identifier: MIT
// The whole exported interface driven by the input: which functions are
// called, with which arguments, on which simulated devices, under which
// faults (every fault the simulator knows by name, at any frame; serial
// strings without a NUL; devices unplugged, plugged back, slow to answer).
// After every call the rules that hold whatever happened are checked.
//
// Input: the cost of a receive-queue check in virtual time, the devices
// (count, then each one's serial string), then steps, each
// a byte that picks a library call or a change to the devices, and its
// arguments.

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "link/connection.h"
#include "settings/setting_codes.h"
#include "sim/faults.h"
#include "sim/library_adapter.h"

namespace {

using brixel::fuzz::Guarded;
using brixel::fuzz::Input;
using brixel::sim::Op;

// What the fuzzer knows of the library's state from the calls it made.
struct World {
    brixel::sim::Simulator sim;
    bool leaveOpen = false;
};

// One exchange as the trace shows it.
struct Exchange {
    std::vector<uint8_t> frame;
    bool written = false;
    bool queueFailed = false;
    bool read = false;
    bool readOk = false;
    std::vector<uint8_t> reply;

    // Completed, and the reply is what the library may take as confirmation:
    // byte 0 echoes the command byte, or an EDID read brought its 16 bytes.
    bool confirmed() const {
        if (!written || queueFailed || !read || !readOk) return false;
        const bool edidRead = frame.size() >= 3 && frame[0] == 0x11 && (frame[2] == 0xB0 || frame[2] == 0xB5);
        if (edidRead) return reply.size() >= 16;
        return !reply.empty() && frame.size() >= 3 && reply[0] == frame[2];
    }
};

std::vector<Exchange> exchangesOf(const std::vector<brixel::sim::Call>& trace) {
    std::vector<Exchange> exchanges;
    for (const auto& call : trace) {
        if (call.op == Op::write) {
            Exchange e;
            e.frame = call.bytes;
            e.written = call.status == 0;
            exchanges.push_back(e);
        } else if (!exchanges.empty() && call.op == Op::checkRxQueue && call.status != 0) {
            exchanges.back().queueFailed = true;
        } else if (!exchanges.empty() && call.op == Op::read) {
            exchanges.back().read = true;
            exchanges.back().readOk = call.status == 0;
            exchanges.back().reply = call.bytes;
        }
    }
    return exchanges;
}

bool isUsbCall(Op op) { return op != Op::tickCount && op != Op::sleep && op != Op::warn; }

// What a call returned, and what the rules say of its traffic.
struct Outcome {
    bool result;
    bool refused = false;           // its arguments allow no traffic, and the result is false
    bool needsConfirmation = true;  // false: the result says nothing of the device
    bool noTraffic = false;         // it never reaches the device, whatever the arguments
};

// The checks after every library call, whatever it was.
void checkAfter(World& w, const Outcome& outcome, uint32_t readTimeoutBefore, uint32_t writeTimeoutBefore) {
    const auto& trace = w.sim.trace();
    const bool anyUsb = std::any_of(trace.begin(), trace.end(), [](const auto& c) { return isUsbCall(c.op); });
    if (outcome.refused) {
        FUZZ_CHECK(!outcome.result);
        FUZZ_CHECK(!anyUsb);  // refused arguments cause no traffic
    }
    if (outcome.noTraffic) FUZZ_CHECK(!anyUsb);
    // No use of a handle that is not open: the simulator knows every handle it gave and has not closed.
    for (const auto& call : trace) {
        if (call.op == Op::close || call.op == Op::read || call.op == Op::write || call.op == Op::flushBuffers ||
            call.op == Op::checkRxQueue)
            FUZZ_CHECK(call.device >= 0);
        if (call.op == Op::write) FUZZ_CHECK(call.bytes.size() >= 3 && call.bytes.size() <= 128);
        if (call.op == Op::read) FUZZ_CHECK(call.bytesToRead == 64);
    }
    const auto exchanges = exchangesOf(trace);
    if (outcome.result && outcome.needsConfirmation) {
        // No true result when an exchange it depends on failed.
        FUZZ_CHECK(!exchanges.empty());
        for (const auto& e : exchanges) FUZZ_CHECK(e.confirmed());
        for (const auto& text : w.sim.warnings()) FUZZ_CHECK(text == L"Unable to close device handle!");
    }
    // The time-outs found before are in force after.
    FUZZ_CHECK(w.sim.readTimeoutMs() == readTimeoutBefore && w.sim.writeTimeoutMs() == writeTimeoutBefore);
    // No link left open without leave-open; never more than one handle.
    FUZZ_CHECK(brixel::leaveOpen() == w.leaveOpen);
    FUZZ_CHECK(w.sim.openHandles() <= 1);
    FUZZ_CHECK(brixel::linkIsOpen() == (w.sim.openHandles() == 1));
    if (!w.leaveOpen) FUZZ_CHECK(!brixel::linkIsOpen());
}

int anyInt(Input& in) { return static_cast<int>(in.u32()); }

// A byte the library refuses with code 3 (the HDCP version), whatever the int's higher bytes.
bool refusedSetting(int code, int value) { return (code & 0xFF) == 3 && (value & 0xFF) == 1; }

// The setting table's rows by the shape of their argument, so that a setting
// added to the table is fuzzed without a word here.
template <bool flags>
std::vector<const brixel::SettingCode*> settingRows() {
    std::vector<const brixel::SettingCode*> rows;
    for (const auto& row : brixel::settingCodes)
        if (row.argument != brixel::ArgumentKind::none && (row.argument == brixel::ArgumentKind::flag) == flags)
            rows.push_back(&row);
    return rows;
}
const auto flagRows = settingRows<true>();
const auto valueRows = settingRows<false>();

// Reads completed in full from the start of an EDID read, before the first that was not.
std::size_t edidChunksRead(const std::vector<Exchange>& exchanges) {
    std::size_t chunks = 0;
    while (chunks < exchanges.size() && exchanges[chunks].confirmed()) ++chunks;
    return chunks;
}

Outcome readEdidInto(World& w, Input& in, bool sink) {
    if (in.byte() == 0) return {sink ? getSinkEdid(nullptr) : getEdid(nullptr), true};
    Guarded edid(256, 0x99);
    const bool ok = sink ? getSinkEdid(edid.data()) : getEdid(edid.data());
    FUZZ_CHECK(edid.guardsIntact());
    // What no completed read brought keeps the caller's bytes.
    const std::size_t chunks = edidChunksRead(exchangesOf(w.sim.trace()));
    FUZZ_CHECK(ok == (chunks == 16));
    FUZZ_CHECK(std::all_of(edid.data() + 16 * std::min<std::size_t>(chunks, 16), edid.data() + 256,
                           [](uint8_t b) { return b == 0x99; }));
    return {ok};
}

Outcome stateRead(World& w, Input& in) {
    if (in.byte() == 0) return {getBrixelState(nullptr), true};
    Guarded state(60);
    const bool ok = getBrixelState(state.data());
    FUZZ_CHECK(state.guardsIntact());
    // All 60 bytes are written on every path: zeros when nothing was read.
    const auto exchanges = exchangesOf(w.sim.trace());
    if (exchanges.empty() || !exchanges[0].read)
        FUZZ_CHECK(std::all_of(state.bytes().begin(), state.bytes().end(), [](uint8_t b) { return b == 0; }));
    return {ok};
}

Outcome versionRead(Input& in) {
    if (in.byte() == 0) return {getFwVersion(nullptr), true};
    Guarded version(23, 0x7F);
    const bool ok = getFwVersion(version.chars());
    FUZZ_CHECK(version.guardsIntact());
    const std::string_view text(version.chars(), strnlen(version.chars(), 23));
    FUZZ_CHECK(text.size() < 23 && text.substr(0, 15) == "BRIXEL FW Ver: ");
    FUZZ_CHECK(text.find_first_not_of("0123456789.", 15) == std::string_view::npos);
    return {ok};
}

Outcome edidWrite(Input& in) {
    if (in.byte() == 0) return {setCustomEdid(nullptr), true};
    auto bytes = in.bytes(256);
    bytes.resize(256, 0x5C);
    const auto edid = brixel::fuzz::exactCopy(bytes);
    const bool ok = setCustomEdid(edid.get());
    FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), edid.get()));
    return {ok};
}

Outcome infoFrame(Input& in, bool hdr) {
    if (in.byte() == 0) return {hdr ? setHdrIf(nullptr, true) : setAviIf(nullptr), true};
    const bool fill = in.flag();
    const auto given = in.sized(100);
    const auto text = brixel::fuzz::exactText(given);
    const std::string before(text.get());
    const bool ok = hdr ? setHdrIf(text.get(), fill) : setAviIf(text.get());
    FUZZ_CHECK(before == text.get());
    const std::size_t length = before.size();
    const bool refused = length < 5 || length > (hdr ? 92u : 50u) || before[0] == ':' || before[1] == ':';
    return {ok, refused};
}

Outcome matrixWrite(Input& in) {
    if (in.byte() == 0) return {set3x(nullptr), true};
    const auto bytes = in.bytes(sizeof(SB_VALUES));
    SB_VALUES values{};
    if (!bytes.empty()) std::memcpy(&values, bytes.data(), bytes.size());
    const SB_VALUES before = values;
    const bool ok = set3x(&values);
    FUZZ_CHECK(std::memcmp(&before, &values, sizeof values) == 0);
    return {ok};
}

Outcome matrixRead(Input& in, bool reset) {
    if (in.byte() == 0) return {reset ? reset3x(nullptr) : get3x(nullptr), true};
    Guarded record(sizeof(SB_VALUES), 0x3C);
    auto* values = reinterpret_cast<SB_VALUES*>(record.data());
    const bool ok = reset ? reset3x(values) : get3x(values);
    FUZZ_CHECK(record.guardsIntact());
    if (reset) {
        FUZZ_CHECK(ok);
        return {ok, false, false, true};
    }
    if (!ok) FUZZ_CHECK(std::all_of(record.bytes().begin(), record.bytes().end(), [](uint8_t b) { return b == 0x3C; }));
    return {ok};
}

Outcome report(Input& in) {
    if (in.byte() == 0) return {getVideoFormat(nullptr), true};
    Guarded record(sizeof(VIDEO_STATUS), 0x41);
    const bool ok = getVideoFormat(reinterpret_cast<VIDEO_STATUS*>(record.data()));
    FUZZ_CHECK(ok);  // always true: the report tells in its lines what it had
    FUZZ_CHECK(record.guardsIntact());
    constexpr std::array<std::size_t, 13> labelled{0, 1, 2, 3, 4, 5, 7, 12, 15, 16, 17, 18, 19};
    for (const std::size_t field : labelled)
        FUZZ_CHECK(strnlen(reinterpret_cast<const char*>(record.data()) + 120 * field, 120) < 120);
    return {ok, false, false};
}

// A library call picked by `choice`; nullopt when `choice` is no call.
std::optional<Outcome> callLibrary(World& w, Input& in, std::size_t choice) {
    switch (choice) {
        case 0: {
            const bool ok = LeaveDeviceOpen();
            w.leaveOpen = true;
            FUZZ_CHECK(ok);
            return Outcome{ok, false, false, true};
        }
        case 1: {
            const bool wasOpen = brixel::linkIsOpen();
            const bool ok = DeviceClose();
            w.leaveOpen = false;
            FUZZ_CHECK(ok);
            FUZZ_CHECK(w.sim.usbOps() == (wasOpen ? std::vector<Op>{Op::close} : std::vector<Op>{}));
            return Outcome{ok, false, false};
        }
        case 2: {
            const int code = anyInt(in);
            const auto value = in.byte();
            return Outcome{setBrixelState(static_cast<BRIXEL_CMD>(code), value), refusedSetting(code, value)};
        }
        case 3: {
            const int version = anyInt(in);
            return Outcome{setHdcpVersion(static_cast<BRIXEL_HDCP>(version)), refusedSetting(3, version)};
        }
        case 4: return Outcome{resetBrixel()};
        case 5: return Outcome{flagRows[in.below(flagRows.size())]->wrapper.withInt(in.flag() ? 1 : 0)};
        case 6: {
            const auto& row = *valueRows[in.below(valueRows.size())];
            const int value = anyInt(in);
            return Outcome{row.wrapper.withInt(value), refusedSetting(row.code, value)};
        }
        case 7: return stateRead(w, in);
        case 8: return versionRead(in);
        case 9: return readEdidInto(w, in, false);
        case 10: return readEdidInto(w, in, true);
        case 11: return edidWrite(in);
        case 12: return infoFrame(in, false);
        case 13: return infoFrame(in, true);
        case 14: return matrixWrite(in);
        case 15: return matrixRead(in, false);
        case 16: return matrixRead(in, true);
        case 17: return report(in);
        default: return std::nullopt;
    }
}

constexpr std::size_t libraryCalls = 18;

// The seams: refused while the device is open or when a table lacks an operation.
void replaceSeams(World& w, Input& in) {
    const bool open = brixel::linkIsOpen();
    BRIXEL_USB_LAYER layer = w.sim.usbLayer();
    BRIXEL_HOST host = w.sim.host();
    const bool incomplete = in.flag();
    if (incomplete) {
        layer.checkRxQueue = nullptr;
        host.warn = nullptr;
    }
    const bool layerTaken = brixelSetUsbLayer(&layer);
    const bool hostTaken = brixelSetHost(&host);
    FUZZ_CHECK(layerTaken == (!open && !incomplete));
    FUZZ_CHECK(hostTaken == (!open && !incomplete));
}

// A change to the simulated devices: a fault, or its removal.
void changeDevices(World& w, Input& in) {
    auto& sim = w.sim;
    const std::size_t index = in.below(sim.deviceCount());
    auto& dev = sim.device(index);
    switch (in.below(6)) {
        case 0: {
            const auto kinds = brixel::sim::faultKinds();
            const auto& kind = kinds[in.below(kinds.size())];
            std::optional<uint32_t> frame;
            if (kind.atFrame && in.flag()) frame = dev.framesWritten + static_cast<uint32_t>(in.below(40));
            kind.apply(sim, index, frame);
            break;
        }
        case 1:
            for (std::size_t k = 0; k < sim.deviceCount(); ++k) sim.device(k).faults = {};
            sim.countFails = false;
            break;
        case 2: dev.attached = !dev.attached; break;
        case 3: {
            constexpr std::array<uint32_t, 6> times{0, 1, 2000, 3999, 4000, 6000};
            dev.replyLatencyMs = times[in.below(times.size())];
            dev.writeDurationMs = times[in.below(times.size())];
            break;
        }
        case 4: dev.injectStale(in.sized(80)); break;
        default: sim.setNow(in.u32()); break;  // the tick's wrap
    }
}

// Serial strings: ours, near misses, and buffers with no NUL in them.
void addDevice(brixel::sim::Simulator& sim, Input& in) {
    auto& dev = sim.addDevice();
    switch (in.below(8)) {
        case 0: break;
        case 1: dev.serial = "2024 "; break;
        case 2: dev.serial = "20245"; break;
        case 3: dev.serial = ""; break;
        case 4: dev.serial = "2025"; break;
        case 5: dev.rawString = std::vector<char>{'2', '0', '2', '4'}; break;  // no NUL: the library's buffer is zeroed
        case 6: {
            std::vector<char> full(260, 'x');  // the whole buffer and no NUL
            std::memcpy(full.data(), "2024", 4);
            dev.rawString = full;
            break;
        }
        default: {
            const auto bytes = in.sized(300);
            dev.rawString = std::vector<char>(bytes.begin(), bytes.end());
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    brixel::fuzz::silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input in(data, size);
    World w;
    // A silent device is polled for the whole reply window; coarser polls keep that short.
    constexpr std::array<uint32_t, 4> pollCosts{50, 1, 400, 4000};
    w.sim.pollCostMs = pollCosts[in.below(pollCosts.size())];
    const std::size_t devices = 1 + in.below(3);
    for (std::size_t k = 0; k < devices; ++k) addDevice(w.sim, in);
    FUZZ_CHECK(brixel::sim::install(w.sim));
    FUZZ_CHECK(!brixel::linkIsOpen() && !brixel::leaveOpen());

    for (int step = 0; step < 40 && !in.empty(); ++step) {
        const std::size_t choice = in.below(libraryCalls + 4);
        if (choice == libraryCalls) {
            replaceSeams(w, in);
            continue;
        }
        if (choice > libraryCalls) {
            changeDevices(w, in);
            continue;
        }
        w.sim.clearTrace();
        const uint32_t readBefore = w.sim.readTimeoutMs();
        const uint32_t writeBefore = w.sim.writeTimeoutMs();
        const auto outcome = callLibrary(w, in, choice);
        checkAfter(w, *outcome, readBefore, writeBefore);
    }

    w.sim.clearTrace();
    DeviceClose();
    FUZZ_CHECK(!brixel::linkIsOpen() && w.sim.openHandles() == 0);
    brixel::sim::uninstall(w.sim);
    return 0;
}
