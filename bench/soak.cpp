// SPDX-License-Identifier: MIT
// A soak: mixed operations against the simulated device, a tenth of them under
// a random fault from the simulator's table at a random frame, with leave-open
// switched on and off along the way. Every result, console line, warning,
// frame count, open, close and wait is checked against the rules, the link
// state against the simulator's handles, and memory (live allocations and the
// resident set) is sampled as it goes: it must stay flat.
//
//   soak [--operations N] [--seed S] [--fault-percent P] [--samples K]
//
// Prints its figures and exits 1 when any check failed.

#include <BrixelLibrary.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "link/connection.h"
#include "settings/argument_names.h"
#include "settings/setting_codes.h"
#include "sim/faults.h"
#include "sim/library_adapter.h"
#include "tests/faults/fault_rules.h"
#include "tests/support/guarded.h"

// ---- Live allocations: every operator new less every operator delete ----------

namespace {
long liveAllocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) {
        ++liveAllocations;
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
    if (!p) return;
    --liveAllocations;
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using brixel::faults::Link;
using brixel::faults::Shape;
using brixel::sim::Op;
using brixel::test::Guarded;
using Rng = std::mt19937_64;

// As in the fault matrix: a silent reply window is 100 receive-queue checks.
constexpr uint32_t pollCostMs = 40;
constexpr uint32_t silentWindowChecks = 100;

long residentKiB() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// What the library prints goes to a scratch file, read back after each call.
class ConsoleCapture {
public:
    ConsoleCapture() : report_(fdopen(dup(STDOUT_FILENO), "w")), scratch_(std::tmpfile()) {
        std::fflush(stdout);
        dup2(fileno(scratch_), STDOUT_FILENO);
    }
    ~ConsoleCapture() {
        std::fflush(stdout);
        dup2(fileno(report_), STDOUT_FILENO);
        std::fclose(scratch_);
    }
    // What was printed since the last take.
    std::string take() {
        std::fflush(stdout);
        const off_t length = lseek(STDOUT_FILENO, 0, SEEK_CUR);
        std::string text(static_cast<std::size_t>(length), '\0');
        if (length > 0 && pread(fileno(scratch_), text.data(), text.size(), 0) != length) text = "(unreadable)";
        if (ftruncate(STDOUT_FILENO, 0) != 0 || lseek(STDOUT_FILENO, 0, SEEK_SET) != 0) text += "(not cleared)";
        return text;
    }
    FILE* report() const { return report_; }

private:
    FILE* report_;
    FILE* scratch_;
};

struct Buffers {
    Guarded state{60};
    Guarded version{23};
    Guarded edid{256};
    Guarded matrix{sizeof(SB_VALUES)};
    Guarded status{sizeof(VIDEO_STATUS)};
    bool guardsIntact() const {
        return state.guardsIntact() && version.guardsIntact() && edid.guardsIntact() && matrix.guardsIntact() &&
               status.guardsIntact();
    }
};

uint8_t anyByte(Rng& rng) { return static_cast<uint8_t>(rng()); }
bool anyFlag(Rng& rng) { return (rng() & 1) != 0; }

// Colon-separated hex of `bytes` random bytes.
std::string infoFrameText(Rng& rng, std::size_t bytes) {
    std::string text;
    for (std::size_t k = 0; k < bytes; ++k) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%s%02X", k == 0 ? "" : ":", anyByte(rng));
        text += pair;
    }
    return text;
}

struct Mixed {
    const char* name;
    Shape shape;
    int weight;
    std::function<bool(Rng&, Buffers&)> call;
};

// The values a setter never refuses: HDCP version 1 is refused before any traffic.
uint8_t hdcpVersion(Rng& rng) {
    constexpr std::array<uint8_t, 3> versions{BRIXEL_HDCP_AUTO, BRIXEL_HDCP_1_4, BRIXEL_HDCP_2_2};
    return versions[rng() % versions.size()];
}

// A value the setting's function never refuses: one its argument names.
uint8_t namedValue(Rng& rng, const brixel::SettingCode& row) {
    if (row.argument == brixel::ArgumentKind::flag) return anyFlag(rng) ? 1 : 0;
    if (row.code == BRIXEL_CMD_HDCP_VERSION) return hdcpVersion(rng);
    const auto names = brixel::namesFor(row.argument);
    return names.empty() ? 1 : names[rng() % names.size()].value;
}

// Every setting function of the table, so that a setting added to it is
// soaked without a word here; not the factory reset (it would undo the
// others) nor the built-in EDID (its own entry below).
std::vector<Mixed> settingWrites() {
    std::vector<Mixed> writes;
    for (const auto& row : brixel::settingCodes) {
        if (row.code == BRIXEL_CMD_FACTORY_RESET || row.code == BRIXEL_CMD_CUSTOM_EDID) continue;
        writes.push_back({row.function.data(), Shape::settingWrite, 1,
                          [&row](Rng& rng, Buffers&) { return row.wrapper(namedValue(rng, row)); }});
    }
    return writes;
}

const std::vector<Mixed>& mix() {
    static const std::vector<Mixed> operations = [] {
        auto all = settingWrites();
        const std::vector<Mixed> others{
            {"setBrixelState", Shape::settingWrite, 6,
             [](Rng& rng, Buffers&) {
                 uint8_t code = anyByte(rng) % 60;
                 if (code == BRIXEL_CMD_HDCP_VERSION || code == BRIXEL_CMD_FACTORY_RESET) code = BRIXEL_CMD_LOGO_LED;
                 return setBrixelState(static_cast<BRIXEL_CMD>(code), anyByte(rng));
             }},
            {"getBrixelState", Shape::stateRead, 6, [](Rng&, Buffers& b) { return getBrixelState(b.state.data()); }},
            {"getFwVersion", Shape::versionRead, 6, [](Rng&, Buffers& b) { return getFwVersion(b.version.chars()); }},
            {"get3x", Shape::matrixRead, 4, [](Rng&, Buffers& b) { return get3x(b.matrix.as<SB_VALUES>()); }},
            {"set3x", Shape::matrixWrite, 4,
             [](Rng& rng, Buffers&) {
                 SB_VALUES values;
                 for (double* field :
                      {&values.offset1, &values.coef11, &values.coef12, &values.coef13, &values.offset2, &values.coef21,
                       &values.coef22, &values.coef23, &values.offset3, &values.coef31, &values.coef32, &values.coef33})
                     *field = std::uniform_real_distribution<double>(-5.0, 5.0)(rng);
                 return set3x(&values);
             }},
            {"setAviIf", Shape::aviInfoFrame, 4,
             [](Rng& rng, Buffers&) {
                 std::string text = infoFrameText(rng, 2 + rng() % 16);
                 return setAviIf(text.data());
             }},
            {"setHdrIf", Shape::hdrInfoFrame, 4,
             [](Rng& rng, Buffers&) {
                 std::string text = infoFrameText(rng, 2 + rng() % 30);
                 return setHdrIf(text.data(), anyFlag(rng));
             }},
            {"getVideoFormat", Shape::report, 8,
             [](Rng&, Buffers& b) { return getVideoFormat(b.status.as<VIDEO_STATUS>()); }},
            {"getEdid", Shape::edidRead, 3, [](Rng&, Buffers& b) { return getEdid(b.edid.data()); }},
            {"getSinkEdid", Shape::sinkEdidRead, 3, [](Rng&, Buffers& b) { return getSinkEdid(b.edid.data()); }},
            {"setCustomEdid", Shape::edidWrite, 2,
             [](Rng& rng, Buffers&) {
                 std::array<unsigned char, 256> edid;
                 for (auto& byte : edid) byte = anyByte(rng);
                 return setCustomEdid(edid.data());
             }},
            {"changeCustomEdid", Shape::builtInEdid, 1,
             [](Rng& rng, Buffers&) { return changeCustomEdid(static_cast<EDIDTABLE>(2 + rng() % 24)); }},
        };
        all.insert(all.end(), others.begin(), others.end());
        return all;
    }();
    return operations;
}

struct Figures {
    uint64_t operations = 0;
    uint64_t faulted = 0;
    uint64_t trueResults = 0;
    uint64_t mismatches = 0;
    uint64_t frames = 0;
    std::map<std::string, uint64_t> byFault;
};

class Soak {
public:
    Soak(uint64_t seed, unsigned faultPercent, FILE* report)
        : rng_(seed), faultPercent_(faultPercent), report_(report) {
        sim_.pollCostMs = pollCostMs;
        device_ = &sim_.addDevice("2024");
        brixel::sim::install(sim_);
        for (const auto& op : mix()) totalWeight_ += op.weight;
    }
    ~Soak() {
        DeviceClose();
        brixel::sim::uninstall(sim_);
    }

    void step(ConsoleCapture& console) {
        // Leave-open comes and goes.
        if (rng_() % 200 == 0) {
            sim_.clearTrace();
            if (leaveOpen_) {
                check(DeviceClose(), "DeviceClose is true");
                check(!brixel::linkIsOpen() && sim_.openHandles() == 0, "DeviceClose closes");
            } else {
                check(LeaveDeviceOpen() && sim_.usbCalls().empty(), "LeaveDeviceOpen is true and quiet");
            }
            leaveOpen_ = !leaveOpen_;
            console.take();
        }

        const Mixed& op = pick();
        const Link link = !leaveOpen_            ? Link::closed
                          : brixel::linkIsOpen() ? Link::leaveOpenOpen
                                                 : Link::leaveOpenClosed;
        const std::array<uint8_t, 4> statusRead{0x11, 28, 0xE0, 6};
        const auto status = device_->model.answer(statusRead);
        const bool gateOpen = status.size() > 27 && (status[27] == 8 || status[27] == 10);
        brixel::faults::Conditions conditions{link, {}, silentWindowChecks, gateOpen};

        // A fault one time in ten (or as asked), of any kind, at any of the operation's frames.
        const auto frames = brixel::faults::expectedRun(op.shape, conditions)->writes;
        std::optional<brixel::sim::Fault> fault;
        if (rng_() % 100 < faultPercent_) {
            const auto kinds = brixel::sim::faultKinds();
            const auto& kind = kinds[rng_() % kinds.size()];
            const uint32_t frame = static_cast<uint32_t>(rng_() % frames);
            conditions.fault = {kind.name, frame};
            kind.apply(sim_, 0, kind.atFrame ? std::optional(device_->framesWritten + frame) : std::nullopt);
            ++figures.faulted;
            ++figures.byFault[std::string(kind.name)];
        }
        const auto expected = brixel::faults::expectedRun(op.shape, conditions);

        sim_.clearTrace();
        Buffers buffers;
        const bool result = op.call(rng_, buffers);
        const std::string printed = console.take();
        ++figures.operations;
        figures.trueResults += result ? 1 : 0;
        figures.frames += sim_.count(Op::write);

        const std::string what = std::string(op.name) + (conditions.fault.kind.empty() ? "" : " under ") +
                                 std::string(conditions.fault.kind);
        if (!expected) {
            fail(what + ": the rules know no such fault");
        } else {
            check(result == expected->result, what + ": result");
            check(printed == expected->printed, what + ": printed \"" + printed + "\"");
            check(sim_.warnings() == expected->warnings, what + ": warnings");
            check(sim_.count(Op::write) == expected->writes, what + ": frames written");
            check(sim_.count(Op::open) == expected->opens, what + ": opens");
            check(sim_.count(Op::close) == expected->closes, what + ": closes (the release step)");
            check(sim_.sleeps() == expected->sleeps, what + ": waits");
            check(brixel::linkIsOpen() == expected->linkOpenAfter, what + ": link state");
        }
        // The link state does not drift from the simulator's handles.
        check(brixel::linkIsOpen() == (sim_.openHandles() == 1) && sim_.openHandles() <= 1, what + ": handles");
        check(leaveOpen_ || !brixel::linkIsOpen(), what + ": left open without leave-open");
        check(buffers.guardsIntact(), what + ": wrote past a caller's buffer");

        device_->faults = {};
        sim_.countFails = false;
        device_->attached = true;
        sim_.clearTrace();  // the trace holds what the call left; memory is measured without it
    }

    Figures figures;

private:
    const Mixed& pick() {
        int at = static_cast<int>(rng_() % static_cast<uint64_t>(totalWeight_));
        for (const auto& op : mix()) {
            if (at < op.weight) return op;
            at -= op.weight;
        }
        return mix().front();
    }
    void check(bool holds, const std::string& what) {
        if (!holds) fail(what);
    }
    void fail(const std::string& what) {
        if (figures.mismatches++ < 20)
            std::fprintf(report_, "MISMATCH after %llu operations: %s\n",
                         static_cast<unsigned long long>(figures.operations), what.c_str());
    }

    brixel::sim::Simulator sim_;
    brixel::sim::SimDevice* device_;
    Rng rng_;
    unsigned faultPercent_;
    FILE* report_;
    int totalWeight_ = 0;
    bool leaveOpen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    uint64_t operations = 1'000'000;
    uint64_t seed = 2024;
    unsigned faultPercent = 10;
    uint64_t samples = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        const uint64_t value = std::strtoull(argv[i + 1], nullptr, 10);
        if (option == "--operations")
            operations = value;
        else if (option == "--seed")
            seed = value;
        else if (option == "--fault-percent")
            faultPercent = static_cast<unsigned>(value);
        else if (option == "--samples")
            samples = value;
        else {
            std::fprintf(stderr, "usage: soak [--operations N] [--seed S] [--fault-percent P] [--samples K]\n");
            return 2;
        }
    }
    if (samples == 0 || operations < samples) samples = 1;

    ConsoleCapture console;
    FILE* out = console.report();
    std::fprintf(out, "soak: %llu operations, seed %llu, %u%% under a fault\n",
                 static_cast<unsigned long long>(operations), static_cast<unsigned long long>(seed), faultPercent);
    std::fprintf(out, "%12s %12s %14s %12s %10s\n", "operations", "ops/s", "live allocs", "RSS KiB", "mismatches");

    bool flat = true;
    long allocationsAfterWarmUp = 0;
    long residentAfterWarmUp = 0;
    long peakAllocations = 0;
    long peakResident = 0;
    const auto start = std::chrono::steady_clock::now();
    {
        Soak soak(seed, faultPercent, out);
        const uint64_t every = operations / samples;
        auto last = start;
        for (uint64_t k = 1; k <= operations; ++k) {
            soak.step(console);
            if (k % every != 0 && k != operations) continue;
            const auto now = std::chrono::steady_clock::now();
            const double seconds = std::chrono::duration<double>(now - last).count();
            last = now;
            const long resident = residentKiB();
            std::fprintf(out, "%12llu %12.0f %14ld %12ld %10llu\n", static_cast<unsigned long long>(k),
                         static_cast<double>(every) / seconds, liveAllocations, resident,
                         static_cast<unsigned long long>(soak.figures.mismatches));
            std::fflush(out);
            // The first sample is the warm-up; from then on nothing may grow.
            if (k == every) {
                allocationsAfterWarmUp = liveAllocations;
                residentAfterWarmUp = resident;
            }
            peakAllocations = std::max(peakAllocations, liveAllocations);
            peakResident = std::max(peakResident, resident);
        }
        const auto& f = soak.figures;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(out, "%llu operations in %.1f s (%.0f per second), %llu frames, %llu true, %llu under a fault:",
                     static_cast<unsigned long long>(f.operations), seconds,
                     static_cast<double>(f.operations) / seconds, static_cast<unsigned long long>(f.frames),
                     static_cast<unsigned long long>(f.trueResults), static_cast<unsigned long long>(f.faulted));
        for (const auto& [kind, count] : f.byFault)
            std::fprintf(out, " %s %llu", kind.c_str(), static_cast<unsigned long long>(count));
        std::fprintf(out, "\n");
        if (allocationsAfterWarmUp == 0) {
            // Under valgrind its own allocator serves operator new, and its leak check is the judge.
            std::fprintf(out,
                         "memory: allocations not counted here (valgrind's allocator); %ld KiB resident after "
                         "warm-up, %ld KiB at most after\n",
                         residentAfterWarmUp, peakResident);
        } else {
            // A few allocations come and go with the device's state (InfoFrames
            // held, queue blocks); a leak grows with the operations.
            constexpr long allocationSlack = 64;
            constexpr long residentSlackKiB = 4096;
            flat = peakAllocations <= allocationsAfterWarmUp + allocationSlack &&
                   peakResident <= residentAfterWarmUp + residentSlackKiB;
            std::fprintf(out,
                         "memory after warm-up: %ld live allocations, %ld KiB resident; at most after: %ld, %ld KiB "
                         "-- %s\n",
                         allocationsAfterWarmUp, residentAfterWarmUp, peakAllocations, peakResident,
                         flat ? "flat" : "GROWING");
        }
        std::fprintf(out, "%llu mismatches with the rules\n", static_cast<unsigned long long>(f.mismatches));
        if (f.mismatches > 0) flat = false;
    }
    std::fflush(out);
    return flat ? 0 : 1;
}
