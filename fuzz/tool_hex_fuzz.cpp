// SPDX-License-Identifier: MIT
// The hex parsers the tool and the state file share, and the tool's number
// parser, on any text: bytes from hex agree with reading the pairs by hand and
// write back as the same digits; a number is taken exactly when the whole text
// is one decimal or 0x number within its limit.
//
// Input: a byte that picks the number's limit, then the text.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "text/hex.h"
#include "toolkit/numbers.h"

namespace {

bool blank(char c) { return c == ' ' || c == ':' || c == '\t' || c == '\n' || c == '\r'; }

// Pairs of hex digits with blanks or colons anywhere between pairs.
std::optional<std::vector<uint8_t>> pairsByHand(std::string_view text) {
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (blank(text[i])) continue;
        if (i + 1 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
            return std::nullopt;
        digits += text.substr(i, 2);
        ++i;
    }
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The whole text one number: decimal digits, or 0x and hex digits.
std::optional<unsigned long> numberByHand(std::string_view text, unsigned long max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return std::nullopt;
    const std::string digits(text);
    errno = 0;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, base);
    if (errno == ERANGE || value > max) return std::nullopt;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    namespace tool = brixel::toolkit;
    brixel::fuzz::Input in(data, size);
    const unsigned long max = in.flag() ? 255 : 0xFFFFFFFFul;
    const auto rest = in.rest();
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

    const auto bytes = brixel::text::bytesFromHex(text);
    const auto byHand = pairsByHand(text);
    FUZZ_CHECK(bytes.has_value() == byHand.has_value());
    if (bytes) {
        FUZZ_CHECK(*bytes == *byHand);
        const auto written = brixel::text::hexBytes(*bytes, ":");
        FUZZ_CHECK(brixel::text::bytesFromHex(written) == bytes);
        FUZZ_CHECK(written.size() == (bytes->empty() ? 0 : 3 * bytes->size() - 1));
    }

    FUZZ_CHECK(tool::parseNumber(text, max) == numberByHand(text, max));
    const auto byte = tool::parseByte(text);
    const auto byteByHand = numberByHand(text, 255);
    FUZZ_CHECK(byte.has_value() == byteByHand.has_value() && (!byte || *byte == *byteByHand));
    return 0;
}
