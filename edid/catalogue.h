// SPDX-License-Identifier: MIT
#pragma once
// The 24 built-in EDIDs: one row per EDIDTABLE value, composed at compile time
// from the named pieces in descriptors.h, checksums computed.

#include <BrixelLibrary.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "edid/descriptors.h"
#include "protocol/payloads.h"

namespace brixel::edid {

// The simulator and the tool still read the sizes under these names.
inline constexpr std::size_t blockSize = protocol::edidBlockSize;
inline constexpr std::size_t edidSize = protocol::edidSize;
using Edid = std::array<uint8_t, protocol::edidSize>;
// An EDID is written in this many frames, with a wait through the host's sleep
// after each: a tool counts the waits to show how far a write has got.
inline constexpr std::size_t edidWriteFrames = edidSize / protocol::edidWriteChunk;

// A named piece of an entry. (std::span here trips GCC 12's constant evaluator
// for the array members left empty.)
struct Piece {
    const uint8_t* bytes = nullptr;
    std::size_t length = 0;

    constexpr Piece() = default;
    template <std::size_t N>
    constexpr Piece(const Bytes<N>& piece) : bytes(piece.data()), length(N) {}
    constexpr std::size_t size() const { return length; }
    constexpr const uint8_t* begin() const { return bytes; }
    constexpr const uint8_t* end() const { return bytes + length; }
};

struct CatalogueRow {
    EDIDTABLE value;
    uint8_t slot;  // 1 to 24
    std::string_view name;
    std::string_view description;
    const FamilyFields* family;
    Piece preferred;                  // base block descriptor 1
    uint8_t ctaFeatures;              // extension byte 3
    std::array<Piece, 9> dataBlocks;  // in order, unused ones empty
    std::array<Piece, 3> timings;     // extension DTDs, in order, unused ones empty
};

inline constexpr uint8_t ctaAll = 0x71;      // basic audio, YCbCr 4:4:4 and 4:2:2, one native DTD
inline constexpr uint8_t ctaRgbOnly = 0x41;  // basic audio, no YCbCr
inline constexpr uint8_t ctaY422 = 0x51;     // basic audio, YCbCr 4:2:2 only

inline constexpr std::array catalogue{
    CatalogueRow{EDIDTABLE_2160P60_HDR_MULTI,
                 11,
                 "2160p60-hdr-multi",
                 "2160p60 preferred, 2160p60/50 also 4:2:0, HDR with HLG, BT.2020, 600 Mcsc, multichannel audio",
                 &uhdFamily,
                 dtd2160p60,
                 ctaAll,
                 {vid2160p60, audMulti, spkMulti, y420cmdb09, hdr4, colBt2020, hdmi300, hf600},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P60_HDR_STEREO,
                 14,
                 "2160p60-hdr-stereo",
                 "2160p60 preferred, 2160p60/50 also 4:2:0, HDR with HLG, BT.2020, 600 Mcsc, two-channel audio",
                 &uhdFamily,
                 dtd2160p60,
                 ctaAll,
                 {vid2160p60, audStereo, spkStereo, y420cmdb09, hdr4, colBt2020, hdmi300, hf600},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P60_MULTI,
                 15,
                 "2160p60-multi",
                 "2160p60 preferred, 2160p60/50 also 4:2:0, no HDR, xvYCC only, 600 Mcsc, multichannel audio",
                 &uhdFamily,
                 dtd2160p60,
                 ctaAll,
                 {vid2160p60, audMulti, spkMulti, y420cmdb09, hdmi300, hf600, colXvycc},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P60_STEREO,
                 10,
                 "2160p60-stereo",
                 "2160p60 preferred, 2160p60/50 also 4:2:0, no HDR, xvYCC only, 600 Mcsc, two-channel audio",
                 &uhdFamily,
                 dtd2160p60,
                 ctaAll,
                 {vid2160p60, audStereo, spkStereo, y420cmdb09, hdmi300, hf600, colXvycc},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{
        EDIDTABLE_2160P50_HDR_MULTI,
        1,
        "2160p50-hdr-multi",
        "2160p30 preferred, up to 2160p50 (also 4:2:0), HDR without HLG, BT.2020, 600 Mcsc, multichannel audio",
        &uhdFamily,
        dtd2160p30,
        ctaAll,
        {vid2160p50, audMulti, spkMulti, y420cmdb01, hdr3, colBt2020, hdmi300, hf600},
        {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P50_HDR_STEREO,
                 2,
                 "2160p50-hdr-stereo",
                 "2160p30 preferred, up to 2160p50 (also 4:2:0), HDR without HLG, BT.2020, 600 Mcsc, two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p50, audStereo, spkStereo, y420cmdb01, hdr3, colBt2020, hdmi300, hf600},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y420_HDR_MULTI,
                 21,
                 "2160p30-y420-hdr-multi",
                 "2160p30 preferred, 50/60 Hz in 4:2:0 only, HDR with HLG, BT.2020, 600 Mcsc, multichannel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audMulti, spkMulti, vcdbFF, y420vdb, hdmi300, hf600, colBt2020, hdr4},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y420_HDR_STEREO,
                 17,
                 "2160p30-y420-hdr-stereo",
                 "2160p30 preferred, 50/60 Hz in 4:2:0 only, HDR with HLG, BT.2020, 600 Mcsc, two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audStereo, spkStereo, vcdbFF, y420vdb, hdmi300, hf600, colBt2020, hdr4},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y420_MULTI,
                 16,
                 "2160p30-y420-multi",
                 "2160p30 preferred, 50/60 Hz in 4:2:0 only, no HDR, BT.2020, 600 Mcsc, multichannel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audMulti, spkMulti, vcdbFF, y420vdb, hdmi300, hf600, colBt2020},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y420_STEREO,
                 6,
                 "2160p30-y420-stereo",
                 "2160p30 preferred, 50/60 Hz in 4:2:0 only, no HDR, BT.2020, 600 Mcsc, two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audStereo, spkStereo, vcdbFF, y420vdb, hdmi300, hf600, colBt2020},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y420_300_MULTI,
                 20,
                 "2160p30-y420-300-multi",
                 "2160p30 preferred, 50/60 Hz in 4:2:0 only, TMDS up to 300 MHz, xvYCC only, 720p, multichannel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audMulti, spkMulti, vcdbFF, y420vdb, hdmi300, colXvycc},
                 {dtd1080i60a, dtd720p60a}},
    CatalogueRow{EDIDTABLE_2160P30_Y420_300_STEREO,
                 3,
                 "2160p30-y420-300-stereo",
                 "2160p30 preferred, 50/60 Hz in 4:2:0 only, TMDS up to 300 MHz, xvYCC only, 720p, two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audStereo, spkStereo, vcdbFF, y420vdb, hdmi300, colXvycc},
                 {dtd1080i60a, dtd720p60a}},
    CatalogueRow{EDIDTABLE_2160P30_MULTI,
                 19,
                 "2160p30-multi",
                 "2160p up to 30 Hz, no 4:2:0, TMDS up to 300 MHz, multichannel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audMulti, spkMulti, vcdbFF, hdmi300, colXvycc},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_STEREO,
                 13,
                 "2160p30-stereo",
                 "2160p up to 30 Hz, no 4:2:0, TMDS up to 300 MHz, two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaAll,
                 {vid2160p30, audStereo, spkStereo, vcdbFF, hdmi300, colXvycc},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_RGB_MULTI,
                 4,
                 "2160p30-rgb-multi",
                 "2160p up to 30 Hz in RGB only (no YCbCr, no DC_Y444, no colorimetry), multichannel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaRgbOnly,
                 {vid2160p30, audMulti, spkMulti, vcdb7F, hdmi300NoY444},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_RGB_STEREO,
                 23,
                 "2160p30-rgb-stereo",
                 "2160p up to 30 Hz in RGB only (no YCbCr, no DC_Y444, no colorimetry), two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaRgbOnly,
                 {vid2160p30, audStereo, spkStereo, vcdb7F, hdmi300NoY444},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y422_MULTI,
                 12,
                 "2160p30-y422-multi",
                 "2160p up to 30 Hz, YCbCr 4:2:2 but not 4:4:4, no DC_Y444, multichannel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaY422,
                 {vid2160p30, audMulti, spkMulti, vcdbFF, hdmi300NoY444, colXvycc},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_2160P30_Y422_STEREO,
                 18,
                 "2160p30-y422-stereo",
                 "2160p up to 30 Hz, YCbCr 4:2:2 but not 4:4:4, no DC_Y444, two-channel audio",
                 &uhdFamily,
                 dtd2160p30,
                 ctaY422,
                 {vid2160p30, audStereo, spkStereo, vcdbFF, hdmi300NoY444, colXvycc},
                 {dtd1080i60a, dtd1366x768}},
    CatalogueRow{EDIDTABLE_1080P60_MULTI,
                 24,
                 "1080p60-multi",
                 "1080p60 preferred, TMDS up to 225 MHz, deep colour 30/36 bit, multichannel audio",
                 &hdFamily,
                 dtd1080p60b,
                 ctaAll,
                 {vid1080p60, audMulti, spkMulti, hdmi225With3d, colXvycc},
                 {dtd1080p60b, dtd1080i60a, dtd720p60b}},
    CatalogueRow{EDIDTABLE_1080P60_HDR_STEREO,
                 5,
                 "1080p60-hdr-stereo",
                 "1080p60 preferred, TMDS up to 225 MHz, deep colour 30/36 bit, HDR with HLG, two-channel audio",
                 &hdFamily,
                 dtd1080p60b,
                 ctaAll,
                 {vid1080p60, audStereo, spkStereo, hdmi225With3d, colXvycc, hdr4},
                 {dtd1080p60b, dtd1080i60a, dtd720p60b}},
    CatalogueRow{EDIDTABLE_1080P24_MULTI,
                 22,
                 "1080p24-multi",
                 "1080p24 preferred, TMDS up to 225 MHz, deep colour 30/36 bit, multichannel audio",
                 &hdFamily,
                 dtd1080p24,
                 ctaAll,
                 {vid1080p24, audMulti, spkMulti, hdmi225, colXvycc},
                 {dtd1080i60a, dtd720p60b}},
    CatalogueRow{EDIDTABLE_1080P24_STEREO,
                 7,
                 "1080p24-stereo",
                 "1080p24 preferred, TMDS up to 75 MHz, no deep colour, two-channel audio",
                 &hdFamily,
                 dtd1080p24,
                 ctaAll,
                 {vid1080p24, audStereo, spkStereo, hdmi75, colXvycc},
                 {dtd1080i60a, dtd720p60b}},
    CatalogueRow{EDIDTABLE_1080I60_MULTI,
                 8,
                 "1080i60-multi",
                 "1080i60 preferred, TMDS up to 75 MHz, no deep colour, no colorimetry block, multichannel audio",
                 &hdFamily,
                 dtd1080i60b,
                 ctaAll,
                 {vid1080i60, audMulti, spkMulti, hdmi75},
                 {dtd720p60b, dtd480p60}},
    CatalogueRow{EDIDTABLE_1080I60_STEREO,
                 9,
                 "1080i60-stereo",
                 "1080i60 preferred, TMDS up to 75 MHz, no deep colour, no colorimetry block, two-channel audio",
                 &hdFamily,
                 dtd1080i60b,
                 ctaAll,
                 {vid1080i60, audStereo, spkStereo, hdmi75},
                 {dtd720p60b, dtd480p60}},
};

inline constexpr std::size_t entryCount = catalogue.size();
static_assert(entryCount == 24);

constexpr std::size_t dataBlocksLength(const CatalogueRow& row) {
    std::size_t length = 0;
    for (const auto& block : row.dataBlocks) length += block.size();
    return length;
}

constexpr std::size_t timingsLength(const CatalogueRow& row) {
    std::size_t length = 0;
    for (const auto& dtd : row.timings) length += dtd.size();
    return length;
}

// The extension's header, data blocks and timings leave room for its checksum.
constexpr bool extensionFits(const CatalogueRow& row) {
    return 4 + dataBlocksLength(row) + timingsLength(row) <= protocol::edidBlockSize - 1;
}

constexpr uint8_t checksumFor(std::span<const uint8_t> block) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < block.size(); ++i) sum += block[i];
    return static_cast<uint8_t>((256 - sum % 256) % 256);
}

constexpr bool sumsToZero(std::span<const uint8_t> block) {
    unsigned sum = 0;
    for (uint8_t b : block) sum += b;
    return sum % 256 == 0;
}

constexpr Edid compose(const CatalogueRow& row) {
    Edid e{};
    std::size_t at = 0;
    auto put = [&](const Piece& piece) {
        for (uint8_t b : piece) e[at++] = b;
    };
    auto putByte = [&](uint8_t b) { e[at++] = b; };

    const FamilyFields& f = *row.family;
    put(header);
    put(manufacturerId);
    put(productCode);
    put(serialNumber);
    putByte(f.week);
    putByte(yearOfManufacture);
    put(edidVersion);
    putByte(digitalInput);
    put(imageSizeNotGiven);
    putByte(gamma220);
    putByte(f.features);
    put(f.chromaticity);
    put(f.establishedTimings);
    put(f.standardTimings);
    put(row.preferred);
    put(f.secondTiming);
    put(f.rangeLimits);
    put(productName);
    putByte(1);  // one extension block
    e[protocol::edidBlockSize - 1] = checksumFor(std::span(e).first(protocol::edidBlockSize));

    at = protocol::edidBlockSize;
    putByte(0x02);  // CTA extension tag
    putByte(0x03);  // revision 3
    putByte(static_cast<uint8_t>(4 + dataBlocksLength(row)));
    putByte(row.ctaFeatures);
    for (const auto& block : row.dataBlocks) put(block);
    for (const auto& dtd : row.timings) put(dtd);
    e[protocol::edidSize - 1] = checksumFor(std::span(e).last(protocol::edidBlockSize));
    return e;
}

constexpr const CatalogueRow* rowFor(int value) {
    for (const auto& row : catalogue)
        if (row.value == value) return &row;
    return nullptr;
}

// Pointers are not compared with null in what the compiler evaluates: GCC's
// UBSan instrumentation makes such comparisons non-constant.
constexpr const CatalogueRow& rowInSlot(std::size_t slot) {
    std::size_t found = 0;
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        if (catalogue[i].slot == slot) found = i;
    return catalogue[found];
}

// Each slot names exactly one row, and each value 2 to 25 has one.
constexpr bool slotsArePermutation() {
    for (std::size_t slot = 1; slot <= entryCount; ++slot) {
        int rows = 0;
        for (const auto& row : catalogue) rows += row.slot == slot ? 1 : 0;
        if (rows != 1) return false;
    }
    for (int value = 2; value <= 25; ++value) {
        int rows = 0;
        for (const auto& row : catalogue) rows += row.value == value ? 1 : 0;
        if (rows != 1) return false;
    }
    return true;
}
static_assert(slotsArePermutation());

constexpr bool everyExtensionFits() {
    return std::all_of(catalogue.begin(), catalogue.end(), [](const CatalogueRow& row) { return extensionFits(row); });
}
static_assert(everyExtensionFits(), "data blocks and timings must leave room for the checksum");

// builtInEdids[slot - 1] is the entry stored in that slot.
inline constexpr std::array<Edid, entryCount> builtInEdids = [] {
    std::array<Edid, entryCount> entries{};
    for (std::size_t slot = 1; slot <= entryCount; ++slot) entries[slot - 1] = compose(rowInSlot(slot));
    return entries;
}();

constexpr bool entriesAreSound() {
    for (std::size_t i = 0; i < entryCount; ++i) {
        const Edid& e = builtInEdids[i];
        const auto base = std::span(e).first(protocol::edidBlockSize);
        const auto extension = std::span(e).last(protocol::edidBlockSize);
        if (!sumsToZero(base) || !sumsToZero(extension)) return false;
        if (extension[2] != 4 + dataBlocksLength(rowInSlot(i + 1))) return false;
        for (std::size_t j = i + 1; j < entryCount; ++j)
            if (builtInEdids[j] == e) return false;
    }
    return true;
}
static_assert(entriesAreSound(), "both blocks sum to 0, byte 2 locates the timings, no two entries alike");

// The entry an EDIDTABLE value names, or nullptr.
constexpr const Edid* builtInEdidFor(int value) {
    const CatalogueRow* row = rowFor(value);
    return row ? &builtInEdids[row->slot - 1] : nullptr;
}

// A row by its readable name, or nullptr.
constexpr const CatalogueRow* rowNamed(std::string_view name) {
    for (const auto& row : catalogue)
        if (row.name == name) return &row;
    return nullptr;
}

}  // namespace brixel::edid
