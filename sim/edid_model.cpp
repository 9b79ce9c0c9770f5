// SPDX-License-Identifier: MIT
// EDID reads of the store (0xB0) and the display (0xB5), the 8-byte writes
// into the store, the commit, and what selecting a built-in EDID does.
//
// Setting code 14, as this device takes it: 0 brings back the device's own
// EDID, 1 copies the display's EDID into the store, and 2 to 25 (a built-in
// EDID the host has just uploaded) switch the EDID mode to custom so that the
// upload is what sources see. Other values are only stored.

#include "sim/edid_model.h"

#include <BrixelLibrary.h>

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/payloads.h"
#include "sim/subsystems.h"

namespace brixel::sim {
namespace {

constexpr std::size_t blockSize = protocol::edidBlockSize;
constexpr uint8_t commandStore = protocol::commandDeviceEdid;
constexpr uint8_t commandSink = protocol::commandSinkEdid;
constexpr uint8_t writeLength = protocol::edidWriteChunk;
// Header and the offset; a write frame carries its data after them.
constexpr std::size_t readFrameSize = protocol::requestHeaderSize + 1;
constexpr std::size_t writeFrameSize = readFrameSize + protocol::edidWriteChunk;
constexpr uint8_t nameDescriptorTag = 0xFC;
constexpr std::array<uint8_t, 8> edidHeader{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

using Bytes = std::vector<uint8_t>;

// The last byte of a block makes the block sum to 0 modulo 256.
void fixChecksum(EdidBytes& e, std::size_t block) {
    const auto bytes = std::span(e).subspan(block * blockSize, blockSize);
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
    bytes.back() = static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

// Three letters A to Z, each as 1 to 26 in five bits, big-endian, top bit 0.
std::array<uint8_t, 2> manufacturerId(std::string_view letters) {
    unsigned id = 0;
    for (char c : letters) id = id << 5 | static_cast<unsigned>(c - 'A' + 1);
    return {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)};
}

// What tells the two simulated EDIDs apart.
struct Monitor {
    std::string_view vendor;  // three letters
    uint16_t product;
    uint8_t week;
    uint8_t yearSince1990;
    uint8_t widthCm;
    uint8_t heightCm;
    std::string_view name;  // up to 13 characters
    Bytes imageSizeMm;      // DTD bytes 12-14
};

Bytes dtd(std::initializer_list<uint8_t> timing, const Bytes& imageSize) {
    Bytes d(timing);
    d.insert(d.end(), imageSize.begin(), imageSize.end());
    d.insert(d.end(), {0x00, 0x00, 0x1E});  // no border, digital separate sync, +H +V
    return d;
}

EdidBytes compose(const Monitor& m) {
    Bytes base(edidHeader.begin(), edidHeader.end());
    const auto id = manufacturerId(m.vendor);
    base.insert(base.end(), {id[0], id[1], static_cast<uint8_t>(m.product & 0xFF), static_cast<uint8_t>(m.product >> 8),
                             0, 0, 0, 0, m.week, m.yearSince1990, 0x01, 0x03, 0x80, m.widthCm, m.heightCm, 0x78, 0x0E});
    base.insert(base.end(), {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54});  // chromaticity
    base.insert(base.end(), {0x21, 0x08, 0x00});  // 640x480, 800x600, 1024x768
    base.insert(base.end(),
                {0x81, 0xC0, 0xD1, 0xC0, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01});
    const Bytes uhd60 = dtd({0x08, 0xE8, 0x00, 0x30, 0xF2, 0x70, 0x5A, 0x80, 0xB0, 0x58, 0x8A, 0x00}, m.imageSizeMm);
    const Bytes fhd60 = dtd({0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58, 0x2C, 0x45, 0x00}, m.imageSizeMm);
    const Bytes hd60 = dtd({0x01, 0x1D, 0x00, 0x72, 0x51, 0xD0, 0x1E, 0x20, 0x6E, 0x28, 0x55, 0x00}, m.imageSizeMm);
    base.insert(base.end(), uhd60.begin(), uhd60.end());
    base.insert(base.end(), fhd60.begin(), fhd60.end());
    // Range limits: 24-75 Hz, 15-136 kHz, 600 MHz.
    base.insert(base.end(), {0x00, 0x00, 0x00, 0xFD, 0x00, 0x18, 0x4B, 0x0F, 0x88, 0x3C, 0x00, 0x0A, 0x20, 0x20, 0x20,
                             0x20, 0x20, 0x20});
    base.insert(base.end(), {0x00, 0x00, 0x00, nameDescriptorTag, 0x00});
    for (std::size_t i = 0; i < 13; ++i)
        base.push_back(i < m.name.size() ? static_cast<uint8_t>(m.name[i]) : (i == m.name.size() ? 0x0A : 0x20));
    base.push_back(0x01);  // one extension

    const Bytes blocks{
        0x4A, 0x61, 0x60, 0x10, 0x1F, 0x04, 0x13, 0x5F, 0x5E, 0x5D, 0x03,  // VICs 97 96 16 31 4 19 95 94 93 3
        0x23, 0x09, 0x07, 0x07,                                            // LPCM 2 ch, 32-48 kHz
        0x83, 0x01, 0x00, 0x00,                                            // FL/FR
        0x67, 0x03, 0x0C, 0x00, 0x10, 0x00, 0xB8, 0x3C,                    // HDMI 1.0.0.0, deep colour, 300 MHz
        0x67, 0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, 0x03,                    // HDMI Forum, 600 Mcsc, SCDC
        0xE2, 0x00, 0xCA,                                                  // video capability
        0xE3, 0x05, 0xC0, 0x00,                                            // BT.2020 YCC and RGB
        0xE6, 0x06, 0x0D, 0x01, 0x7A, 0x5A, 0x10,                          // SDR, PQ, HLG
        0xE2, 0x0F, 0x03,                                                  // 2160p60 and p50 also 4:2:0
    };
    Bytes extension{0x02, 0x03, static_cast<uint8_t>(4 + blocks.size()), 0xF1};
    extension.insert(extension.end(), blocks.begin(), blocks.end());
    extension.insert(extension.end(), hd60.begin(), hd60.end());

    EdidBytes e{};
    std::copy(base.begin(), base.end(), e.begin());
    std::copy(extension.begin(), extension.end(), e.begin() + blockSize);
    fixChecksum(e, 0);
    fixChecksum(e, 1);
    return e;
}

// An EDID read's reply carries data from byte 0 on, with no echo.
Reply edidBytesAt(const EdidBytes& edid, uint8_t offset, uint8_t count) {
    Reply reply(std::min<std::size_t>(count, protocol::replySize), 0);
    for (std::size_t i = 0; i < reply.size() && offset + i < edid.size(); ++i) reply[i] = edid[offset + i];
    return reply;
}

}  // namespace

EdidBytes factoryEdid() {
    return compose({.vendor = "BRX",
                    .product = 0x0001,
                    .week = 12,
                    .yearSince1990 = 30,
                    .widthCm = 0,
                    .heightCm = 0,
                    .name = "Brixel",
                    .imageSizeMm = {0x00, 0x00, 0x00}});
}

EdidBytes displayEdid() {
    return compose({.vendor = "SIM",
                    .product = 0x5A41,
                    .week = 10,
                    .yearSince1990 = 32,
                    .widthCm = 143,
                    .heightCm = 80,
                    .name = "Simulated TV",
                    .imageSizeMm = {0x94, 0x24, 0x53}});  // 1428 x 804 mm
}

std::array<uint8_t, 13> displayMonitorName(const EdidState& state) {
    std::array<uint8_t, 13> name{};
    name.fill(0x20);
    name[0] = 0x0A;
    for (std::size_t at = 54; at + 18 <= 126; at += 18) {
        const uint8_t* d = &state.sink[at];
        if (d[0] == 0 && d[1] == 0 && d[3] == nameDescriptorTag) {
            std::copy_n(d + 5, name.size(), name.begin());
            break;
        }
    }
    return name;
}

std::optional<Reply> answerEdidFrame(DeviceModel& device, std::span<const uint8_t> request) {
    EdidState& edid = device.edid;
    const uint8_t kind = request[0];
    const uint8_t length = request[1];
    const uint8_t command = request[2];

    // A read's length byte is the count of EDID bytes asked for.
    if (kind == protocol::requestRead && (command == commandStore || command == commandSink) &&
        request.size() == readFrameSize)
        return edidBytesAt(command == commandStore ? edid.store : edid.sink, request[3], length);

    if (kind == protocol::requestWrite && command == commandStore && length == writeLength &&
        request.size() == writeFrameSize) {
        if (!edid.writing) edid.incoming = edid.store;
        edid.writing = true;
        const std::size_t offset = request[3];
        for (std::size_t i = 0; i < writeLength && offset + i < edid.incoming.size(); ++i)
            edid.incoming[offset + i] = request[readFrameSize + i];
        return Reply{commandStore, 0x00};
    }

    // The commit's length byte says 8 although no data follow; 0xB1 with
    // another length byte is the video report's.
    if (kind == protocol::requestWrite && command == protocol::commandEdidCommit && length == writeLength &&
        request.size() == protocol::requestHeaderSize) {
        if (edid.writing) edid.store = edid.incoming;
        edid.writing = false;
        return Reply{protocol::commandEdidCommit, 0x00};
    }
    return std::nullopt;
}

void edidSettingChanged(DeviceModel& device, uint8_t code, uint8_t value) {
    if (code != BRIXEL_CMD_CUSTOM_EDID) return;
    if (value == 0)
        device.edid.store = factoryEdid();
    else if (value == 1)
        device.edid.store = device.edid.sink;
    else if (value >= EDIDTABLE_2160P60_HDR_MULTI && value <= EDIDTABLE_1080I60_STEREO)
        device.settings[BRIXEL_CMD_EDID_MODE] = BRIXEL_EDID_CUSTOM;
}

}  // namespace brixel::sim
