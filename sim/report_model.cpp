// The status registers of the simulated device: what the source on the active
// port sends, and what the settings make of it on the way to the display.

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "report/status_decode.h"
#include "sim/subsystems.h"

namespace brixel::sim {
namespace {

// The EDID commit shares 0xB1 but has another length byte.
constexpr uint8_t reportFrameLength = 0x02;

constexpr uint8_t spdRegister = 21;
constexpr uint8_t hdrRegister = 30;
constexpr uint8_t vendor1Register = 31;
constexpr uint8_t vendor2Register = 37;
constexpr uint8_t audioRegister = 38;
constexpr uint8_t aviRegister = 39;

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
    std::vector<uint8_t> s(28, 0);  // indexed as the reply: echo and spare byte first
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

std::vector<uint8_t> capturedInfoFrame(const DeviceModel& device, uint8_t reg) {
    const SimulatedSource* source = activeSource(device);
    if (!source) return {};
    switch (reg) {
        case spdRegister: {
            std::vector<uint8_t> payload(25, 0);
            std::copy_n(source->vendor.begin(), std::min<std::size_t>(source->vendor.size(), 8), payload.begin());
            std::copy_n(source->product.begin(), std::min<std::size_t>(source->product.size(), 16),
                        payload.begin() + 8);
            payload[24] = source->sourceInfo;
            return infoFrame(0x83, 0x01, payload);
        }
        case hdrRegister: {
            // An activated custom HDR InfoFrame is what the display gets, as far as the block holds.
            const InfoFrameState& custom = device.infoFrames;
            if (custom.hdrActive && !custom.hdr.empty())
                return {custom.hdr.begin(),
                        custom.hdr.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                 custom.hdr.size(), protocol::infoFrameBlockCount - 2))};
            if (!source->hdr) return {};
            // BT.2020 primaries (green, blue, red, as UHD sources index them) and D65 in units of 0.00002,
            // 1000 cd/m2 mastering, MaxCLL 1000, MaxFALL 400.
            const std::array<uint16_t, 12> values{8500,  39850, 6550, 2300, 35400, 14600,
                                                  15635, 16450, 1000, 50,   1000,  400};
            std::vector<uint8_t> payload{source->eotf, 0x00};
            for (uint16_t v : values) {
                payload.push_back(static_cast<uint8_t>(v));
                payload.push_back(static_cast<uint8_t>(v >> 8));
            }
            return infoFrame(0x87, 0x01, payload);
        }
        case vendor1Register: {
            // HDMI 1.4 vendor InfoFrame; the device keeps its version byte as 0.
            if (source->threeD) return infoFrame(0x81, 0x00, {0x03, 0x0C, 0x00, hdmi3d, source->structure3d});
            if (auto vic = hdmiVic(source->videoCode))
                return infoFrame(0x81, 0x00, {0x03, 0x0C, 0x00, hdmiExtendedResolution, *vic});
            return {};
        }
        case vendor2Register: {
            // HDMI Forum vendor InfoFrame of a 2160p50/60 source.
            if (!needsForumVendorFrame(source->videoCode)) return {};
            return infoFrame(0x81, 0x00, {0xD8, 0x5D, 0xC4, 0x01, 0x00});
        }
        case audioRegister: {
            if (!source->audio) return {};
            std::vector<uint8_t> payload(10, 0);
            payload[0] = 0x01;  // two channels, coding from the stream
            return infoFrame(0x84, 0x01, payload);
        }
        case aviRegister: {
            std::vector<uint8_t> payload(13, 0);
            payload[0] = aviByte1(source->colorFormat);
            payload[1] = aviByte2(source->colorimetry);
            payload[2] = aviByte3(source->extendedColorimetry, source->quantization);
            // 2160p24/25/30 travel as HDMI_VIC in the vendor InfoFrame, with VIC 0 here.
            payload[3] = hdmiVic(source->videoCode) && !source->threeD ? 0 : source->videoCode;
            return infoFrame(0x82, 0x02, payload);
        }
        default: return {};
    }
}

nlohmann::json sourceJson(const SimulatedSource& s) {
    return {{"connected", s.connected},
            {"videoCode", s.videoCode},
            {"pixelClockKhz", s.pixelClockKhz},
            {"colorFormat", s.colorFormat},
            {"depth", s.depth},
            {"colorimetry", s.colorimetry},
            {"extendedColorimetry", s.extendedColorimetry},
            {"quantization", s.quantization},
            {"hdr", s.hdr},
            {"eotf", s.eotf},
            {"threeD", s.threeD},
            {"structure3d", s.structure3d},
            {"hdcp", s.hdcp},
            {"vendor", s.vendor},
            {"product", s.product},
            {"sourceInfo", s.sourceInfo},
            {"audio", s.audio}};
}

// Missing keys keep what the source had.
void loadSource(SimulatedSource& s, const nlohmann::json& j) {
    s.connected = j.value("connected", s.connected);
    s.videoCode = j.value("videoCode", s.videoCode);
    s.pixelClockKhz = j.value("pixelClockKhz", s.pixelClockKhz);
    s.colorFormat = j.value("colorFormat", s.colorFormat);
    s.depth = j.value("depth", s.depth);
    s.colorimetry = j.value("colorimetry", s.colorimetry);
    s.extendedColorimetry = j.value("extendedColorimetry", s.extendedColorimetry);
    s.quantization = j.value("quantization", s.quantization);
    s.hdr = j.value("hdr", s.hdr);
    s.eotf = j.value("eotf", s.eotf);
    s.threeD = j.value("threeD", s.threeD);
    s.structure3d = j.value("structure3d", s.structure3d);
    s.hdcp = j.value("hdcp", s.hdcp);
    s.vendor = j.value("vendor", s.vendor);
    s.product = j.value("product", s.product);
    s.sourceInfo = j.value("sourceInfo", s.sourceInfo);
    s.audio = j.value("audio", s.audio);
}

// A scripted block's key is its register number in decimal; no other key names a register.
uint8_t registerKey(const std::string& key) {
    const bool digits = !key.empty() && key.size() <= 3 &&
                        std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int reg = digits ? std::stoi(key) : -1;
    if (reg < 0 || reg > 255) throw std::runtime_error("scripted block '" + key + "' is not a register 0-255");
    return static_cast<uint8_t>(reg);
}

}  // namespace

std::optional<Reply> answerReportFrame(DeviceModel&, std::span<const uint8_t> request) {
    if (request.size() < 4 || request[0] != protocol::requestWrite || request[1] != reportFrameLength)
        return std::nullopt;
    if (request[2] != protocol::commandReportOpen && request[2] != protocol::commandReportClose) return std::nullopt;
    return Reply{request[2], 0x00};
}

std::optional<Reply> reportRegister(const DeviceModel& device, uint8_t reg, uint8_t count) {
    if (auto scripted = device.report.scriptedBlocks.find(reg); scripted != device.report.scriptedBlocks.end())
        return registerReply(count, scripted->second);
    switch (reg) {
        case protocol::statusBlock.reg: {
            const auto s = statusBytes(device);
            return registerReply(count, std::span(s).subspan(2));
        }
        case spdRegister:
        case hdrRegister:
        case vendor1Register:
        case vendor2Register:
        case audioRegister:
        case aviRegister: return registerReply(count, capturedInfoFrame(device, reg));
        case protocol::displayNameBlock.reg: return registerReply(count, displayMonitorName(device.edid));
        default: return std::nullopt;
    }
}

nlohmann::json saveState(const ReportState& state) {
    nlohmann::json ports = nlohmann::json::array();
    for (const auto& source : state.ports) ports.push_back(sourceJson(source));
    nlohmann::json scripted = nlohmann::json::object();
    for (const auto& [reg, bytes] : state.scriptedBlocks) scripted[std::to_string(reg)] = bytes;
    return {{"ports", ports}, {"display2160p", state.display2160p}, {"scriptedBlocks", scripted}};
}

void loadState(ReportState& state, const nlohmann::json& j) {
    if (j.contains("ports"))
        for (std::size_t i = 0; i < state.ports.size() && i < j.at("ports").size(); ++i)
            loadSource(state.ports[i], j.at("ports").at(i));
    state.display2160p = j.value("display2160p", state.display2160p);
    if (j.contains("scriptedBlocks"))
        for (const auto& [key, bytes] : j.at("scriptedBlocks").items())
            state.scriptedBlocks[registerKey(key)] = bytes.get<std::vector<uint8_t>>();
}

}  // namespace brixel::sim
