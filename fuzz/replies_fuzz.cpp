// SPDX-License-Identifier: MIT
// The library's reads over any replies: the EDID, state, version, matrix and
// status reads, and the setting, matrix and EDID writes, through a USB layer
// whose device answers each frame as the input says (its write, its receive
// queue and its read failing or not, any reply bytes, a count of bytes read
// that claims more than arrived).
//
// Input: the operation, the time-outs in force before it, the clock, then one
// script per frame the library writes: a byte of faults, a length, the reply's
// bytes. Past the input's end every write fails, which ends an operation soon.
// A silent device costs the whole reply window; the clock's step keeps that short.

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/video_status_checks.h"

namespace {

using brixel::fuzz::BlockBytes;
using brixel::fuzz::Guarded;
using brixel::fuzz::Input;

// A script's fault bits.
constexpr uint8_t writeFails = 1;
constexpr uint8_t queueFails = 2;
constexpr uint8_t nothingWaits = 4;
constexpr uint8_t readFails = 8;
constexpr uint8_t claimsMore = 16;

struct Exchange {
    std::vector<uint8_t> frame;
    uint8_t faults = 0;
    std::vector<uint8_t> reply;
    bool writeOk = false;
    bool queueFailed = false;
    bool read = false;
    int readStatus = 1;
    BlockBytes delivered{};  // the reply buffer as the library should have it: zeros past what arrived
    uint32_t counted = 0;    // what the library may take as the number of bytes read
    // Wrote, saw the reply waiting with no failed check, and read it.
    bool completed() const { return writeOk && !queueFailed && read && readStatus == 0; }
};

void* const theHandle = reinterpret_cast<void*>(0x4242);

// One device, serial "2024", and a clock that moves each time the library reads
// it: with a clock that stood still a silent device would hold the library forever.
struct FakeDevice {
    Input* in = nullptr;
    bool open = false;
    int opens = 0;
    int closes = 0;
    int flushes = 0;
    uint32_t readTimeout = 0;
    uint32_t writeTimeout = 0;
    uint32_t now = 0;
    uint32_t step = 1;
    int warnings = 0;
    std::vector<Exchange> exchanges;

    void usedHandle(void* handle) const { FUZZ_CHECK(open && handle == theHandle); }
};
FakeDevice* device = nullptr;

int getNumDevices(uint32_t* count) {
    *count = 1;
    return 0;
}
int getProductString(uint32_t index, char* buffer, uint32_t) {
    FUZZ_CHECK(index == 0);
    std::memcpy(buffer, "2024", 5);
    return 0;
}
int openDevice(uint32_t index, void** handle) {
    FUZZ_CHECK(index == 0 && !device->open);
    device->open = true;
    ++device->opens;
    *handle = theHandle;
    return 0;
}
int closeDevice(void* handle) {
    device->usedHandle(handle);
    device->open = false;
    ++device->closes;
    return 0;
}
int flushBuffers(void* handle, uint8_t transmit, uint8_t receive) {
    device->usedHandle(handle);
    FUZZ_CHECK(transmit == 1 && receive == 1);
    ++device->flushes;
    return 0;
}
int write(void* handle, void* buffer, uint32_t length, uint32_t* written, void*) {
    device->usedHandle(handle);
    FUZZ_CHECK(device->writeTimeout == 4000 && device->readTimeout == 0);
    // Every exchange starts with a flush, so no stale byte passes for its reply.
    FUZZ_CHECK(device->flushes == static_cast<int>(device->exchanges.size()) + 1);
    FUZZ_CHECK(length >= 3 && length <= 128);
    Exchange e;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    e.frame.assign(bytes, bytes + length);
    e.faults = device->in->empty() ? writeFails : device->in->byte();
    e.reply = device->in->bytes(device->in->below(65));
    e.writeOk = (e.faults & writeFails) == 0;
    device->exchanges.push_back(e);
    *written = e.writeOk ? length : 0;
    return e.writeOk ? 0 : 1;
}
int checkRxQueue(void* handle, uint32_t* waiting, uint32_t* status) {
    device->usedHandle(handle);
    FUZZ_CHECK(!device->exchanges.empty() && device->exchanges.back().writeOk);
    Exchange& e = device->exchanges.back();
    *waiting = (e.faults & nothingWaits) ? 0 : static_cast<uint32_t>(e.reply.size());
    *status = 0;
    if (e.faults & queueFails) {
        e.queueFailed = true;
        return 1;
    }
    return 0;
}
int read(void* handle, void* buffer, uint32_t wanted, uint32_t* got, void*) {
    device->usedHandle(handle);
    FUZZ_CHECK(device->readTimeout == 4000 && device->writeTimeout == 0);
    FUZZ_CHECK(wanted == 64);
    FUZZ_CHECK(!device->exchanges.empty());
    Exchange& e = device->exchanges.back();
    // Read only a reply that was seen waiting, after checks that all held.
    FUZZ_CHECK(e.writeOk && !e.queueFailed && !(e.faults & nothingWaits) && !e.reply.empty() && !e.read);
    e.read = true;
    std::memcpy(buffer, e.reply.data(), e.reply.size());
    std::copy(e.reply.begin(), e.reply.end(), e.delivered.begin());
    const auto size = static_cast<uint32_t>(e.reply.size());
    *got = (e.faults & claimsMore) ? size + 1000 : size;
    e.counted = std::min<uint32_t>(*got, 64);
    e.readStatus = (e.faults & readFails) ? 1 : 0;
    return e.readStatus;
}
int setTimeouts(uint32_t readMs, uint32_t writeMs) {
    device->readTimeout = readMs;
    device->writeTimeout = writeMs;
    return 0;
}
int getTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    *readMs = device->readTimeout;
    *writeMs = device->writeTimeout;
    return 0;
}
uint32_t tickCount() {
    const uint32_t now = device->now;
    device->now += device->step;
    return now;
}
void sleep(uint32_t ms) { device->now += ms; }
void warn(const wchar_t*) { ++device->warnings; }

const BRIXEL_USB_LAYER layer{getNumDevices, getProductString, openDevice,  closeDevice, read,
                             write,         flushBuffers,     setTimeouts, getTimeouts, checkRxQueue};
const BRIXEL_HOST host{tickCount, sleep, warn};

std::vector<uint8_t> frame(std::initializer_list<uint8_t> bytes) { return bytes; }

// An echo-tested read or write: completed, and reply byte 0 is the command byte.
bool echoed(const Exchange& e, uint8_t command) { return e.completed() && e.delivered[0] == command; }

void checkEchoRead(const FakeDevice& d, const std::vector<uint8_t>& expectedFrame, uint8_t command, bool result) {
    FUZZ_CHECK(d.exchanges.size() == 1);
    FUZZ_CHECK(d.exchanges[0].frame == expectedFrame);
    FUZZ_CHECK(result == echoed(d.exchanges[0], command));
}

void stateRead(FakeDevice& d) {
    Guarded state(60);
    const bool ok = getBrixelState(state.data());
    checkEchoRead(d, frame({0x11, 0x3E, 0xE1}), 0xE1, ok);
    // All 60 bytes on every path: what arrived from reply byte 2 on, zeros past it.
    FUZZ_CHECK(std::equal(state.data(), state.data() + 60, d.exchanges[0].delivered.begin() + 2));
    FUZZ_CHECK(state.guardsIntact());
}

void versionRead(FakeDevice& d) {
    Guarded version(23, 0x7F);
    const bool ok = getFwVersion(version.chars());
    checkEchoRead(d, frame({0x11, 0x08, 0xE0, 0x07}), 0xE0, ok);
    const auto& reply = d.exchanges[0].delivered;
    const std::string expected = "BRIXEL FW Ver: " + std::to_string(reply[2]) + "." + std::to_string(reply[3]);
    FUZZ_CHECK(strnlen(version.chars(), 23) < 23 && expected == version.chars());
    FUZZ_CHECK(version.guardsIntact());
}

// A coefficient's word is two's complement 3.13, except that 0x8000 reads as
// +4; an offset is its word's high byte.
double coefficient(const BlockBytes& r, std::size_t at) {
    int word = r[at] | r[at + 1] << 8;
    if (word > 0x8000) word -= 0x10000;
    return word / 8192.0;
}

void matrixRead(FakeDevice& d) {
    Guarded record(sizeof(SB_VALUES), 0x3C);
    const bool ok = get3x(reinterpret_cast<SB_VALUES*>(record.data()));
    checkEchoRead(d, frame({0x11, 0x1A, 0xE0, 0x2C}), 0xE0, ok);
    FUZZ_CHECK(record.guardsIntact());
    if (!ok) {
        // A failed read leaves the record as it was.
        FUZZ_CHECK(std::all_of(record.bytes().begin(), record.bytes().end(), [](uint8_t b) { return b == 0x3C; }));
        return;
    }
    SB_VALUES v;
    std::memcpy(&v, record.data(), sizeof v);
    const auto& r = d.exchanges[0].delivered;
    const double coefficients[9] = {v.coef21, v.coef22, v.coef23, v.coef31, v.coef32,
                                    v.coef33, v.coef11, v.coef12, v.coef13};
    for (std::size_t k = 0; k < 9; ++k) FUZZ_CHECK(coefficients[k] == coefficient(r, 2 + 2 * k));
    FUZZ_CHECK(v.offset1 == r[21] && v.offset2 == r[23] && v.offset3 == r[25]);
}

void edidRead(FakeDevice& d, bool sink) {
    Guarded edid(256, 0x99);
    const bool ok = sink ? getSinkEdid(edid.data()) : getEdid(edid.data());
    FUZZ_CHECK(edid.guardsIntact());
    // Reading stops at the first chunk that did not arrive whole.
    std::size_t chunks = 0;
    for (const Exchange& e : d.exchanges) {
        FUZZ_CHECK(e.frame ==
                   frame({0x11, 0x10, static_cast<uint8_t>(sink ? 0xB5 : 0xB0), static_cast<uint8_t>(16 * chunks)}));
        if (!e.completed() || e.counted < 16) break;
        FUZZ_CHECK(std::equal(e.delivered.begin(), e.delivered.begin() + 16, edid.data() + 16 * chunks));
        ++chunks;
    }
    FUZZ_CHECK(d.exchanges.size() == std::min<std::size_t>(chunks + 1, 16));
    FUZZ_CHECK(ok == (chunks == 16));
    FUZZ_CHECK(std::all_of(edid.data() + 16 * chunks, edid.data() + 256, [](uint8_t b) { return b == 0x99; }));
}

void settingWrite(FakeDevice& d, Input& in) {
    const uint8_t code = in.byte();
    const uint8_t value = in.byte();
    const bool ok = setBrixelState(static_cast<BRIXEL_CMD>(code), value);
    if (code == 3 && value == 1) {
        FUZZ_CHECK(!ok && d.exchanges.empty() && d.opens == 0);
        return;
    }
    checkEchoRead(d, frame({0x10, 0x04, 0xE0, code, value}), 0xE0, ok);
}

// The low 16 bits of the value times the scale, truncated toward zero; NaN
// and anything beyond 32 bits give -2^31, whose low bits are 0.
uint16_t wireWord(double value, double scale) {
    const double scaled = std::trunc(value * scale);
    if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0)) return 0;
    return static_cast<uint16_t>(static_cast<int64_t>(scaled) & 0xFFFF);
}

void matrixWrite(FakeDevice& d, Input& in) {
    const auto bytes = in.bytes(sizeof(SB_VALUES));
    SB_VALUES matrix{};
    if (!bytes.empty()) std::memcpy(&matrix, bytes.data(), bytes.size());  // any doubles: NaN, infinities, huge
    const SB_VALUES before = matrix;
    const bool ok = set3x(&matrix);
    FUZZ_CHECK(std::memcmp(&before, &matrix, sizeof matrix) == 0);  // read, never written
    FUZZ_CHECK(d.exchanges.size() == 1 && d.exchanges[0].frame.size() == 27);
    const auto& f = d.exchanges[0].frame;
    FUZZ_CHECK(f[0] == 0x10 && f[1] == 0x18 && f[2] == 0xE8);
    // Coefficients of rows 2, 3, 1, then the offsets, each low byte first.
    const std::pair<double, double> wire[12] = {{matrix.coef21, 8192}, {matrix.coef22, 8192}, {matrix.coef23, 8192},
                                                {matrix.coef31, 8192}, {matrix.coef32, 8192}, {matrix.coef33, 8192},
                                                {matrix.coef11, 8192}, {matrix.coef12, 8192}, {matrix.coef13, 8192},
                                                {matrix.offset1, 256}, {matrix.offset2, 256}, {matrix.offset3, 256}};
    for (std::size_t k = 0; k < 12; ++k)
        FUZZ_CHECK((f[3 + 2 * k] | f[4 + 2 * k] << 8) == wireWord(wire[k].first, wire[k].second));
    FUZZ_CHECK(ok == echoed(d.exchanges[0], 0xE8));
}

void edidWrite(FakeDevice& d, Input& in) {
    auto bytes = in.bytes(256);
    bytes.resize(256);
    const auto edid = brixel::fuzz::exactCopy(bytes);
    const bool ok = setCustomEdid(edid.get());
    FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), edid.get()));
    // 32 data frames and the commit, whatever becomes of each.
    FUZZ_CHECK(d.exchanges.size() == 33);
    bool all = true;
    for (std::size_t k = 0; k < 32; ++k) {
        const Exchange& e = d.exchanges[k];
        FUZZ_CHECK(e.frame.size() == 12 && e.frame[2] == 0xB0 && e.frame[3] == 8 * k);
        FUZZ_CHECK(std::equal(bytes.begin() + 8 * k, bytes.begin() + 8 * k + 8, e.frame.begin() + 4));
        all = all && echoed(e, 0xB0);
    }
    FUZZ_CHECK(d.exchanges[32].frame == frame({0x10, 0x08, 0xB1}));
    FUZZ_CHECK(ok == (all && echoed(d.exchanges[32], 0xB1)));
}

void report(FakeDevice& d, Input& in) {
    const uint8_t untouched = in.byte();
    Guarded record(sizeof(VIDEO_STATUS), untouched);
    FUZZ_CHECK(getVideoFormat(reinterpret_cast<VIDEO_STATUS*>(record.data())));
    FUZZ_CHECK(!d.exchanges.empty() && d.exchanges[0].frame == frame({0x11, 28, 0xE0, 6}));
    brixel::fuzz::ReportBlocks blocks;
    blocks.status = d.exchanges[0].delivered;
    const uint8_t gate = blocks.status[27];
    if (gate != 8 && gate != 10) {
        FUZZ_CHECK(d.exchanges.size() == 1);
    } else {
        // The 0xB4 frame, the seven blocks, the 0xB1 frame; replies to the two frames are not looked at.
        FUZZ_CHECK(d.exchanges.size() == 10);
        FUZZ_CHECK(d.exchanges[1].frame == frame({0x10, 0x02, 0xB4, 0x00}));
        FUZZ_CHECK(d.exchanges[9].frame == frame({0x10, 0x02, 0xB1, 0x00}));
        BlockBytes* blocksInOrder[] = {&blocks.spd,   &blocks.hdr, &blocks.vendor1,    &blocks.vendor2,
                                       &blocks.audio, &blocks.avi, &blocks.displayName};
        const uint8_t registers[] = {21, 30, 31, 37, 38, 39, 53};
        for (std::size_t k = 0; k < 7; ++k) {
            const Exchange& e = d.exchanges[2 + k];
            FUZZ_CHECK(e.frame == frame({0x11, static_cast<uint8_t>(k == 6 ? 15 : 33), 0xE0, registers[k]}));
            // A failed block is decoded with whatever arrived.
            *blocksInOrder[k] = e.delivered;
        }
    }
    brixel::fuzz::checkVideoStatus(blocks, record, untouched);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    brixel::fuzz::silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input in(data, size);
    FakeDevice d;
    d.in = &in;
    const uint8_t operation = in.byte();
    d.readTimeout = in.u32();
    d.writeTimeout = in.u32();
    const uint32_t readBefore = d.readTimeout;
    const uint32_t writeBefore = d.writeTimeout;
    d.now = in.u32();  // any start, the wrap of the tick included
    d.step = 1 + in.byte() % 64;
    device = &d;
    FUZZ_CHECK(brixelSetUsbLayer(&layer) && brixelSetHost(&host));

    switch (operation % 9) {
        case 0: stateRead(d); break;
        case 1: versionRead(d); break;
        case 2: matrixRead(d); break;
        case 3: edidRead(d, false); break;
        case 4: edidRead(d, true); break;
        case 5: settingWrite(d, in); break;
        case 6: matrixWrite(d, in); break;
        case 7: edidWrite(d, in); break;
        default: report(d, in); break;
    }

    // Released at the end, each open closed, the time-outs as they were found.
    FUZZ_CHECK(!d.open && d.opens == d.closes);
    FUZZ_CHECK(d.readTimeout == readBefore && d.writeTimeout == writeBefore);
    // One warning per failed queue check, and no other.
    int failedChecks = 0;
    for (const Exchange& e : d.exchanges) failedChecks += e.queueFailed ? 1 : 0;
    FUZZ_CHECK(d.warnings >= failedChecks && (failedChecks > 0 || d.warnings == 0));
    FUZZ_CHECK(brixelSetUsbLayer(nullptr) && brixelSetHost(nullptr));
    device = nullptr;
    return 0;
}
