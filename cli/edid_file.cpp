#include "cli/edid_file.h"

#include <algorithm>
#include <array>

#include "edid/catalogue.h"
#include "text/hex.h"

namespace brixel::cli {
namespace {

using edid::blockSize;
constexpr auto& edidHeader = edid::header;

bool isText(std::string_view content) {
    for (unsigned char c : content)
        if (c >= 0x7F || (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != '\f' && c != '\v')) return false;
    return true;
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == ',' || c == ':';
}

std::string prefixedHex(unsigned value) { return "0x" + text::hexByte(static_cast<uint8_t>(value & 0xFF)); }

std::optional<std::vector<uint8_t>> parseHex(std::string_view text, std::string& error) {
    std::vector<uint8_t> bytes;
    std::size_t line = 1;
    std::size_t lineStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (isSeparator(c)) {
            if (c == '\n') {
                ++line;
                lineStart = i + 1;
            }
            ++i;
            continue;
        }
        const std::size_t tokenStart = i;
        if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
        const std::size_t digitsStart = i;
        while (i < text.size() && text::hexDigitValue(text[i])) ++i;
        const std::size_t digits = i - digitsStart;
        if (i < text.size() && !isSeparator(text[i])) {
            error = "not a hex dump: unexpected '" + std::string(1, text[i]) + "' at line " + std::to_string(line) +
                    ", column " + std::to_string(i - lineStart + 1);
            return std::nullopt;
        }
        if (digits == 0 || digits % 2 != 0) {
            error = "not a hex dump: '" + std::string(text.substr(tokenStart, i - tokenStart)) + "' at line " +
                    std::to_string(line) + " is not a whole number of bytes";
            return std::nullopt;
        }
        for (std::size_t d = digitsStart; d < i; d += 2)
            bytes.push_back(
                static_cast<uint8_t>(*text::hexDigitValue(text[d]) << 4 | *text::hexDigitValue(text[d + 1])));
    }
    return bytes;
}

}  // namespace

std::optional<std::vector<uint8_t>> parseEdidBytes(std::string_view content, std::string& error) {
    std::optional<std::vector<uint8_t>> bytes;
    std::string form;
    if (isText(content)) {
        bytes = parseHex(content, error);
        if (!bytes) return std::nullopt;
        form = "a hex dump of ";
    } else {
        bytes.emplace(content.begin(), content.end());
        form = "";
    }
    if (bytes->size() != edidFileSize) {
        error = "the file holds " + form + std::to_string(bytes->size()) + " bytes; an EDID for the device is " +
                std::to_string(edidFileSize) + " bytes (a base block and one extension block)";
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> edidProblems(std::span<const uint8_t> edid) {
    std::vector<std::string> problems;
    if (edid.size() != edidFileSize) {
        problems.push_back("the EDID is " + std::to_string(edid.size()) + " bytes, not " +
                           std::to_string(edidFileSize));
        return problems;
    }
    if (!std::equal(edidHeader.begin(), edidHeader.end(), edid.begin())) {
        problems.push_back("header is " + text::hexBytes(edid.first(edidHeader.size()), " ") +
                           ", not 00 ff ff ff ff ff ff 00");
    }
    const char* names[] = {"base block", "extension block"};
    for (std::size_t block = 0; block < 2; ++block) {
        const auto bytes = edid.subspan(block * blockSize, blockSize);
        if (edid::sumsToZero(bytes)) continue;
        unsigned sum = 0;
        for (uint8_t b : bytes) sum += b;
        const std::size_t last = (block + 1) * blockSize - 1;
        const unsigned right = edid::checksumFor(bytes);
        problems.push_back(std::string(names[block]) + " checksum: bytes " + std::to_string(block * blockSize) + "-" +
                           std::to_string(last) + " sum to " + prefixedHex(sum) + " instead of 0x00 (byte " +
                           std::to_string(last) + " is " + prefixedHex(edid[last]) + ", would be " +
                           prefixedHex(right) + ")");
    }
    return problems;
}

std::string hexDump(std::span<const uint8_t> bytes) {
    constexpr std::size_t perLine = 16;
    std::string dump;
    for (std::size_t at = 0; at < bytes.size(); at += perLine)
        dump += text::hexBytes(bytes.subspan(at, std::min(perLine, bytes.size() - at)), " ") + "\n";
    return dump;
}

}  // namespace brixel::cli
