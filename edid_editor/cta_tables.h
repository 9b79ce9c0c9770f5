// SPDX-License-Identifier: MIT
#pragma once
// What the bytes of an EDID mean, as tables the model, its checks, its
// descriptions and its edits all walk: the data block kinds of a CTA-861
// extension, and the named bits of the fields that the editor shows or changes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "edid_editor/edid_model.h"

namespace brixel::edid_editor {

// ---- Data block kinds --------------------------------------------------------

inline constexpr uint8_t tagAudio = 1;
inline constexpr uint8_t tagVideo = 2;
inline constexpr uint8_t tagVendor = 3;
inline constexpr uint8_t tagSpeakers = 4;
inline constexpr uint8_t tagExtended = 7;
inline constexpr uint8_t extendedVideoCapability = 0x00;
inline constexpr uint8_t extendedVendorVideo = 0x01;
inline constexpr uint8_t extendedColorimetry = 0x05;
inline constexpr uint8_t extendedHdrStatic = 0x06;
inline constexpr uint8_t extendedHdrDynamic = 0x07;
inline constexpr uint8_t extendedY420Video = 0x0E;
inline constexpr uint8_t extendedY420CapabilityMap = 0x0F;
inline constexpr uint8_t extendedVendorAudio = 0x11;
inline constexpr uint8_t extendedRoomConfiguration = 0x13;
inline constexpr uint8_t extendedSpeakerLocation = 0x14;
inline constexpr uint8_t extendedHdmiForumSink = 0x79;

inline constexpr uint32_t ouiHdmi = 0x000C03;
inline constexpr uint32_t ouiHdmiForum = 0xC45DD8;
inline constexpr uint32_t ouiAmd = 0x00001A;
inline constexpr uint32_t ouiHdr10Plus = 0x90848B;
inline constexpr uint32_t ouiDolby = 0x00D046;

inline constexpr int noExtendedTag = -1;
inline constexpr uint32_t anyOui = 0xFFFFFFFF;
inline constexpr uint32_t noOui = 0;

struct BlockKindRow {
    BlockKind kind;
    std::string_view name;   // as edid-decode names it
    std::string_view label;  // what the differences are prefixed with
    uint8_t tag;
    int extendedTag;
    uint32_t oui;       // noOui, anyOui, or the one OUI
    uint8_t fieldsAt;   // header, extended tag, OUI or reserved bytes before the fields
    uint8_t minLength;  // of the payload, as the header byte counts it
};

// Looked up first match wins: a block with a known OUI before the catch-all of its tag.
inline constexpr std::array blockKinds{
    BlockKindRow{BlockKind::video, "Video Data Block", "Video", tagVideo, noExtendedTag, noOui, 1, 1},
    BlockKindRow{BlockKind::audio, "Audio Data Block", "Audio", tagAudio, noExtendedTag, noOui, 1, 3},
    BlockKindRow{BlockKind::speakers, "Speaker Allocation Data Block", "Speakers", tagSpeakers, noExtendedTag, noOui, 1,
                 3},
    BlockKindRow{BlockKind::hdmi, "Vendor-Specific Data Block (HDMI), OUI 00-0C-03", "HDMI", tagVendor, noExtendedTag,
                 ouiHdmi, 4, 5},
    BlockKindRow{BlockKind::hdmiForum, "Vendor-Specific Data Block (HDMI Forum), OUI C4-5D-D8", "HDMI Forum", tagVendor,
                 noExtendedTag, ouiHdmiForum, 4, 7},
    BlockKindRow{BlockKind::amd, "Vendor-Specific Data Block (AMD), OUI 00-00-1A", "AMD FreeSync", tagVendor,
                 noExtendedTag, ouiAmd, 4, 3},
    BlockKindRow{BlockKind::vendor, "Vendor-Specific Data Block", "Vendor", tagVendor, noExtendedTag, anyOui, 4, 3},
    BlockKindRow{BlockKind::hdmiForum, "HDMI Forum Sink Capability Data Block", "HDMI Forum", tagExtended,
                 extendedHdmiForumSink, noOui, 4, 7},
    BlockKindRow{BlockKind::videoCapability, "Video Capability Data Block", "Video capability", tagExtended,
                 extendedVideoCapability, noOui, 2, 2},
    BlockKindRow{BlockKind::hdr10Plus, "HDR10+ Vendor-Specific Video Data Block, OUI 90-84-8B", "HDR10+", tagExtended,
                 extendedVendorVideo, ouiHdr10Plus, 5, 5},
    BlockKindRow{BlockKind::dolbyVision, "Dolby Vision Vendor-Specific Video Data Block, OUI 00-D0-46", "Dolby Vision",
                 tagExtended, extendedVendorVideo, ouiDolby, 5, 5},
    BlockKindRow{BlockKind::vendorVideo, "Vendor-Specific Video Data Block", "Vendor video", tagExtended,
                 extendedVendorVideo, anyOui, 5, 4},
    BlockKindRow{BlockKind::colorimetry, "Colorimetry Data Block", "Colorimetry", tagExtended, extendedColorimetry,
                 noOui, 2, 3},
    BlockKindRow{BlockKind::hdrStatic, "HDR Static Metadata Data Block", "HDR", tagExtended, extendedHdrStatic, noOui,
                 2, 3},
    BlockKindRow{BlockKind::hdrDynamic, "HDR Dynamic Metadata Data Block", "HDR dynamic metadata", tagExtended,
                 extendedHdrDynamic, noOui, 2, 1},
    BlockKindRow{BlockKind::y420Video, "YCbCr 4:2:0 Video Data Block", "4:2:0 only", tagExtended, extendedY420Video,
                 noOui, 2, 2},
    BlockKindRow{BlockKind::y420CapabilityMap, "YCbCr 4:2:0 Capability Map Data Block", "4:2:0 also", tagExtended,
                 extendedY420CapabilityMap, noOui, 2, 1},
    BlockKindRow{BlockKind::vendorAudio, "Vendor-Specific Audio Data Block", "Vendor audio", tagExtended,
                 extendedVendorAudio, anyOui, 5, 4},
    BlockKindRow{BlockKind::roomConfiguration, "Room Configuration Data Block", "Room configuration", tagExtended,
                 extendedRoomConfiguration, noOui, 2, 1},
    BlockKindRow{BlockKind::speakerLocation, "Speaker Location Data Block", "Speaker location", tagExtended,
                 extendedSpeakerLocation, noOui, 2, 1},
};

// The rest keep their bytes; these are their names.
struct TagName {
    int tag;  // extended tags as 0x700 + the extended tag
    std::string_view name;
};
inline constexpr std::array otherBlockNames{
    TagName{0, "Reserved Data Block"},
    TagName{5, "VESA Display Transfer Characteristics Data Block"},
    TagName{6, "Video Format Data Block"},
    TagName{0x702, "VESA Video Display Device Data Block"},
    TagName{0x703, "VESA Video Timing Block Extension"},
    TagName{0x708, "Native Video Resolution Data Block"},
    TagName{0x70D, "Video Format Preference Data Block"},
    TagName{0x712, "HDMI Audio Data Block"},
    TagName{0x720, "InfoFrame Data Block"},
    TagName{0x722, "DisplayID Type VII Video Timing Data Block"},
    TagName{0x723, "DisplayID Type VIII Video Timing Data Block"},
    TagName{0x72A, "DisplayID Type X Video Timing Data Block"},
    TagName{0x778, "HDMI Forum EDID Extension Override Data Block"},
};

// ---- Named bits ----------------------------------------------------------------

// A bit, or a run of bits, of a field: `at` counts from the field's start.
struct Bit {
    std::string_view label;
    std::size_t at;
    uint8_t mask;
};

// CTA extension byte 3.
inline constexpr uint8_t ctaUnderscan = 0x80;
inline constexpr uint8_t ctaBasicAudio = 0x40;
inline constexpr uint8_t ctaNativeCount = 0x0F;
inline constexpr std::array ctaFlagBits{
    Bit{"underscan", 0, ctaUnderscan},
    Bit{"basic audio", 0, ctaBasicAudio},
    Bit{"YCbCr 4:4:4", 0, 0x20},
    Bit{"YCbCr 4:2:2", 0, 0x10},
};

// Established timings I and II, bytes 35-37 of the base block, with the
// pixel clock each needs.
struct EstablishedTiming {
    std::size_t at;
    uint8_t mask;
    unsigned width, height, hz;
    bool interlaced;
    uint32_t pixelClockKhz;
};
inline constexpr std::array establishedTimingBits{
    EstablishedTiming{0, 0x80, 720, 400, 70, false, 28322},   EstablishedTiming{0, 0x40, 720, 400, 88, false, 35500},
    EstablishedTiming{0, 0x20, 640, 480, 60, false, 25175},   EstablishedTiming{0, 0x10, 640, 480, 67, false, 30240},
    EstablishedTiming{0, 0x08, 640, 480, 72, false, 31500},   EstablishedTiming{0, 0x04, 640, 480, 75, false, 31500},
    EstablishedTiming{0, 0x02, 800, 600, 56, false, 36000},   EstablishedTiming{0, 0x01, 800, 600, 60, false, 40000},
    EstablishedTiming{1, 0x80, 800, 600, 72, false, 50000},   EstablishedTiming{1, 0x40, 800, 600, 75, false, 49500},
    EstablishedTiming{1, 0x20, 832, 624, 75, false, 57284},   EstablishedTiming{1, 0x10, 1024, 768, 87, true, 44900},
    EstablishedTiming{1, 0x08, 1024, 768, 60, false, 65000},  EstablishedTiming{1, 0x04, 1024, 768, 70, false, 75000},
    EstablishedTiming{1, 0x02, 1024, 768, 75, false, 78750},  EstablishedTiming{1, 0x01, 1280, 1024, 75, false, 135000},
    EstablishedTiming{2, 0x80, 1152, 870, 75, false, 100000},
};

// Speaker allocation, the block's three bytes.
inline constexpr std::array speakerBits{
    Bit{"FL/FR", 0, 0x01},     Bit{"LFE", 0, 0x02},     Bit{"FC", 0, 0x04},        Bit{"RL/RR", 0, 0x08},
    Bit{"RC", 0, 0x10},        Bit{"FLC/FRC", 0, 0x20}, Bit{"RLC/RRC", 0, 0x40},   Bit{"FLW/FRW", 0, 0x80},
    Bit{"TpFL/TpFR", 1, 0x01}, Bit{"TpC", 1, 0x02},     Bit{"TpFC", 1, 0x04},      Bit{"LS/RS", 1, 0x08},
    Bit{"LFE2", 1, 0x10},      Bit{"TpBC", 1, 0x20},    Bit{"SiL/SiR", 1, 0x40},   Bit{"TpSiL/TpSiR", 1, 0x80},
    Bit{"TpBL/TpBR", 2, 0x01}, Bit{"BtFC", 2, 0x02},    Bit{"BtFL/BtFR", 2, 0x04}, Bit{"TpLS/TpRS", 2, 0x08},
};

// The HDMI block's fields after its OUI.
inline constexpr std::size_t hdmiFlagsAt = 2;
inline constexpr std::size_t hdmiMaxTmdsAt = 3;
inline constexpr std::size_t hdmiLatencyFlagsAt = 4;
inline constexpr uint8_t hdmiLatencyPresent = 0x80;
inline constexpr uint8_t hdmiInterlacedLatencyPresent = 0x40;
inline constexpr uint8_t hdmiVideoPresent = 0x20;
inline constexpr uint8_t hdmi3dPresent = 0x80;
inline constexpr uint8_t hdmi3dMulti = 0x60;
inline constexpr uint8_t hdmiVicLengthMask = 0xE0;
inline constexpr uint8_t hdmi3dLengthMask = 0x1F;
inline constexpr std::array hdmiFlagBits{
    Bit{"Supports_AI", hdmiFlagsAt, 0x80},
    Bit{"DC_48bit", hdmiFlagsAt, 0x40},
    Bit{"DC_36bit", hdmiFlagsAt, 0x20},
    Bit{"DC_30bit", hdmiFlagsAt, 0x10},
    Bit{"DC_Y444", hdmiFlagsAt, 0x08},
    Bit{"DVI_Dual", hdmiFlagsAt, 0x01},
    Bit{"CNC graphics", hdmiLatencyFlagsAt, 0x01},
    Bit{"CNC photo", hdmiLatencyFlagsAt, 0x02},
    Bit{"CNC cinema", hdmiLatencyFlagsAt, 0x04},
    Bit{"CNC game", hdmiLatencyFlagsAt, 0x08},
};

// The HDMI Forum block's fields after its OUI (or the sink capability block's reserved bytes).
inline constexpr std::size_t forumVersionAt = 0;
inline constexpr std::size_t forumMaxTmdsAt = 1;
inline constexpr std::size_t forumFlagsAt = 2;
inline constexpr std::size_t forumFrlAt = 3;
inline constexpr std::size_t forumFeaturesAt = 4;
inline constexpr std::size_t forumVrrMinAt = 5;
inline constexpr std::size_t forumVrrMaxAt = 6;
inline constexpr std::size_t forumDscAt = 7;
inline constexpr std::size_t forumDscSlicesAt = 8;
inline constexpr std::size_t forumDscChunkAt = 9;
inline constexpr uint8_t forumMaxFrlMask = 0xF0;
inline constexpr uint8_t forumDc420Mask = 0x07;
inline constexpr uint8_t forum3dMask = 0x07;  // independent view, dual view, OSD disparity
inline constexpr uint8_t forumAllm = 0x02;
inline constexpr uint8_t forumVrrFeatures = 0xF8;  // QMS-TFRmax, QMS, M_delta, CinemaVRR, Neg_MVRR: VRR's own
inline constexpr uint8_t forumVrrMinMask = 0x3F;
inline constexpr uint8_t forumDscNative420 = 0x40;
inline constexpr std::array forumFlagBits{
    Bit{"SCDC", forumFlagsAt, 0x80},
    Bit{"SCDC read request", forumFlagsAt, 0x40},
    Bit{"cable status", forumFlagsAt, 0x20},
    Bit{"colour content bits per component", forumFlagsAt, 0x10},
    Bit{"scrambling at 340 Mcsc and below", forumFlagsAt, 0x08},
    Bit{"3D independent view", forumFlagsAt, 0x04},
    Bit{"3D dual view", forumFlagsAt, 0x02},
    Bit{"3D OSD disparity", forumFlagsAt, 0x01},
    Bit{"UHD VIC", forumFrlAt, 0x08},
    Bit{"DC_48bit_420", forumFrlAt, 0x04},
    Bit{"DC_36bit_420", forumFrlAt, 0x02},
    Bit{"DC_30bit_420", forumFrlAt, 0x01},
    Bit{"QMS-TFRmax", forumFeaturesAt, 0x80},
    Bit{"QMS", forumFeaturesAt, 0x40},
    Bit{"M_delta", forumFeaturesAt, 0x20},
    Bit{"CinemaVRR", forumFeaturesAt, 0x10},
    Bit{"negative M_VRR", forumFeaturesAt, 0x08},
    Bit{"fast vactive", forumFeaturesAt, 0x04},
    Bit{"ALLM", forumFeaturesAt, forumAllm},
    Bit{"FAPA start location", forumFeaturesAt, 0x01},
    Bit{"DSC 1.2a", forumDscAt, 0x80},
    Bit{"DSC native 4:2:0", forumDscAt, forumDscNative420},
    Bit{"FAPA end extended", forumDscAt, 0x20},
    Bit{"DSC byte's reserved bit 4", forumDscAt, 0x10},
    Bit{"DSC all bpp", forumDscAt, 0x08},
    Bit{"DSC 16 bpc", forumDscAt, 0x04},
    Bit{"DSC 12 bpc", forumDscAt, 0x02},
    Bit{"DSC 10 bpc", forumDscAt, 0x01},
};
// Max_FRL_Rate 1 to 6: the rate of each lane and the lanes.
inline constexpr std::array<std::string_view, 7> frlRates{"none",
                                                          "3 Gbit/s on 3 lanes",
                                                          "6 Gbit/s on 3 lanes",
                                                          "6 Gbit/s on 4 lanes",
                                                          "8 Gbit/s on 4 lanes",
                                                          "10 Gbit/s on 4 lanes",
                                                          "12 Gbit/s on 4 lanes"};

// HDR static metadata, after the extended tag.
inline constexpr std::array hdrStaticBits{
    Bit{"traditional gamma SDR", 0, 0x01}, Bit{"traditional gamma HDR", 0, 0x02},  Bit{"SMPTE ST 2084", 0, 0x04},
    Bit{"hybrid log-gamma", 0, 0x08},      Bit{"static metadata type 1", 1, 0x01},
};

// Colorimetry, after the extended tag.
inline constexpr std::array colorimetryBits{
    Bit{"xvYCC601", 0, 0x01}, Bit{"xvYCC709", 0, 0x02},   Bit{"sYCC601", 0, 0x04},   Bit{"opYCC601", 0, 0x08},
    Bit{"opRGB", 0, 0x10},    Bit{"BT2020cYCC", 0, 0x20}, Bit{"BT2020YCC", 0, 0x40}, Bit{"BT2020RGB", 0, 0x80},
    Bit{"MD0", 1, 0x01},      Bit{"MD1", 1, 0x02},        Bit{"MD2", 1, 0x04},       Bit{"MD3", 1, 0x08},
    Bit{"ICtCp", 1, 0x20},    Bit{"ST2113RGB", 1, 0x40},  Bit{"DCI-P3", 1, 0x80},
};

// Video capability, after the extended tag.
inline constexpr std::array videoCapabilityBits{
    Bit{"QY", 0, 0x80}, Bit{"QS", 0, 0x40}, Bit{"S_PT", 0, 0x30}, Bit{"S_IT", 0, 0x0C}, Bit{"S_CE", 0, 0x03},
};

// Short audio descriptors.
inline constexpr std::array<std::string_view, 16> audioFormats{
    "reserved audio format 0", "LPCM",          "AC-3",   "MPEG-1", "MP3", "MPEG-2",  "AAC LC",  "DTS", "ATRAC",
    "One Bit Audio",           "Enhanced AC-3", "DTS-HD", "MAT",    "DST", "WMA Pro", "extended"};
inline constexpr std::array<std::string_view, 7> audioRates{"32", "44.1", "48", "88.2", "96", "176.4", "192"};
inline constexpr std::array<std::string_view, 3> lpcmDepths{"16", "20", "24"};

// ---- Lookups ----------------------------------------------------------------------

const BlockKindRow* kindRow(BlockKind kind);
// The row that describes `block`, nullptr for a kind without one (other).
const BlockKindRow* rowOf(const DataBlock& block);
std::string blockName(const DataBlock& block);
std::string blockLabel(const DataBlock& block);
std::optional<uint32_t> blockOui(const DataBlock& block);

}  // namespace brixel::edid_editor
