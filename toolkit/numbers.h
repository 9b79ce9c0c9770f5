// SPDX-License-Identifier: MIT
#pragma once
// Strict parsing of numbers people type. Pure.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace brixel::toolkit {

// Decimal, or hexadecimal with 0x; the whole text, nothing else.
inline std::optional<unsigned long> parseNumber(std::string_view text, unsigned long max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

inline std::optional<uint8_t> parseByte(std::string_view text) {
    if (auto v = parseNumber(text, 255)) return static_cast<uint8_t>(*v);
    return std::nullopt;
}

}  // namespace brixel::toolkit
