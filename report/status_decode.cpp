// SPDX-License-Identifier: MIT
#include "report/status_decode.h"

#include <cstdio>
#include <cstring>

#include "infoframe/infoframe_bytes.h"
#include "protocol/registers.h"
#include "report/status_fields.h"
#include "report/video_formats.h"

namespace brixel {
namespace {

constexpr std::size_t fieldSize = sizeof(VIDEO_STATUS::input);
using Field = char[fieldSize];

// snprintf with the field's size: no name byte a device sends can overrun it.
void put(Field& field, const char* text) { std::snprintf(field, fieldSize, "%s", text); }

// Appends like filling "%s<suffix>" with the text so far.
void append(Field& field, std::string_view suffix) {
    const std::size_t used = strnlen(field, fieldSize);
    std::snprintf(field + used, fieldSize - used, "%.*s", static_cast<int>(suffix.size()), suffix.data());
}

// Status block byte positions.
enum StatusByte : std::size_t {
    structure3d = 2,
    inputCode = 3,
    downscaled = 4,
    downscaledDepth = 5,
    upscaled = 6,
    outputDepth = 8,
    clockLow = 9,
    clockMid = 10,
    clockHigh = 11,
    outAvi1 = 13,
    outAvi2 = 14,
    outAvi3 = 15,
    inputHdcp = 16,
    outputHdcp = 17,
    inputDepth = 18,
    hdmiVideoFormat = 20,
    outputCode = 21,
    sinkLimited = 26,
    gate = 27,
};

// InfoFrame block byte positions: the InfoFrame as it was received.
constexpr std::size_t ifType = protocol::replyDataOffset;
constexpr std::size_t ifVersion = ifType + 1;
constexpr std::size_t ifLength = ifType + 2;
constexpr std::size_t ifData1 = ifType + infoframe::headerSize;
// A 33-byte block ends with byte 32: at most 31 InfoFrame bytes.
constexpr std::size_t ifMaxBytes = protocol::infoFrameBlockCount - ifType;

constexpr uint8_t format422 = 0x20;
constexpr uint8_t format420 = 0x60;
constexpr uint8_t hdmi3d = 0x40;

struct Structure3d {
    uint8_t code;
    std::string_view suffix;
};
constexpr std::array<Structure3d, 3> structures3d{{
    {0x00, " Frame Packed 3D,"},
    {0x60, " Top/Bottom 3D,"},
    {0x80, " Side-by-side 3D,"},
}};

// Indexed by colour format >> 5.
constexpr std::array<std::string_view, 4> colorFormats{" RGB", " YCbCr 4:2:2", " YCbCr 4:4:4", " YCbCr 4:2:0"};
// Indexed by colorimetry >> 6; "Extended" is followed by the extended colorimetry.
constexpr std::array<std::string_view, 4> colorimetries{"", " SMPTE 170M", " ITU-R BT.709", " Extended"};
// Indexed by extended colorimetry >> 4.
constexpr std::array<std::string_view, 8> extendedColorimetries{
    " xvYCC601", " xvYCC709", " sYCC601", " AdobeYCC601", " AdobeRGB", " ITU-R BT.2020 YcCbcCrc", " ITU-R BT.2020", ""};

struct Hdcp {
    uint8_t code;
    std::string_view input;
    std::string_view output;
};
constexpr std::array<Hdcp, 3> hdcpStates{{
    {0x14, " HDCP 1.4", " HDCP 1.4"},
    {0x22, "  HDCP 2.2", " HDCP 2.2"},
    {0x55, " None", " None"},
}};

constexpr std::array<std::string_view, 3> eotfs{" Not Active", " HDR Luminance Range", " SMPTE ST 2084"};

// Q = P x ratio(K) / ratio(J), the operations in this order; a factor of 0 is skipped.
struct DepthConversion {
    double multiply1;
    double multiply2;
    double divide;
    bool integerHalf;
};
constexpr std::array<std::array<DepthConversion, 4>, 4> depthConversions{{
    {{{0, 0, 0, false}, {1.25, 0, 0, false}, {1.5, 0, 0, false}, {2.0, 0, 0, false}}},
    {{{0, 0, 1.25, false}, {0, 0, 0, false}, {1.5, 0, 1.25, false}, {2.0, 0, 1.25, false}}},
    {{{0, 0, 1.5, false}, {1.25, 0, 1.5, false}, {0, 0, 0, false}, {2.0, 0, 1.5, false}}},
    {{{0, 0, 0, true}, {1.25, 0.5, 0, false}, {1.5, 0.5, 0, false}, {0, 0, 0, false}}},
}};

// A 4:2:2 output's clock, from P alone, by J.
constexpr std::array<DepthConversion, 4> output422Conversions{
    {{0, 0, 0, false}, {0, 0, 1.25, false}, {0, 0, 1.5, false}, {0.5, 0, 0, false}}};

int32_t convert(long p, const DepthConversion& c) {
    if (c.integerHalf) return static_cast<int32_t>(p / 2);
    double value = static_cast<double>(p);
    if (c.multiply1 != 0) value *= c.multiply1;
    if (c.multiply2 != 0) value *= c.multiply2;
    if (c.divide != 0) value /= c.divide;
    return static_cast<int32_t>(value);
}

constexpr std::array<std::string_view, 4> depths{" 8-bit", " 10-bit", " 12-bit", " 16-bit"};
constexpr std::string_view upTo12 = " up to 12-bit";
constexpr uint8_t depthSameAsInput = 4;

constexpr long hdmi20LimitKhz = 640000;

bool passes(const StatusBlocks::Block& block, infoframe::TypeAndVersion kind) {
    return block[ifType] == kind.type && block[ifVersion] == kind.version && block[ifLength] >= 1;
}

// Type, version, length, checksum and payload, as "82:02:0d:..."; a length
// past the block's end is cut there.
void putInfoFrameHex(Field& field, const StatusBlocks::Block& block, infoframe::TypeAndVersion kind) {
    field[0] = '\0';
    if (!passes(block, kind)) return;
    const std::size_t bytes = std::min<std::size_t>(block[ifLength] + infoframe::headerSize, ifMaxBytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02x" : ":%02x", block[ifType + i]);
        append(field, hex);
    }
}

// Bytes [first, first + size) up to the first NUL.
std::string_view textIn(const StatusBlocks::Block& block, std::size_t first, std::size_t size) {
    const char* start = reinterpret_cast<const char*>(block.data() + first);
    return {start, strnlen(start, size)};
}

void putInput(Field& field, const StatusBlocks::Block& s, const char* name) {
    put(field, "Input : ");
    append(field, name);
    // Another structure byte with the 3D flag has no text of its own: the plain form.
    if (s[hdmiVideoFormat] != hdmi3d) return;
    for (const auto& structure : structures3d)
        if (s[structure3d] == structure.code) append(field, structure.suffix);
}

void putOutput(Field& field, const StatusBlocks::Block& s, const char* name) {
    put(field, "Output : ");
    append(field, name);
    if (s[downscaled] != 0)
        append(field, " [downscaled]");
    else if (s[upscaled] != 0)
        append(field, " [upscaled]");
}

void putColorSpace(Field& field, const char* label, uint8_t b1, uint8_t b2, uint8_t b3) {
    put(field, label);
    const uint8_t format = b1 & 0x60;
    append(field, colorFormats[format >> 5]);
    if (format == 0x00) append(field, (b3 & 0x0C) == 0x04 ? " 16-235" : " 0-255");
    const uint8_t colorimetry = b2 & 0xC0;
    append(field, colorimetries[colorimetry >> 6]);
    if (colorimetry == 0xC0) append(field, extendedColorimetries[(b3 & 0x70) >> 4]);
}

long outputClock(const StatusBlocks::Block& s, long p, uint8_t fIn, uint8_t fOut) {
    const uint8_t j = s[inputDepth];
    const uint8_t k = s[outputDepth];
    int32_t q = static_cast<int32_t>(p);
    if (fOut == format422) {
        // A 4:2:2 output is figured from P alone, so a 4:2:0 input is not doubled.
        if (j < output422Conversions.size()) q = convert(p, output422Conversions[j]);
    } else {
        if (j < depthConversions.size() && k < depthConversions[j].size()) q = convert(p, depthConversions[j][k]);
        if (!(fOut == format420 && fIn == format420)) {
            if (fOut == format420)
                q /= 2;
            else if (fIn == format420)
                q *= 2;
        }
    }
    if (s[downscaled] != 0)
        q /= 4;
    else if (s[upscaled] != 0)
        q *= 4;
    return q;
}

// A line the application renders red.
void putWarning(Field& field, const char* text) {
    field[0] = '\0';
    append(field, warningOpen);
    append(field, text);
    append(field, warningClose);
}

void putOutputClock(Field& field, const StatusBlocks::Block& s, long p, uint8_t fIn, uint8_t fOut) {
    const long q = outputClock(s, p, fIn, fOut);
    if (q > hdmi20LimitKhz) {
        Field text;
        std::snprintf(text, fieldSize, "Output Pixel Clock: %ld [over HDMI2.0 limit]", q);
        putWarning(field, text);
    } else if (fOut == format422 && s[outputDepth] == 3) {
        putWarning(field, "Output Pixel Clock: N/A [422 16bit not supported]");
    } else {
        std::snprintf(field, fieldSize, "Output Pixel Clock: %ld", q);
    }
}

void putEncryption(VIDEO_STATUS& status, const StatusBlocks::Block& s) {
    put(status.inEncryption, "Input Encryption:");
    put(status.outEncryption, "Output Encryption: ");
    for (const auto& state : hdcpStates) {
        if (s[inputHdcp] == state.code) append(status.inEncryption, state.input);
        if (s[outputHdcp] == state.code) append(status.outEncryption, state.output);
    }
}

// The depth text of code 0 to 3; code 0 of a 4:2:2 format reads `zeroOf422`.
void appendDepth(Field& field, uint8_t code, bool is422, std::string_view zeroOf422) {
    if (code >= depths.size()) return;
    append(field, code == 0 && is422 ? zeroOf422 : depths[code]);
}

void putDeepColor(VIDEO_STATUS& status, const StatusBlocks::Block& s, uint8_t fIn, uint8_t fOut) {
    const uint8_t j = s[inputDepth];
    put(status.inDeepColor, "Input Deep Color:");
    appendDepth(status.inDeepColor, j, fIn == format422, upTo12);

    put(status.outDeepColor, "Output Deep Color:");
    const bool downscaling = s[downscaled] != 0;
    const uint8_t code = downscaling ? s[downscaledDepth] : s[outputDepth];
    if (code == depthSameAsInput)
        appendDepth(status.outDeepColor, j, fIn == format422, downscaling ? depths[2] : upTo12);
    else
        // While downscaling code 0 is plain 8-bit, whatever the format.
        appendDepth(status.outDeepColor, code, !downscaling && fOut == format422, upTo12);
}

void putSourceName(Field& field, const StatusBlocks::Block& spd) {
    if (!passes(spd, infoframe::spd)) {
        put(field, "Source Name: no info received");
        return;
    }
    put(field, "Source Name: ");
    append(field, textIn(spd, ifData1, 8));
    append(field, " ");
    append(field, textIn(spd, ifData1 + 8, 16));
}

void putHdrInput(Field& field, const StatusBlocks::Block& hdr) {
    if (!passes(hdr, infoframe::drm)) {
        put(field, "HDR Input: Not Active");
        return;
    }
    put(field, "HDR input: ");
    const uint8_t eotf = hdr[ifData1];
    if (eotf < eotfs.size()) append(field, eotfs[eotf]);
}

void putDisplayName(Field& field, const StatusBlocks::Block& block) {
    constexpr std::size_t first = protocol::replyDataOffset;
    constexpr std::size_t size = protocol::displayNameBlock.count - first;
    std::size_t length = 0;
    while (length < size && block[first + length] != 0 && block[first + length] != 0x0A) ++length;
    put(field, "Display Name: ");
    append(field, std::string_view(reinterpret_cast<const char*>(block.data() + first), length));
}

}  // namespace

bool reportGateOpen(const StatusBlocks& blocks) {
    const uint8_t gateByte = blocks.status[gate];
    return gateByte == 8 || gateByte == 10;
}

void writeStartingLabels(VIDEO_STATUS& status) {
    put(status.input, "Input :");
    put(status.output, "Output :");
    put(status.inColorSpace, "In Color Space:");
    put(status.outColorSpace, "Out Color Space:");
    put(status.inPixelClock, "Input Pixel Clock:");
    put(status.outPixelClock, "Output Pixel Clock:");
    put(status.sourceName, "Source Name:");
    put(status.hdrInput, "HDR Input:");
    put(status.inEncryption, "Input Encryption:");
    put(status.outEncryption, "Output Encryption:");
    put(status.inDeepColor, "Input Deep Color:");
    put(status.outDeepColor, "Output Deep Color:");
    put(status.displayName, "Display Name:");
}

void decodeVideoStatus(const StatusBlocks& blocks, VIDEO_STATUS& status) {
    writeStartingLabels(status);
    if (!reportGateOpen(blocks)) return;
    const auto& s = blocks.status;
    const auto& avi = blocks.avi;

    char shortName[shortNameSize];
    char inputName[longNameSize];
    char outputName[longNameSize];
    lookupVideoFormat(s[inputCode], shortName, inputName);
    lookupVideoFormat(s[outputCode], shortName, outputName);

    putInput(status.input, s, inputName);
    putOutput(status.output, s, outputName);

    // The input's colour space comes from the AVI block whether or not it passes.
    putColorSpace(status.inColorSpace, "In Color Space:", avi[ifData1], avi[ifData1 + 1], avi[ifData1 + 2]);
    putColorSpace(status.outColorSpace, "Out Color Space:", s[outAvi1], s[outAvi2], s[outAvi3]);
    const uint8_t fIn = avi[ifData1] & 0x60;
    const uint8_t fOut = s[outAvi1] & 0x60;

    const long p = s[clockLow] + 256L * s[clockMid] + 65536L * s[clockHigh];
    std::snprintf(status.inPixelClock, fieldSize, "Input Pixel Clock: %ld", p);
    putOutputClock(status.outPixelClock, s, p, fIn, fOut);

    put(status.sinkEdidLimited, s[sinkLimited] != 0 ? "[Sink EDID limited]" : "");

    putInfoFrameHex(status.spdIfHex, blocks.spd, infoframe::spd);
    putInfoFrameHex(status.vsIfHex1, blocks.vendor1, infoframe::vendor);
    putInfoFrameHex(status.audioIfHex, blocks.audio, infoframe::audio);
    putInfoFrameHex(status.vsIfHex2, blocks.vendor2, infoframe::vendor);
    putInfoFrameHex(status.aviIfHex, blocks.avi, infoframe::avi);
    putInfoFrameHex(status.hdrIfHex, blocks.hdr, infoframe::drm);

    putSourceName(status.sourceName, blocks.spd);
    putHdrInput(status.hdrInput, blocks.hdr);
    putEncryption(status, s);
    putDeepColor(status, s, fIn, fOut);
    putDisplayName(status.displayName, blocks.displayName);
}

}  // namespace brixel
