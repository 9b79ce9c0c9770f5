// SPDX-License-Identifier: MIT
#pragma once
// InfoFrames as bytes: the type and version of each kind the device reports,
// the checksum that makes a frame add up to 0 modulo 256, and the HDR (Dynamic
// Range and Mastering) InfoFrame built from values. Pure and header-only, so
// that tools read it with the tables.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brixel::infoframe {

// Header bytes 0 and 1.
struct TypeAndVersion {
    uint8_t type;
    uint8_t version;
};
inline constexpr TypeAndVersion vendor{0x81, 0x00};
inline constexpr TypeAndVersion avi{0x82, 0x02};
inline constexpr TypeAndVersion spd{0x83, 0x01};
inline constexpr TypeAndVersion audio{0x84, 0x01};
inline constexpr TypeAndVersion drm{0x87, 0x01};

// Type, version, length, checksum; the payload follows.
inline constexpr std::size_t headerSize = 4;
inline constexpr std::size_t checksumIndex = 3;

constexpr unsigned byteSum(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (const uint8_t b : bytes) sum += b;
    return sum;
}

// The checksum byte for a frame whose other bytes add up to `sum`.
constexpr uint8_t checksumForSum(unsigned sum) { return static_cast<uint8_t>((0x100u - (sum & 0xFFu)) & 0xFFu); }

constexpr bool checksumHolds(std::span<const uint8_t> bytes) { return (byteSum(bytes) & 0xFFu) == 0; }

// What setAviIf and setHdrIf take: a whole AVI InfoFrame (13 payload bytes), a
// whole InfoFrame packet (27), and at least two bytes of either.
inline constexpr std::size_t aviMaxBytes = 17;
inline constexpr std::size_t hdrMaxBytes = 31;
inline constexpr std::size_t minBytes = 2;

// The length of their text: two hex digits a byte, one colon between bytes.
constexpr std::size_t textLengthOf(std::size_t bytes) { return 3 * bytes - 1; }

// ---- The HDR InfoFrame from values ----------------------------------------------

struct Chromaticity {
    double x = 0;
    double y = 0;
};

enum class TransferFunction : uint8_t { sdr = 0, hdr = 1, pq = 2, hlg = 3 };

struct HdrMetadata {
    TransferFunction eotf = TransferFunction::pq;
    Chromaticity red, green, blue, white;
    double maxLuminance = 1000;   // cd/m², whole
    double minLuminance = 0.005;  // cd/m², in steps of 0.0001
    double maxCll = 0;            // cd/m², whole
    double maxFall = 0;           // cd/m², whole
};

struct Primaries {
    std::string_view name;
    Chromaticity red, green, blue;
};

inline constexpr std::array<Primaries, 3> primaryPresets{{
    {"bt2020", {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}},
    {"p3", {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}},
    {"bt709", {0.640, 0.330}, {0.300, 0.600}, {0.150, 0.060}},
}};
inline constexpr Chromaticity whiteD65{0.3127, 0.3290};

inline constexpr uint8_t drmPayloadLength = 26;
inline constexpr std::size_t drmInfoFrameSize = headerSize + drmPayloadLength;

// Chromaticity coordinates travel in steps of 0.00002, luminance in whole
// cd/m² except the minimum, in steps of 0.0001 cd/m².
inline constexpr double chromaticityStep = 0.00002;
inline constexpr double minLuminanceStep = 0.0001;

namespace detail {

// std::lround, usable in a constant expression: halves away from zero. Exact
// for any value a field takes, since x minus its whole part loses nothing.
constexpr long roundedHalfAway(double x) {
    const auto whole = static_cast<long>(x);
    const double rest = x - static_cast<double>(whole);
    if (rest >= 0.5) return whole + 1;
    if (rest <= -0.5) return whole - 1;
    return whole;
}

constexpr uint16_t fieldValue(double value, double step) {
    return static_cast<uint16_t>(roundedHalfAway(value / step));
}

inline void checkRange(std::vector<std::string>& problems, const std::string& name, double value, double low,
                       double high) {
    if (std::isfinite(value) && value >= low && value <= high) return;
    char text[160];
    std::snprintf(text, sizeof text, "%s %g is outside %g to %g", name.c_str(), value, low, high);
    problems.push_back(text);
}

}  // namespace detail

// Problems with the values: each must fit its field.
inline std::vector<std::string> hdrMetadataProblems(const HdrMetadata& m) {
    std::vector<std::string> problems;
    const std::pair<const char*, Chromaticity> points[] = {
        {"red", m.red}, {"green", m.green}, {"blue", m.blue}, {"white point", m.white}};
    for (const auto& [name, point] : points) {
        detail::checkRange(problems, std::string(name) + " x", point.x, 0.0, 1.0);
        detail::checkRange(problems, std::string(name) + " y", point.y, 0.0, 1.0);
    }
    detail::checkRange(problems, "mastering max luminance (cd/m2)", m.maxLuminance, 0.0, 65535.0);
    detail::checkRange(problems, "mastering min luminance (cd/m2)", m.minLuminance, 0.0, 65535 * minLuminanceStep);
    detail::checkRange(problems, "MaxCLL (cd/m2)", m.maxCll, 0.0, 65535.0);
    detail::checkRange(problems, "MaxFALL (cd/m2)", m.maxFall, 0.0, 65535.0);
    return problems;
}

// The header, then the static metadata descriptor of type 1, 16-bit fields low
// byte first. The values are ones hdrMetadataProblems passes.
constexpr std::array<uint8_t, drmInfoFrameSize> buildDrmInfoFrame(const HdrMetadata& m) {
    std::array<uint8_t, drmInfoFrameSize> frame{
        drm.type, drm.version, drmPayloadLength, 0x00, static_cast<uint8_t>(m.eotf), 0x00};
    std::size_t at = headerSize + 2;
    const auto put = [&](uint16_t word) {
        frame[at++] = static_cast<uint8_t>(word & 0xFF);
        frame[at++] = static_cast<uint8_t>(word >> 8);
    };
    // The display primaries go green, blue, red: the index order of H.265's mastering display colour volume SEI.
    for (const Chromaticity& p : {m.green, m.blue, m.red, m.white}) {
        put(detail::fieldValue(p.x, chromaticityStep));
        put(detail::fieldValue(p.y, chromaticityStep));
    }
    put(detail::fieldValue(m.maxLuminance, 1.0));
    put(detail::fieldValue(m.minLuminance, minLuminanceStep));
    put(detail::fieldValue(m.maxCll, 1.0));
    put(detail::fieldValue(m.maxFall, 1.0));
    frame[checksumIndex] = checksumForSum(byteSum(frame));
    return frame;
}

static_assert(checksumHolds(buildDrmInfoFrame(HdrMetadata{})));

}  // namespace brixel::infoframe
