// SPDX-License-Identifier: MIT
#pragma once
// Code points as UTF-8: how wide warning texts, USB string descriptors and
// Latin-1 names from the device reach a terminal or a JSON document.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brixel::text {

inline void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 as UTF-8: a pair of surrogates is one character, a lone one becomes
// U+FFFD. Units wider than 16 bits (Linux's wchar_t) pass as code points.
template <typename Unit>
std::string utf8FromUtf16(std::basic_string_view<Unit> units) {
    constexpr uint32_t replacement = 0xFFFD;
    const auto high = [](uint32_t u) { return u >= 0xD800 && u < 0xDC00; };
    const auto low = [](uint32_t u) { return u >= 0xDC00 && u < 0xE000; };
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto u = static_cast<uint32_t>(units[i]);
        if (high(u) && i + 1 < units.size() && low(static_cast<uint32_t>(units[i + 1]))) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (static_cast<uint32_t>(units[++i]) - 0xDC00));
        } else {
            appendUtf8(out, high(u) || low(u) ? replacement : u);
        }
    }
    return out;
}

}  // namespace brixel::text
