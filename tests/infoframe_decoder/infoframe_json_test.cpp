// SPDX-License-Identifier: MIT
// Decoded frames as JSON, under the names scripts rely on.

#include "toolkit/infoframe_json.h"

#include <gtest/gtest.h>

#include "text/hex.h"

namespace brixel::toolkit {
namespace {

namespace dec = infoframe_decoder;

nlohmann::json decoded(std::string_view hex) {
    return decodedFrameJson(dec::decodeInfoFrame(*text::bytesFromHex(hex)));
}

TEST(InfoFrameJson, AWholeAudioFrame) {
    const auto expected = nlohmann::json::parse(R"({
        "type": "Audio", "typeCode": 132, "version": 1, "length": 10,
        "checksum": {"value": 112, "valid": true},
        "summary": "2 channels, speakers FL FR, coding, sample rate and sample size from the stream",
        "problems": [],
        "fields": {
            "codingType": {"code": 0, "name": "refer to stream header"},
            "channelCount": 2,
            "sampleRate": {"code": 0, "name": "refer to stream header"},
            "sampleSize": {"code": 0, "name": "refer to stream header"},
            "codingExtension": {"code": 0, "name": "refer to coding type"},
            "channelAllocation": {"code": 0, "name": "FL FR"},
            "speakers": ["FL", "FR"],
            "levelShift": 0,
            "downmixInhibit": false,
            "lfePlaybackLevel": {"code": 0, "name": "no information"}
        }})");
    EXPECT_EQ(decoded("84:01:0a:70:01:00:00:00:00:00:00:00:00:00"), expected);
    // With the lines people read, for a result that shows one frame.
    const auto frame = dec::decodeInfoFrame(*text::bytesFromHex("84:01:0a:70:01:00:00:00:00:00:00:00:00:00"));
    auto withLines = expected;
    withLines["lines"] = nlohmann::json::parse(R"j([
            "Audio InfoFrame: 2 channels, speakers FL FR, coding, sample rate and sample size from the stream",
            "  Header: type 0x84, version 1, length 10, checksum 0x70 (right)",
            "  Coding type: refer to stream header (0)",
            "  Channel count: 2",
            "  Sample rate: refer to stream header (0)",
            "  Sample size: refer to stream header (0)",
            "  Coding extension: refer to coding type (0)",
            "  Channel allocation: FL FR (0)",
            "  Speakers: FL FR",
            "  Level shift: 0 dB",
            "  Down-mix inhibited: no",
            "  LFE playback level: no information (0)"
        ])j");
    EXPECT_EQ(decodedFrameJson(frame, FrameLines::included), withLines);
}

TEST(InfoFrameJson, HdrNumbersPointsAndNulls) {
    const auto hdr =
        decoded("87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01");
    EXPECT_EQ(hdr["type"], "HDR");
    const auto& f = hdr["fields"];
    EXPECT_EQ(f["eotf"], nlohmann::json::parse(R"j({"code": 2, "name": "PQ (SMPTE ST 2084)"})j"));
    EXPECT_EQ(f["displayPrimaries"], nlohmann::json::parse("[[0.17, 0.797], [0.131, 0.046], [0.708, 0.292]]"));
    EXPECT_EQ(f["whitePoint"], nlohmann::json::parse("[0.3127, 0.329]"));
    EXPECT_EQ(f["maxMasteringLuminance"].dump(), "1000");
    EXPECT_EQ(f["minMasteringLuminance"].dump(), "0.005");
    EXPECT_EQ(f["maxCll"].dump(), "1000");
    EXPECT_EQ(f["maxFall"].dump(), "400");

    // A zero MaxCLL stays 0; a channel count the stream gives is null.
    const auto zero =
        decoded("87:01:1a:5c:02:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(zero["fields"]["maxCll"].dump(), "0");
    EXPECT_EQ(zero["problems"].size(), 1u);
    EXPECT_TRUE(decoded("84:01:0a:71:00:00:00:00:00:00:00:00:00:00")["fields"]["channelCount"].is_null());
}

TEST(InfoFrameJson, AviAndVendorNames) {
    const auto avi = decoded("82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(avi["fields"]["colourFormat"], nlohmann::json::parse(R"({"code": 3, "name": "YCbCr 4:2:0"})"));
    EXPECT_EQ(avi["fields"]["colorimetry"]["name"], "BT.2020 YCbCr");
    EXPECT_EQ(avi["fields"]["vic"], 97);
    EXPECT_EQ(avi["fields"]["videoFormat"], "3840x2160p60 16:9");
    EXPECT_TRUE(decoded("82:02:0d:f7:70:e8:64:00:00:00:00:00:00:00:00:00:00")["fields"]["videoFormat"].is_null());
    const auto vendor = decoded("81:00:05:80:d8:5d:c4:01:00");
    EXPECT_EQ(vendor["type"], "Vendor");
    EXPECT_EQ(vendor["fields"]["oui"], "C4-5D-D8");
    EXPECT_EQ(vendor["fields"]["owner"], "HDMI Forum");
    EXPECT_EQ(decoded("05:01:00:fa")["type"], "unknown");
}

TEST(InfoFrameJson, TheSignal) {
    EXPECT_EQ(signalJson({"HDR10", "3840x2160p60, HDR10"}),
              nlohmann::json::parse(R"({"hdrFormat": "HDR10", "description": "3840x2160p60, HDR10"})"));
}

TEST(InfoFrameJson, BytesThatAreNoTextStillMakeJson) {
    // SPD names with bytes past ASCII: the JSON holds them escaped, and dumps.
    const auto spd = decoded("83:01:19:00:c3:a9:ff:00:00:00:00:00:01:02:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(spd["fields"]["vendorName"], "\\xC3\\xA9\\xFF");
    EXPECT_NO_THROW((void)spd.dump());
}

}  // namespace
}  // namespace brixel::toolkit
