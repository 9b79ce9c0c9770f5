// SPDX-License-Identifier: MIT
#pragma once
// What holds for a VIDEO_STATUS decoded from any register blocks, spelled out
// from the report's rules: shared by the decoding target and the replies
// target, which reaches the decoding through the device link.

#include <BrixelLibrary.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"

namespace brixel::fuzz {

// A register block as its 64-byte reply buffer holds it: echo, spare byte, content.
using BlockBytes = std::array<uint8_t, 64>;

struct ReportBlocks {
    BlockBytes status{}, spd{}, hdr{}, vendor1{}, vendor2{}, audio{}, avi{}, displayName{};
};

constexpr std::size_t fieldSize = 120;

inline std::string_view fieldText(const Guarded& record, std::size_t index) {
    const char* field = reinterpret_cast<const char*>(record.data()) + index * fieldSize;
    return {field, strnlen(field, fieldSize)};
}

inline bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}
inline bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// "82:02:0d:..." of a block that carries the InfoFrame type and version, empty otherwise.
inline std::string expectedHex(const BlockBytes& block, uint8_t type, uint8_t version) {
    if (block[2] != type || block[3] != version || block[4] < 1) return "";
    const std::size_t count = std::min<std::size_t>(block[4] + 4u, 31);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02x", i == 0 ? "" : ":", block[2 + i]);
        text += hex;
    }
    return text;
}

inline std::string upTo(const BlockBytes& block, std::size_t first, std::size_t size, bool lineFeedEnds) {
    std::string text;
    for (std::size_t i = first; i < first + size && block[i] != 0 && !(lineFeedEnds && block[i] == 0x0A); ++i)
        text += static_cast<char>(block[i]);
    return text;
}

// `record` holds the VIDEO_STATUS that the blocks gave; `untouched` is the
// byte the caller filled it with.
inline void checkVideoStatus(const ReportBlocks& b, const Guarded& record, uint8_t untouched) {
    FUZZ_CHECK(record.guardsIntact());
    FUZZ_CHECK(record.size() == 20 * fieldSize);
    const auto field = [&](std::size_t index) { return fieldText(record, index); };
    const auto terminated = [&](std::size_t index) { return field(index).size() < fieldSize; };
    constexpr std::array<std::size_t, 7> unlabelled{6, 8, 9, 10, 11, 13, 14};

    const uint8_t gate = b.status[27];
    if (gate != 8 && gate != 10) {
        constexpr std::array<std::pair<std::size_t, std::string_view>, 13> labels{{
            {0, "Input :"},
            {1, "Output :"},
            {2, "In Color Space:"},
            {3, "Out Color Space:"},
            {4, "Input Pixel Clock:"},
            {5, "Output Pixel Clock:"},
            {7, "Source Name:"},
            {12, "HDR Input:"},
            {15, "Input Encryption:"},
            {16, "Output Encryption:"},
            {17, "Input Deep Color:"},
            {18, "Output Deep Color:"},
            {19, "Display Name:"},
        }};
        for (const auto& [index, label] : labels) FUZZ_CHECK(terminated(index) && field(index) == label);
        for (const std::size_t index : unlabelled) {
            const uint8_t* bytes = record.data() + index * fieldSize;
            FUZZ_CHECK(std::all_of(bytes, bytes + fieldSize, [&](uint8_t c) { return c == untouched; }));
        }
        return;
    }

    for (std::size_t index = 0; index < 20; ++index) FUZZ_CHECK(terminated(index));
    // Only the names that the source and the display send may hold other than printable ASCII.
    for (std::size_t index = 0; index < 20; ++index) {
        if (index == 7 || index == 19) continue;
        const auto text = field(index);
        FUZZ_CHECK(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    }

    FUZZ_CHECK(startsWith(field(0), "Input : "));
    FUZZ_CHECK(startsWith(field(1), "Output : "));
    if (b.status[4] != 0)
        FUZZ_CHECK(endsWith(field(1), " [downscaled]"));
    else if (b.status[6] != 0)
        FUZZ_CHECK(endsWith(field(1), " [upscaled]"));
    FUZZ_CHECK(startsWith(field(2), "In Color Space: "));
    FUZZ_CHECK(startsWith(field(3), "Out Color Space: "));

    const long clock = b.status[9] + 256L * b.status[10] + 65536L * b.status[11];
    FUZZ_CHECK(field(4) == "Input Pixel Clock: " + std::to_string(clock));
    const auto out = field(5);
    FUZZ_CHECK(startsWith(out, "Output Pixel Clock: ") ||
               (startsWith(out, "<font color='red'>Output Pixel Clock: ") && endsWith(out, "</font>")));
    FUZZ_CHECK(field(6) == (b.status[26] != 0 ? "[Sink EDID limited]" : ""));

    FUZZ_CHECK(field(8) == expectedHex(b.vendor1, 0x81, 0x00));
    FUZZ_CHECK(field(9) == expectedHex(b.vendor2, 0x81, 0x00));
    FUZZ_CHECK(field(10) == expectedHex(b.avi, 0x82, 0x02));
    FUZZ_CHECK(field(11) == expectedHex(b.hdr, 0x87, 0x01));
    FUZZ_CHECK(field(13) == expectedHex(b.spd, 0x83, 0x01));
    FUZZ_CHECK(field(14) == expectedHex(b.audio, 0x84, 0x01));

    if (expectedHex(b.spd, 0x83, 0x01).empty())
        FUZZ_CHECK(field(7) == "Source Name: no info received");
    else
        FUZZ_CHECK(field(7) == "Source Name: " + upTo(b.spd, 6, 8, false) + " " + upTo(b.spd, 14, 16, false));

    if (expectedHex(b.hdr, 0x87, 0x01).empty()) {
        FUZZ_CHECK(field(12) == "HDR Input: Not Active");
    } else {
        constexpr std::array<std::string_view, 3> eotfs{"HDR input:  Not Active", "HDR input:  HDR Luminance Range",
                                                        "HDR input:  SMPTE ST 2084"};
        FUZZ_CHECK(field(12) == (b.hdr[6] < eotfs.size() ? eotfs[b.hdr[6]] : "HDR input: "));
    }

    const auto encryption = [](uint8_t code, std::string_view base, std::string_view hdcp22) {
        std::string text(base);
        if (code == 0x14) text += " HDCP 1.4";
        if (code == 0x22) text += hdcp22;
        if (code == 0x55) text += " None";
        return text;
    };
    FUZZ_CHECK(field(15) == encryption(b.status[16], "Input Encryption:", "  HDCP 2.2"));
    FUZZ_CHECK(field(16) == encryption(b.status[17], "Output Encryption: ", " HDCP 2.2"));
    FUZZ_CHECK(startsWith(field(17), "Input Deep Color:"));
    FUZZ_CHECK(startsWith(field(18), "Output Deep Color:"));
    FUZZ_CHECK(field(19) == "Display Name: " + upTo(b.displayName, 2, 13, true));
}

}  // namespace brixel::fuzz
