// SPDX-License-Identifier: MIT
#pragma once
// An EDID taken apart: the base block's fields and descriptors, and a CTA-861
// extension's header, data blocks and timings. Every part keeps the bytes it
// was read from, so that writing an unedited model gives back the bytes it
// came from (checksums aside, which are always computed). Pure.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid/catalogue.h"

namespace brixel::edid_editor {

using Bytes = std::vector<uint8_t>;
inline constexpr std::size_t blockSize = edid::blockSize;
inline constexpr std::size_t descriptorSize = 18;
inline constexpr std::size_t baseDescriptorCount = 4;
inline constexpr std::size_t baseDescriptorsAt = 54;
// A CTA block's header, data blocks and timings end before its checksum.
inline constexpr std::size_t ctaContentEnd = blockSize - 1;
inline constexpr std::size_t ctaHeaderSize = 4;
inline constexpr uint8_t ctaExtensionTag = 0x02;

// ---- Base block ------------------------------------------------------------

enum class DescriptorKind { detailedTiming, displayName, serialText, dataText, rangeLimits, unused, other };

struct Descriptor {
    std::array<uint8_t, descriptorSize> bytes{};
    DescriptorKind kind = DescriptorKind::unused;
};

struct BaseBlock {
    std::array<uint8_t, 8> header{};
    uint16_t manufacturer = 0;  // three 5-bit letters, big-endian as stored
    uint16_t product = 0;
    uint32_t serialNumber = 0;
    uint8_t week = 0;
    uint8_t year = 0;  // years after 1990
    uint8_t version = 0;
    uint8_t revision = 0;
    uint8_t videoInput = 0;
    uint8_t widthCm = 0;
    uint8_t heightCm = 0;
    uint8_t gamma = 0;  // (gamma - 1) * 100
    uint8_t features = 0;
    std::array<uint8_t, 10> chromaticity{};
    std::array<uint8_t, 3> establishedTimings{};
    std::array<std::array<uint8_t, 2>, 8> standardTimings{};
    std::array<Descriptor, baseDescriptorCount> descriptors{};
    uint8_t extensionCount = 0;
    uint8_t checksum = 0;  // as read
};

// ---- CTA-861 extension -------------------------------------------------------

enum class BlockKind {
    video,
    audio,
    speakers,
    hdmi,       // vendor-specific, OUI 00-0C-03
    hdmiForum,  // vendor-specific, OUI C4-5D-D8, or the HDMI Forum sink capability block
    amd,        // vendor-specific, OUI 00-00-1A (FreeSync)
    vendor,     // vendor-specific, another OUI
    hdrStatic,
    hdrDynamic,
    colorimetry,
    videoCapability,
    y420Video,
    y420CapabilityMap,
    hdr10Plus,    // vendor-specific video, OUI 90-84-8B
    dolbyVision,  // vendor-specific video, OUI 00-D0-46
    vendorVideo,  // vendor-specific video, another OUI
    vendorAudio,
    roomConfiguration,
    speakerLocation,
    other,
};

struct DataBlock {
    Bytes bytes;  // header byte first
    BlockKind kind = BlockKind::other;
};

struct CtaBlock {
    uint8_t revision = 3;
    uint8_t dtdOffset = 0;  // byte 2 as read; written from what the block holds
    uint8_t flags = 0;      // byte 3: underscan, basic audio, YCbCr 4:4:4 and 4:2:2, native DTD count
    std::vector<DataBlock> blocks;
    Bytes unparsed;                   // collection bytes after the last whole data block
    std::vector<Descriptor> timings;  // the 18-byte descriptors after the collection
    Bytes padding;                    // from the last descriptor up to the checksum
    bool offsetInRange = true;        // false: byte 2 points outside the block, all kept in `padding`
    uint8_t checksum = 0;             // as read
};

struct Edid {
    BaseBlock base;
    std::optional<CtaBlock> cta;                                   // the extension, when it is CTA-861
    std::optional<std::array<uint8_t, blockSize>> otherExtension;  // an extension of another kind, as it is
    std::size_t size() const { return cta || otherExtension ? 2 * blockSize : blockSize; }
};

// ---- Reading and writing -----------------------------------------------------

// 128 or 256 bytes taken apart; nullopt with `error` for any other size.
std::optional<Edid> parseEdid(std::span<const uint8_t> bytes, std::string& error);

struct Written {
    Bytes bytes;             // 128 or 256 bytes, checksums computed; empty when it does not fit
    std::size_t overBy = 0;  // how far the CTA block's content runs past its 127 bytes
};
Written writeEdid(const Edid& edid);

// The parts, read back from their own bytes.
Descriptor parseDescriptor(std::span<const uint8_t, descriptorSize> bytes);
DataBlock parseDataBlock(Bytes bytes);

// ---- What the parts hold -------------------------------------------------------

// Byte 17 of a detailed timing: bits 6-5 and 0 name a stereo format, when 6-5 are not 0.
inline constexpr uint8_t dtdStereoBits = 0x60;
inline constexpr uint8_t dtdStereoMask = 0x61;

struct DetailedTiming {
    uint32_t pixelClockKhz = 0;
    unsigned hActive = 0, hBlank = 0, vActive = 0, vBlank = 0;
    unsigned hFront = 0, hSync = 0, vFront = 0, vSync = 0;
    unsigned widthMm = 0, heightMm = 0;
    bool interlaced = false;
    bool stereo = false;
    double refreshHz() const;  // fields per second when interlaced
};
DetailedTiming detailedTiming(const Descriptor& descriptor);

struct RangeLimits {
    unsigned minVerticalHz = 0, maxVerticalHz = 0;
    unsigned minHorizontalKhz = 0, maxHorizontalKhz = 0;
    unsigned maxPixelClockMhz = 0;
};
RangeLimits rangeLimits(const Descriptor& descriptor);

// The text of a name, serial or data descriptor: up to 13 characters, ended by a line feed.
std::string descriptorText(const Descriptor& descriptor);
// Characters other than printable ASCII as \xNN, so that any text is one line.
std::string printableText(std::string_view text);
// The text in double quotes, printable, to stand in a sentence.
std::string quoted(std::string_view text);
// Such a descriptor as E-EDID lays it out: the text, a line feed, spaces.
Descriptor textDescriptor(uint8_t tag, std::string_view text);
uint8_t descriptorTag(const Descriptor& descriptor);

// "BRX", or nullopt when the code is not three letters.
std::optional<std::string> manufacturerLetters(uint16_t code);

// Where a data block's own fields begin: after its header, extended tag and OUI.
std::size_t fieldsAt(const DataBlock& block);
std::span<const uint8_t> fields(const DataBlock& block);
std::optional<uint8_t> extendedTag(const DataBlock& block);

struct VideoMode {
    uint8_t vic = 0;
    bool native = false;
};
// A video or 4:2:0 video data block's short video descriptors.
std::vector<VideoMode> videoModes(const DataBlock& block);
uint8_t svdByte(VideoMode mode);
// Every short video descriptor of the video data blocks, in order: what a
// 4:2:0 capability map and the HDMI 3D fields count.
std::vector<VideoMode> allVideoModes(const CtaBlock& cta);

// The HDMI vendor-specific block's fields, with where each sits in the block's bytes.
struct HdmiFields {
    uint16_t physicalAddress = 0;
    std::optional<uint8_t> flags;         // Supports_AI, deep colour, DVI_Dual
    std::optional<uint8_t> maxTmds;       // in 5 MHz
    std::optional<uint8_t> latencyFlags;  // latency fields, HDMI_Video_present, CNC
    Bytes latencies;
    std::optional<uint8_t> videoFlags;  // 3D_present, 3D_Multi_present, image size
    std::size_t videoFlagsAt = 0;       // then the HDMI_VIC_LEN and HDMI_3D_LEN byte
    std::size_t vicsAt = 0;             // HDMI VICs, then the 3D fields
    Bytes hdmiVics;
    Bytes threeD;
    std::size_t threeDAt = 0;
    bool complete = false;  // every field the block announces is there
};
HdmiFields hdmiFields(const DataBlock& block);

}  // namespace brixel::edid_editor
