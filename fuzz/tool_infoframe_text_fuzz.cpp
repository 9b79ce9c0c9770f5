// SPDX-License-Identifier: MIT
// brixelctl's InfoFrame text check on any text: it passes exactly the texts of
// two to the most bytes, two hex digits each, one colon between; what it
// passes gives those bytes, writes back as the same text in upper case, and
// the library's own parser reads the same bytes from it.
//
// Input: a byte that picks the AVI (17 bytes) or the HDR (31 bytes) limit, then the text.

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "infoframe/hex_text.h"
#include "toolkit/infoframe_text.h"

namespace {

// Pairs of hex digits with single colons between; empty for any other text.
std::vector<uint8_t> wellFormed(std::string_view text) {
    if (text.size() % 3 != 2) return {};
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
        if (!hex(text[i]) || !hex(text[i + 1]) || (i + 2 < text.size() && text[i + 2] != ':')) return {};
        bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(text.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    namespace tool = brixel::toolkit;
    brixel::fuzz::Input in(data, size);
    const std::size_t maxBytes = in.flag() ? 31 : 17;
    const auto rest = in.rest();
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

    const auto problems = tool::infoFrameTextProblems(text, maxBytes);
    const auto expected = wellFormed(text);
    const bool fits = expected.size() >= 2 && expected.size() <= maxBytes;
    FUZZ_CHECK(problems.empty() == fits);
    // At most eight problems listed, a count of the rest, and the byte count;
    // each listed one names a position within the text.
    FUZZ_CHECK(problems.size() <= 10);
    for (const auto& problem : problems) {
        FUZZ_CHECK(!problem.empty());
        if (problem.rfind("position ", 0) != 0) continue;
        const std::size_t position = std::stoul(problem.substr(9));
        FUZZ_CHECK(position >= 1 && position <= text.size());
    }
    if (!fits) return 0;

    FUZZ_CHECK(tool::infoFrameTextBytes(text) == expected);
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
    FUZZ_CHECK(tool::infoFrameText(expected) == upper);

    // What the tool lets through, the library reads as the same bytes.
    std::string withReturn(text);
    withReturn += '\r';
    std::array<uint8_t, 100> area{};
    const uint8_t count = brixel::parseHexBytes(withReturn, area, withReturn.size());
    FUZZ_CHECK(count == expected.size() && std::equal(expected.begin(), expected.end(), area.begin()));
    return 0;
}
