// SPDX-License-Identifier: MIT
// The status registers of the simulated device: what the source on the active
// port sends, and what the settings make of it on the way to the display.

#include <algorithm>
#include <optional>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "sim/subsystems.h"

namespace brixel::sim {
namespace {

constexpr uint8_t gateOpen = 8;
constexpr uint8_t hdmiExtendedResolution = 0x20;
constexpr uint8_t hdmi3d = 0x40;

struct ScaledCode {
    uint8_t from;
    uint8_t to;
};
// 2160p to the 1080p of the same rate, and back.
constexpr std::array<ScaledCode, 15> downscaled{{{93, 32},
                                                 {94, 33},
                                                 {95, 34},
                                                 {96, 31},
                                                 {97, 16},
                                                 {98, 32},
                                                 {99, 33},
                                                 {100, 34},
                                                 {101, 31},
                                                 {102, 16},
                                                 {103, 32},
                                                 {104, 33},
                                                 {105, 34},
                                                 {106, 31},
                                                 {107, 16}}};
constexpr std::array<ScaledCode, 5> upscaled{{{32, 93}, {33, 94}, {34, 95}, {31, 96}, {16, 97}}};

std::optional<uint8_t> scale(const auto& table, uint8_t code) {
    for (const auto& row : table)
        if (row.from == code) return row.to;
    return std::nullopt;
}

// The HDMI_VIC a 2160p24/25/30 source names in its vendor InfoFrame.
std::optional<uint8_t> hdmiVic(uint8_t code) {
    switch (code) {
        case 95: return 1;
        case 94: return 2;
        case 93: return 3;
        case 98: return 4;
        default: return std::nullopt;
    }
}

bool needsForumVendorFrame(uint8_t code) {
    return code == 96 || code == 97 || code == 101 || code == 102 || code == 106 || code == 107;
}

const SimulatedSource* activeSource(const DeviceModel& device) {
    const uint8_t port = device.setting(BRIXEL_CMD_ACTIVE_PORT);
    if (port < BRIXEL_INPORT_1 || port > BRIXEL_INPORT_4) return nullptr;
    const SimulatedSource& source = device.report.ports[port - BRIXEL_INPORT_1];
    return source.connected ? &source : nullptr;
}

// An InfoFrame with its checksum, as the receiver captured it.
std::vector<uint8_t> infoFrame(uint8_t type, uint8_t version, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame{type, version, static_cast<uint8_t>(payload.size()), 0};
    frame.insert(frame.end(), payload.begin(), payload.end());
    unsigned sum = 0;
    for (uint8_t b : frame) sum += b;
    frame[3] = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    return frame;
}

uint8_t aviByte1(uint8_t format) { return static_cast<uint8_t>(format << 5 | 0x10); }  // active format present
uint8_t aviByte2(uint8_t colorimetry) { return static_cast<uint8_t>(colorimetry << 6 | 0x28); }  // 16:9, as coded
uint8_t aviByte3(uint8_t extended, uint8_t quantization) {
    return static_cast<uint8_t>((extended & 0x07) << 4 | (quantization & 0x03) << 2);
}

// The output format of a colour-space setting; bypass keeps the source's.
uint8_t outputFormat(uint8_t setting, uint8_t sourceFormat) {
    switch (setting) {
        case BRIXEL_COLFMT_RGB: return 0;
        case BRIXEL_COLFMT_YCBCR444: return 2;
        case BRIXEL_COLFMT_YCBCR422: return 1;
        case BRIXEL_COLFMT_YCBCR420: return 3;
        default: return sourceFormat;
    }
}

uint8_t outputHdcp(uint8_t setting, uint8_t sourceHdcp) {
    constexpr uint8_t none = 0x55;
    if (sourceHdcp == none) return none;
    if (setting == BRIXEL_HDCP_1_4) return 0x14;
    if (setting == BRIXEL_HDCP_2_2) return 0x22;
    return sourceHdcp;
}

std::vector<uint8_t> statusBytes(const DeviceModel& device) {
    std::vector<uint8_t> s(protocol::statusBlock.count, 0);  // indexed as the reply: echo and spare byte first
    const SimulatedSource* source = activeSource(device);
    if (!source) return s;

    const ReportState& state = device.report;
    const uint8_t code = source->videoCode;
    const uint8_t scaling = device.setting(BRIXEL_CMD_SCALING);
    const auto down = scale(downscaled, code);
    const auto up = scale(upscaled, code);
    bool isDown = false;
    bool isUp = false;
    bool sinkLimited = false;
    if (scaling == BRIXEL_SCALE_DOWN && down) {
        isDown = true;
    } else if (scaling == BRIXEL_SCALE_UP && up && state.display2160p) {
        isUp = true;
    } else if (scaling != BRIXEL_SCALE_BYPASS && down && !state.display2160p) {
        // Auto, or a setting that does not apply: a 2160p source on a 1080p display comes down.
        isDown = true;
        sinkLimited = true;
    }

    s[2] = source->threeD ? source->structure3d : 0;
    s[3] = code;
    s[4] = isDown ? 1 : 0;
    s[5] = device.setting(BRIXEL_CMD_DS_DEEP_COLOR);
    s[6] = isUp ? 1 : 0;
    s[8] = device.setting(BRIXEL_CMD_DEEP_COLOR);
    s[9] = static_cast<uint8_t>(source->pixelClockKhz);
    s[10] = static_cast<uint8_t>(source->pixelClockKhz >> 8);
    s[11] = static_cast<uint8_t>(source->pixelClockKhz >> 16);

    const auto csc = device.setting(isDown ? BRIXEL_CMD_DOWN_CSC : BRIXEL_CMD_CSC);
    uint8_t format = outputFormat(csc, source->colorFormat);
    // 4:2:0 exists only at 2160p: a downscaled 4:2:0 picture leaves as 4:4:4.
    if (isDown && format == 3) format = 2;
    s[13] = aviByte1(format);
    s[14] = aviByte2(source->colorimetry);
    s[15] = aviByte3(source->extendedColorimetry, source->quantization);
    // An activated custom AVI InfoFrame is what the display gets.
    const InfoFrameState& custom = device.infoFrames;
    if (custom.aviActive && custom.avi.size() >= 7) std::copy_n(custom.avi.begin() + 4, 3, s.begin() + 13);

    s[16] = source->hdcp;
    s[17] = outputHdcp(device.setting(BRIXEL_CMD_HDCP_VERSION), source->hdcp);
    s[18] = source->depth;
    s[20] = source->threeD ? hdmi3d : (hdmiVic(code) ? hdmiExtendedResolution : 0);
    s[21] = isDown ? *down : (isUp ? *up : code);
    s[26] = sinkLimited ? 1 : 0;
    s[27] = gateOpen;
    return s;
}

}  // namespace

std::optional<Reply> answerReportFrame(DeviceModel&, std::span<const uint8_t> request) {
    const uint8_t command = request[2];
    if (request[0] != protocol::requestWrite || request[1] != protocol::reportStepFrameLength ||
        request.size() != protocol::reportStepFrameSize || request[3] != 0x00)
        return std::nullopt;
    if (command != protocol::commandReportOpen && command != protocol::commandReportClose) return std::nullopt;
    return Reply{command, 0x00};
}

BlockData statusData(const DeviceModel& device) {
    const auto s = statusBytes(device);
    return {s.begin() + protocol::replyDataOffset, s.end()};
}

// The InfoFrames the receiver captured from the source on the active port,
// none when nothing is there.

BlockData spdData(const DeviceModel& device) {
    const SimulatedSource* source = activeSource(device);
    if (!source) return {};
    std::vector<uint8_t> payload(25, 0);
    std::copy_n(source->vendor.begin(), std::min<std::size_t>(source->vendor.size(), 8), payload.begin());
    std::copy_n(source->product.begin(), std::min<std::size_t>(source->product.size(), 16), payload.begin() + 8);
    payload[24] = source->sourceInfo;
    return infoFrame(0x83, 0x01, payload);
}

BlockData hdrData(const DeviceModel& device) {
    // An activated custom HDR InfoFrame is what the display gets, as far as the block holds.
    const InfoFrameState& custom = device.infoFrames;
    if (custom.hdrActive && !custom.hdr.empty()) {
        const std::size_t held = std::min<std::size_t>(custom.hdr.size(), protocol::infoFrameBlockCount - 2);
        return {custom.hdr.begin(), custom.hdr.begin() + static_cast<std::ptrdiff_t>(held)};
    }
    const SimulatedSource* source = activeSource(device);
    if (!source || !source->hdr) return {};
    // BT.2020 primaries (green, blue, red, as UHD sources index them) and D65 in units of 0.00002,
    // 1000 cd/m2 mastering, MaxCLL 1000, MaxFALL 400.
    const std::array<uint16_t, 12> values{8500, 39850, 6550, 2300, 35400, 14600, 15635, 16450, 1000, 50, 1000, 400};
    std::vector<uint8_t> payload{source->eotf, 0x00};
    for (uint16_t v : values) {
        payload.push_back(static_cast<uint8_t>(v));
        payload.push_back(static_cast<uint8_t>(v >> 8));
    }
    return infoFrame(0x87, 0x01, payload);
}

BlockData vendor1Data(const DeviceModel& device) {
    const SimulatedSource* source = activeSource(device);
    if (!source) return {};
    // HDMI 1.4 vendor InfoFrame; the device keeps its version byte as 0.
    if (source->threeD) return infoFrame(0x81, 0x00, {0x03, 0x0C, 0x00, hdmi3d, source->structure3d});
    if (auto vic = hdmiVic(source->videoCode))
        return infoFrame(0x81, 0x00, {0x03, 0x0C, 0x00, hdmiExtendedResolution, *vic});
    return {};
}

BlockData vendor2Data(const DeviceModel& device) {
    // HDMI Forum vendor InfoFrame of a 2160p50/60 source.
    const SimulatedSource* source = activeSource(device);
    if (!source || !needsForumVendorFrame(source->videoCode)) return {};
    return infoFrame(0x81, 0x00, {0xD8, 0x5D, 0xC4, 0x01, 0x00});
}

BlockData audioData(const DeviceModel& device) {
    const SimulatedSource* source = activeSource(device);
    if (!source || !source->audio) return {};
    std::vector<uint8_t> payload(10, 0);
    payload[0] = 0x01;  // two channels, coding from the stream
    return infoFrame(0x84, 0x01, payload);
}

BlockData aviData(const DeviceModel& device) {
    const SimulatedSource* source = activeSource(device);
    if (!source) return {};
    std::vector<uint8_t> payload(13, 0);
    payload[0] = aviByte1(source->colorFormat);
    payload[1] = aviByte2(source->colorimetry);
    payload[2] = aviByte3(source->extendedColorimetry, source->quantization);
    // 2160p24/25/30 travel as HDMI_VIC in the vendor InfoFrame, with VIC 0 here.
    payload[3] = hdmiVic(source->videoCode) && !source->threeD ? 0 : source->videoCode;
    return infoFrame(0x82, 0x02, payload);
}

BlockData displayNameData(const DeviceModel& device) {
    const auto name = displayMonitorName(device.edid);
    return {name.begin(), name.end()};
}

}  // namespace brixel::sim
