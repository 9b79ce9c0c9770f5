// SPDX-License-Identifier: MIT
#include "infoframe/hex_text.h"

#include <algorithm>

#include "infoframe/infoframe_bytes.h"

namespace brixel {
namespace {

constexpr char separator = ':';

}  // namespace

uint8_t parseHexBytes(std::span<const char> text, InfoFrameBytes bytes, std::size_t span) {
    std::fill(bytes.begin(), bytes.end(), uint8_t{0});
    const auto at = [&](std::ptrdiff_t j) {
        return j >= 0 && static_cast<std::size_t>(j) < text.size() ? text[static_cast<std::size_t>(j)] : '\0';
    };
    std::size_t i = 0;
    std::ptrdiff_t anchor = 0;
    const auto end = static_cast<std::ptrdiff_t>(std::min(span, text.size()));
    // The last slot is kept for the byte after the final colon.
    for (std::ptrdiff_t j = 0; j < end && i + 1 < bytes.size(); ++j) {
        if (at(j) != separator) continue;
        bytes[i++] = hexPairValue(at(j - 2), at(j - 1));
        anchor = j;
        if (at(j + 3) != separator) break;
    }
    bytes[i] = hexPairValue(at(anchor + 1), at(anchor + 2));
    return static_cast<uint8_t>(i + 1);
}

uint8_t hdrChecksum(std::span<const uint8_t, protocol::infoFrameAreaSize> bytes, std::size_t count) {
    unsigned sum = infoframe::drm.type + infoframe::drm.version + bytes[2];
    for (std::size_t k = infoframe::headerSize; k < std::min(count, bytes.size()); ++k) sum += bytes[k];
    return infoframe::checksumForSum(sum);
}

}  // namespace brixel
