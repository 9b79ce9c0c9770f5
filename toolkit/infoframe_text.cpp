#include "toolkit/infoframe_text.h"

#include <algorithm>

#include "text/hex.h"
#include "text/plural.h"

namespace brixel::toolkit {
namespace {

constexpr std::size_t maxListed = 8;

bool isHex(char c) { return text::hexDigitValue(c).has_value(); }

std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string{'\'', c, '\''};
    return "0x" + text::hexByte(byte, text::HexCase::upper);
}

std::string at(std::size_t index) { return "position " + std::to_string(index + 1) + ": "; }

}  // namespace

std::string colonSeparated(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    if (text.find(':') != std::string_view::npos || std::none_of(text.begin(), text.end(), space))
        return std::string(text);
    std::string out;
    bool gap = false;
    for (const char c : text) {
        if (space(c)) {
            gap = !out.empty();
            continue;
        }
        if (gap) out += ':';
        gap = false;
        out += c;
    }
    return out;
}

std::vector<std::string> infoFrameTextProblems(std::string_view text, std::size_t maxBytes) {
    if (text.empty())
        return {"the text is empty; give the InfoFrame as hex bytes with colons between, e.g. 82:02:0D:..."};

    // Byte by byte between the colons, so that one missing digit is one problem.
    std::vector<std::string> problems;
    std::size_t bytes = 0;
    std::size_t listed = 0;
    const auto add = [&](std::string problem) {
        if (listed++ < maxListed) problems.push_back(std::move(problem));
    };
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = std::min(text.find(':', start), text.size());
        const std::string_view byte = text.substr(start, colon - start);
        ++bytes;
        const std::string which = "byte " + std::to_string(bytes);
        if (byte.empty()) {
            if (colon == 0)
                add(at(0) + "the text begins with a colon; it must begin with a byte");
            else if (colon == text.size())
                add(at(colon - 1) + "the text ends with a colon; every colon must be followed by a byte");
            else
                add(at(colon) + "two colons in a row; " + which + " is missing");
        } else {
            for (std::size_t k = 0; k < byte.size(); ++k)
                if (!isHex(byte[k])) add(at(start + k) + shown(byte[k]) + " is not a hex digit (" + which + ")");
            if (byte.size() != 2)
                add(at(start) + which + " '" + std::string(byte) + "' has " + std::to_string(byte.size()) +
                    (byte.size() == 1 ? " character" : " characters") + "; each byte is exactly two hex digits");
        }
        if (colon == text.size()) break;
        start = colon + 1;
    }
    if (listed > maxListed) problems.push_back("... and " + text::counted(listed - maxListed, "more problem"));
    if (bytes < 2 || bytes > maxBytes)
        problems.push_back(text::counted(bytes, "byte") + " given; this InfoFrame takes 2 to " +
                           std::to_string(maxBytes) + " bytes");
    return problems;
}

std::vector<uint8_t> infoFrameTextBytes(std::string_view checked) {
    return text::bytesFromHex(checked).value_or(std::vector<uint8_t>{});
}

std::string infoFrameText(std::span<const uint8_t> bytes) { return text::hexBytes(bytes, ":", text::HexCase::upper); }

}  // namespace brixel::toolkit
