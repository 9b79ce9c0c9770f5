// SPDX-License-Identifier: MIT
#pragma once
// Bytes as hex text and back, for people and for state files.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::text {

enum class HexCase { lower, upper };

inline std::string hexByte(uint8_t byte, HexCase letters = HexCase::lower) {
    const char* digits = letters == HexCase::lower ? "0123456789abcdef" : "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

// "0a:1b:2c" with separator ":", "0a1b2c" with none.
inline std::string hexBytes(std::span<const uint8_t> bytes, std::string_view separator = "",
                            HexCase letters = HexCase::lower) {
    std::string out;
    out.reserve(bytes.size() * (2 + separator.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += separator;
        out += hexByte(bytes[i], letters);
    }
    return out;
}

inline std::optional<uint8_t> hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

// Pairs of hex digits, with blanks or colons allowed between pairs; nullopt on
// anything else or an odd digit.
inline std::optional<std::vector<uint8_t>> bytesFromHex(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == ':' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const auto high = hexDigitValue(c);
        const auto low = hexDigitValue(text[i + 1]);
        if (!high || !low) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(*high << 4 | *low));
        i += 2;
    }
    return bytes;
}

}  // namespace brixel::text
