#pragma once
// What brixelctl checks in InfoFrame text before the library sees it, and the
// HDR (Dynamic Range and Mastering) InfoFrame built from values. Pure.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::cli {

// Every problem in `text`, each naming its 1-based character position: two hex
// digits per byte, one colon between bytes, 2 to `maxBytes` bytes.
std::vector<std::string> infoFrameTextProblems(std::string_view text, std::size_t maxBytes);

// The bytes of a text that passed the check.
std::vector<uint8_t> infoFrameTextBytes(std::string_view text);

// "87:01:1A:..." in upper-case hex.
std::string infoFrameText(std::span<const uint8_t> bytes);

// True when the bytes add up to 0 modulo 256, as an InfoFrame's checksum makes them.
bool checksumHolds(std::span<const uint8_t> bytes);

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

inline constexpr std::size_t drmInfoFrameSize = 30;

// Problems with the values: each must fit its field.
std::vector<std::string> hdrMetadataProblems(const HdrMetadata& metadata);

// Type 0x87, version 1, length 26, checksum, then the static metadata
// descriptor of type 1, 16-bit fields low byte first.
std::array<uint8_t, drmInfoFrameSize> buildDrmInfoFrame(const HdrMetadata& metadata);

}  // namespace brixel::cli
