// SPDX-License-Identifier: MIT
// The InfoFrame text operations on any text: the parser and the HDR checksum
// directly, and setAviIf and setHdrIf through the simulated device.
//
// Input: a byte of choices, the span handed to the parser, then the text.

#include <BrixelLibrary.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "infoframe/hex_text.h"
#include "sim/library_adapter.h"

namespace {

using brixel::fuzz::Guarded;
using brixel::fuzz::Input;

constexpr std::size_t byteArea = 100;

// The parser as the rules word it: a pair of characters becomes a byte by the
// device tool's digit arithmetic, upper-casing ASCII letters only.
uint8_t digitValue(char c) {
    unsigned b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') b -= 0x20;
    return static_cast<uint8_t>(b <= 0x39 ? b - 0x30 : b - 0x37);
}
uint8_t pairValue(char high, char low) { return static_cast<uint8_t>(digitValue(high) * 16 + digitValue(low)); }

// Walks positions 0 to span - 1; at a colon the two characters before it make
// a byte, and the walk ends unless a colon follows three places on; the two
// characters after the last colon (or the second and third of a text without
// one) make the last byte. Positions outside the text read as NUL, and the
// byte area's last slot is kept for that last byte.
std::vector<uint8_t> rulesParse(std::string_view text, std::size_t span) {
    const auto at = [&](std::ptrdiff_t j) {
        return j >= 0 && static_cast<std::size_t>(j) < text.size() ? text[static_cast<std::size_t>(j)] : '\0';
    };
    std::vector<uint8_t> bytes;
    std::ptrdiff_t anchor = 0;
    for (std::ptrdiff_t j = 0; static_cast<std::size_t>(j) < span && bytes.size() + 1 < byteArea; ++j) {
        if (at(j) != ':') continue;
        bytes.push_back(pairValue(at(j - 2), at(j - 1)));
        anchor = j;
        if (at(j + 3) != ':') break;
    }
    bytes.push_back(pairValue(at(anchor + 1), at(anchor + 2)));
    return bytes;
}

// Well-formed text (two hex digits a byte, one colon between bytes), read as
// people read it; empty for any other text.
std::vector<uint8_t> wellFormedBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        if (i + 2 > text.size() || (i + 2 < text.size() && text[i + 2] != ':')) return {};
        if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
            return {};
        unsigned value = 0;
        std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        bytes.push_back(static_cast<uint8_t>(value));
    }
    if (!text.empty() && text.back() == ':') return {};
    return bytes;
}

void checkParser(std::string_view text, std::size_t span) {
    // An allocation of exactly the text's size: a read past it is seen.
    const auto copy = brixel::fuzz::exactCopy({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    Guarded area(byteArea, 0xEE);
    const std::span<const char> chars(reinterpret_cast<const char*>(copy.get()), text.size());
    const uint8_t count = brixel::parseHexBytes(chars, brixel::InfoFrameBytes(area.data(), byteArea), span);
    FUZZ_CHECK(area.guardsIntact());
    FUZZ_CHECK(count >= 1 && count <= byteArea);
    const auto expected = rulesParse(text, span);
    FUZZ_CHECK(count == expected.size());
    FUZZ_CHECK(std::equal(expected.begin(), expected.end(), area.data()));
    FUZZ_CHECK(std::all_of(area.data() + count, area.data() + byteArea, [](uint8_t b) { return b == 0; }));

    // Well-formed text of two bytes or more, as the library gets it with its
    // carriage return, gives its bytes. (One byte without a colon is read from
    // the second and third characters.)
    const auto wellFormed = wellFormedBytes(text);
    if (wellFormed.size() >= 2 && wellFormed.size() < byteArea) {
        std::string withReturn(text);
        withReturn += '\r';
        Guarded again(byteArea);
        const uint8_t n =
            brixel::parseHexBytes(withReturn, brixel::InfoFrameBytes(again.data(), byteArea), withReturn.size());
        FUZZ_CHECK(n == wellFormed.size());
        FUZZ_CHECK(std::equal(wellFormed.begin(), wellFormed.end(), again.data()));
    }

    // The filled checksum makes type 0x87, version 0x01, the length, the
    // checksum and the payload add up to 0 modulo 256.
    if (count >= 4) {
        const uint8_t checksum = brixel::hdrChecksum(std::span<const uint8_t, byteArea>(area.data(), byteArea), count);
        unsigned sum = 0x87 + 0x01 + area.data()[2] + checksum;
        for (std::size_t k = 4; k < count; ++k) sum += area.data()[k];
        FUZZ_CHECK(sum % 256 == 0);
    }
}

void checkThroughTheDevice(std::string_view given, bool hdr, bool fillChecksum) {
    brixel::sim::Simulator sim;
    sim.addDevice("2024");
    FUZZ_CHECK(brixel::sim::install(sim));
    const auto text = brixel::fuzz::exactText({reinterpret_cast<const uint8_t*>(given.data()), given.size()});
    const std::string before(text.get());
    const bool ok = hdr ? setHdrIf(text.get(), fillChecksum) : setAviIf(text.get());
    FUZZ_CHECK(before == text.get());  // the caller's text is read, never written

    const std::size_t length = before.size();
    const std::size_t maxLength = hdr ? 92 : 50;
    const auto frames = sim.writtenFrames();
    if (length < 5 || length > maxLength || before[0] == ':' || before[1] == ':') {
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(sim.usbCalls().empty());  // refused before any traffic
    } else {
        FUZZ_CHECK(ok);  // the simulated device acknowledges both frames
        auto bytes = rulesParse(before + '\r', length + 1);
        const auto n = static_cast<uint8_t>(bytes.size());
        if (hdr && fillChecksum && bytes.size() >= 4) {
            unsigned sum = 0x87 + 0x01 + bytes[2];
            for (std::size_t k = 4; k < bytes.size(); ++k) sum += bytes[k];
            bytes[3] = static_cast<uint8_t>((0x100 - sum % 0x100) % 0x100);
        }
        std::vector<uint8_t> write{0x10, n, static_cast<uint8_t>(hdr ? 0xE5 : 0xE6)};
        write.insert(write.end(), bytes.begin(), bytes.end());
        const std::vector<uint8_t> activation{0x10, n, 0xB3, static_cast<uint8_t>(hdr ? 0x20 : 0x80)};
        FUZZ_CHECK(frames.size() == 2);
        FUZZ_CHECK(frames[0] == write);
        FUZZ_CHECK(frames[1] == activation);
        FUZZ_CHECK(sim.sleeps() == std::vector<uint32_t>{100});
    }
    FUZZ_CHECK(sim.openHandles() == 0);
    DeviceClose();
    brixel::sim::uninstall(sim);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    brixel::fuzz::silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input in(data, size);
    const uint8_t choices = in.byte();
    const std::size_t span = in.byte();
    const auto rest = in.rest();
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
    checkParser(text, span);
    if (choices & 1) checkThroughTheDevice(text, (choices & 2) != 0, (choices & 4) != 0);
    return 0;
}
