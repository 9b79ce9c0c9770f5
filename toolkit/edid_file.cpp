// SPDX-License-Identifier: MIT
#include "toolkit/edid_file.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "text/hex.h"
#include "text/plural.h"

namespace brixel::toolkit {
namespace {

using edid::blockSize;
constexpr auto& edidHeader = edid::header;
// The base block's count of extension blocks.
constexpr std::size_t extensionCountByte = blockSize - 2;
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view edidDecodeHeading = "edid-decode (hex):";

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isSeparator(char c) { return isWhiteSpace(c) || c == ',' || c == ':'; }

// Text is what a person could have typed: UTF-8 without control bytes but
// white space. An EDID itself begins with a NUL.
bool isText(std::string_view content) {
    for (std::size_t i = 0; i < content.size(); ++i) {
        const auto c = static_cast<unsigned char>(content[i]);
        if (c < 0x20) {
            if (!isWhiteSpace(static_cast<char>(c))) return false;
            continue;
        }
        if (c < 0x80) {
            if (c == 0x7F) return false;
            continue;
        }
        const std::size_t length = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        if (length == 0 || (c >= 0xF5)) return false;
        for (std::size_t k = 1; k < length; ++k)
            if (i + k >= content.size() || (static_cast<unsigned char>(content[i + k]) & 0xC0) != 0x80) return false;
        i += length - 1;
    }
    return true;
}

std::string prefixedHex(unsigned value) { return "0x" + text::hexByte(static_cast<uint8_t>(value & 0xFF)); }

std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, c);
    return prefixedHex(byte);
}

// The lines of `text`, each without its line end.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Hex bytes with white space, commas, colons and 0x between them; `firstLine`
// numbers the first line of `text` for the messages.
bool parseHex(std::string_view text, std::size_t firstLine, std::vector<uint8_t>& bytes, std::string& error) {
    std::size_t line = firstLine;
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
            error = "not a hex dump: unexpected '" + shown(text[i]) + "' at line " + std::to_string(line) +
                    ", column " + std::to_string(i - lineStart + 1);
            return false;
        }
        if (digits == 0 || digits % 2 != 0) {
            error = "not a hex dump: '" + std::string(text.substr(tokenStart, i - tokenStart)) + "' at line " +
                    std::to_string(line) + " is not a whole number of bytes";
            return false;
        }
        for (std::size_t d = digitsStart; d < i; d += 2)
            bytes.push_back(
                static_cast<uint8_t>(*text::hexDigitValue(text[d]) << 4 | *text::hexDigitValue(text[d + 1])));
    }
    return true;
}

// The hex block that edid-decode prints first: from its heading to the rule
// under it (or the end).
bool parseEdidDecodeOutput(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
    const auto lines = linesOf(text);
    std::size_t k = 0;
    while (k < lines.size() && lines[k].find(edidDecodeHeading) == std::string_view::npos) ++k;
    for (++k; k < lines.size(); ++k) {
        if (lines[k].starts_with("----")) break;
        if (!parseHex(lines[k], k + 1, bytes, error)) return false;
    }
    return true;
}

// One number of a C initialiser: 0x hex or decimal, 0-255.
bool cByte(std::string_view token, std::size_t line, std::vector<uint8_t>& bytes, std::string& error) {
    int base = 10;
    std::string_view digits = token;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || value > 255) {
        error =
            "not a C array of bytes: '" + std::string(token) + "' at line " + std::to_string(line) + " is not a byte";
        return false;
    }
    bytes.push_back(static_cast<uint8_t>(value));
    return true;
}

// The initialiser between the first '{' and its '}', comments skipped.
bool parseCArray(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
    const std::size_t open = text.find('{');
    std::size_t line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + open, '\n'));
    std::string token;
    std::size_t tokenLine = line;
    const auto flush = [&] {
        if (token.empty()) return true;
        const bool ok = cByte(token, tokenLine, bytes, error);
        token.clear();
        return ok;
    };
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end + 2;
            line += static_cast<std::size_t>(std::count(text.begin() + i, text.begin() + stop, '\n'));
            if (!flush()) return false;
            i = stop - 1;
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            if (!flush()) return false;
            while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
            continue;
        }
        if (c == '}') return flush();
        if (c == ',' || isWhiteSpace(c)) {
            if (!flush()) return false;
            if (c == '\n') ++line;
            continue;
        }
        if (token.empty()) tokenLine = line;
        token += c;
    }
    error = "not a C array of bytes: no '}' closes the '{'";
    return false;
}

bool isOffset(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return text::hexDigitValue(c); });
}

std::size_t offsetValue(std::string_view text) {
    std::size_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return value;
}

// "00000010  20 19 01 03 80 00 00 78  1a ee 91 a3 54 4c 99 26  | ......x....TL.&|",
// with "*" for lines that repeat the one before until the next offset.
bool looksLikeCanonicalHexdump(std::string_view line) {
    return line.size() > 10 && isOffset(line.substr(0, 8)) && line.substr(8, 2) == "  " &&
           line.find('|') != std::string_view::npos;
}

bool parseCanonicalHexdump(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
    const auto lines = linesOf(text);
    std::vector<uint8_t> previous;
    bool repeating = false;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string_view line = lines[k];
        const std::string where = " at line " + std::to_string(k + 1);
        if (line.empty()) continue;
        if (line == "*") {
            repeating = true;
            continue;
        }
        const std::size_t space = line.find(' ');
        const std::string_view offsetText = line.substr(0, space);
        if (!isOffset(offsetText)) {
            error = "not a hexdump -C dump: '" + std::string(offsetText) + "'" + where + " is not an offset";
            return false;
        }
        const std::size_t offset = offsetValue(offsetText);
        if (repeating) {
            while (!previous.empty() && bytes.size() + previous.size() <= offset)
                bytes.insert(bytes.end(), previous.begin(), previous.end());
            repeating = false;
        }
        if (offset != bytes.size()) {
            error = "not a hexdump -C dump: offset " + std::string(offsetText) + where + " does not follow the " +
                    std::to_string(bytes.size()) + " bytes before it";
            return false;
        }
        if (space == std::string_view::npos) continue;  // the closing offset: the length
        const std::size_t bar = line.find('|');
        std::vector<uint8_t> row;
        if (!parseHex(line.substr(space, bar == std::string_view::npos ? line.size() - space : bar - space), k + 1, row,
                      error))
            return false;
        bytes.insert(bytes.end(), row.begin(), row.end());
        previous = row;
    }
    return true;
}

// "00000010: 2019 0103 8000 0078 1aee 91a3 544c 9926   ......x....TL.&": the
// hex ends at the first two spaces in a row, where the characters begin.

bool looksLikeXxd(std::string_view line) {
    const std::size_t colon = line.find(": ");
    return colon != std::string_view::npos && colon >= 7 && isOffset(line.substr(0, colon));
}

bool parseXxd(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
    const auto lines = linesOf(text);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string_view line = lines[k];
        if (line.empty()) continue;
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos || !isOffset(line.substr(0, colon))) {
            error = "not an xxd dump: line " + std::to_string(k + 1) + " does not begin with an offset";
            return false;
        }
        if (offsetValue(line.substr(0, colon)) != bytes.size()) {
            error = "not an xxd dump: the offset at line " + std::to_string(k + 1) + " does not follow the " +
                    std::to_string(bytes.size()) + " bytes before it";
            return false;
        }
        const std::string_view rest = line.substr(colon + 2);
        if (!parseHex(rest.substr(0, rest.find("  ")), k + 1, bytes, error)) return false;
    }
    return true;
}

std::string_view firstLine(std::string_view text) {
    for (const auto line : linesOf(text))
        if (!line.empty()) return line;
    return {};
}

std::string blocksText(std::size_t bytes) {
    const std::size_t extensions = bytes / blockSize - 1;
    return "a base block and " + text::counted(extensions, "extension block");
}

}  // namespace

// od -An -tx1 writes "*" for lines that repeat the one before, with no
// address to say how often: an EDID's own size decides, the one its base
// block announces (128 or 256 bytes), when exactly one size fits.
bool parseOdWithoutAddresses(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
    struct Piece {
        std::vector<uint8_t> bytes;
        bool repeats = false;  // the line before, again and again
    };
    std::vector<Piece> pieces;
    std::size_t number = 0;
    for (const auto line : linesOf(text)) {
        ++number;
        if (line == "*") {
            if (pieces.empty() || pieces.back().repeats || pieces.back().bytes.empty() ||
                pieces.back().bytes.size() % 16 != 0) {
                error = "not a hex dump: '*' at line " + std::to_string(number) + " follows no whole line to repeat";
                return false;
            }
            pieces.push_back({{}, true});
            continue;
        }
        Piece piece;
        if (!parseHex(line, number, piece.bytes, error)) return false;
        // A blank line holds nothing to repeat.
        if (!piece.bytes.empty()) pieces.push_back(std::move(piece));
    }
    std::size_t known = 0;
    std::size_t markers = 0;
    for (const auto& p : pieces) p.repeats ? ++markers : known += p.bytes.size();
    const auto expand = [&](std::size_t size) -> std::optional<std::vector<uint8_t>> {
        if (markers != 1 || size < known || (size - known) % 16 != 0) return std::nullopt;
        std::vector<uint8_t> out;
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            if (!pieces[k].repeats) {
                out.insert(out.end(), pieces[k].bytes.begin(), pieces[k].bytes.end());
                continue;
            }
            const auto& last = pieces[k - 1].bytes;
            for (std::size_t n = 0; n < (size - known) / 16; ++n) out.insert(out.end(), last.end() - 16, last.end());
        }
        // The size it announces is the size it has.
        if (out.size() <= extensionCountByte || (out[extensionCountByte] + 1u) * blockSize != size) return std::nullopt;
        return out;
    };
    auto base = expand(blockSize);
    auto whole = expand(edidFileSize);
    if (base.has_value() == whole.has_value()) {
        error =
            "not an EDID's hex dump: od -An leaves out how often each '*' line repeats, and the EDID's size does "
            "not tell; dump it with hexdump -C, which gives the addresses";
        return false;
    }
    bytes = base ? std::move(*base) : std::move(*whole);
    return true;
}

std::optional<EdidBytes> readEdidBytes(std::string_view content, std::string& error) {
    if (content.starts_with(byteOrderMark)) content.remove_prefix(byteOrderMark.size());
    EdidBytes read;
    if (!isText(content)) {
        read.bytes.assign(content.begin(), content.end());
        read.form = "raw binary";
        return read;
    }
    bool ok = false;
    const std::string_view first = firstLine(content);
    if (content.find(edidDecodeHeading) != std::string_view::npos) {
        read.form = "edid-decode's output";
        ok = parseEdidDecodeOutput(content, read.bytes, error);
    } else if (content.find('{') != std::string_view::npos) {
        read.form = "a C array";
        ok = parseCArray(content, read.bytes, error);
    } else if (looksLikeCanonicalHexdump(first)) {
        read.form = "a hexdump -C dump";
        ok = parseCanonicalHexdump(content, read.bytes, error);
    } else if (looksLikeXxd(first)) {
        read.form = "an xxd dump";
        ok = parseXxd(content, read.bytes, error);
    } else if (const auto lines = linesOf(content);
               std::find(lines.begin(), lines.end(), std::string_view("*")) != lines.end()) {
        read.form = "an od dump";
        ok = parseOdWithoutAddresses(content, read.bytes, error);
    } else {
        read.form = "a hex dump";
        ok = parseHex(content, 1, read.bytes, error);
    }
    if (!ok) return std::nullopt;
    return read;
}

std::optional<std::vector<uint8_t>> edidForDevice(const EdidBytes& read, std::vector<std::string>& notes,
                                                  std::string& error) {
    const auto& bytes = read.bytes;
    const std::string holds = "the file holds " + (read.form == "raw binary" ? "" : read.form + " of ") +
                              std::to_string(bytes.size()) + " bytes";
    const std::string device =
        "an EDID for the device is " + std::to_string(edidFileSize) + " bytes (a base block and one extension block)";
    if (bytes.size() == edidFileSize) return bytes;
    if (bytes.size() == blockSize && bytes[extensionCountByte] == 0) {
        std::vector<uint8_t> padded(bytes);
        padded.resize(edidFileSize, 0);
        notes.push_back("a base block that announces no extension: padded to " + std::to_string(edidFileSize) +
                        " bytes with an empty extension block");
        return padded;
    }
    if (bytes.size() == blockSize) {
        error = holds + "; " + device + ", and this base block announces " +
                text::counted(bytes[extensionCountByte], "extension block") + " that it lacks";
    } else if (bytes.size() > edidFileSize && bytes.size() % blockSize == 0) {
        error = holds + ", " + blocksText(bytes.size()) + "; " + device + ": the device cannot hold the others";
    } else {
        error = holds + "; " + device;
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> parseEdidBytes(std::string_view content, std::string& error) {
    const auto read = readEdidBytes(content, error);
    if (!read) return std::nullopt;
    std::vector<std::string> notes;
    return edidForDevice(*read, notes, error);
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
                           prefixedHex(right) + "); --fix-checksums mends it");
    }
    return problems;
}

std::vector<std::string> fixEdidChecksums(std::span<uint8_t> edid) {
    std::vector<std::string> fixed;
    const char* names[] = {"base block", "extension block"};
    for (std::size_t block = 0; block < 2 && (block + 1) * blockSize <= edid.size(); ++block) {
        const auto bytes = edid.subspan(block * blockSize, blockSize);
        if (edid::sumsToZero(bytes)) continue;
        const uint8_t right = edid::checksumFor(bytes);
        fixed.push_back(std::string(names[block]) + " checksum: byte " + std::to_string((block + 1) * blockSize - 1) +
                        " set from " + prefixedHex(bytes.back()) + " to " + prefixedHex(right));
        bytes.back() = right;
    }
    return fixed;
}

std::span<const uint8_t> announcedBlocks(std::span<const uint8_t> edid) {
    const std::size_t extensions = edid.size() > extensionCountByte ? edid[extensionCountByte] : 0;
    return edid.first(std::min(edid.size(), (extensions + 1) * blockSize));
}

std::string hexDump(std::span<const uint8_t> bytes) {
    constexpr std::size_t perLine = 16;
    std::string dump;
    for (std::size_t at = 0; at < bytes.size(); at += perLine)
        dump += text::hexBytes(bytes.subspan(at, std::min(perLine, bytes.size() - at)), " ") + "\n";
    return dump;
}

}  // namespace brixel::toolkit
