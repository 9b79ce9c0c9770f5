// SPDX-License-Identifier: MIT
// The report's lines as data: values without labels and the numbers in them.

#include "toolkit/status_values.h"

#include <gtest/gtest.h>

#include <cstring>

namespace brixel::toolkit {
namespace {

const StatusField& field(std::string_view name) {
    for (const auto& f : statusFields)
        if (f.name == name) return f;
    throw std::logic_error("no such field");
}

nlohmann::json parsed(std::string_view name, const char* text, bool warning = false) {
    return statusFieldJson(field(name), ReportLine{text, warning});
}

TEST(StatusValues, FormatsGiveTheirTiming) {
    EXPECT_EQ(parsed("input", "Input : 3840x2160p60"),
              nlohmann::json::parse(R"({"text": "Input : 3840x2160p60", "value": "3840x2160p60", "warning": false,
                 "width": 3840, "height": 2160, "interlaced": false, "rate": 60})"));
    const auto out = parsed("output", "Output : 1920x1080i60 [downscaled]");
    EXPECT_EQ(out.at("interlaced"), true);
    EXPECT_EQ(out.at("scaled"), "down");
    EXPECT_EQ(out.at("value"), "1920x1080i60 [downscaled]");
    // A name without a timing in it keeps its text and gains no numbers.
    EXPECT_FALSE(parsed("input", "Input : 1080p100").contains("width"));
}

TEST(StatusValues, ColourSpacesClocksDepthsAndHdcp) {
    const auto space = parsed("inColorSpace", "In Color Space: RGB 16-235 ITU-R BT.709");
    EXPECT_EQ(space.at("colorSpace"), "RGB");
    EXPECT_EQ(space.at("range"), "limited");
    EXPECT_EQ(space.at("colorimetry"), "ITU-R BT.709");
    EXPECT_EQ(parsed("outColorSpace", "Out Color Space: YCbCr 4:2:0 Extended ITU-R BT.2020").at("colorSpace"),
              "YCbCr 4:2:0");

    const auto clock = parsed("outPixelClock", "Output Pixel Clock: 742500 [over HDMI2.0 limit]", true);
    EXPECT_EQ(clock.at("pixelClockKhz"), 742500);
    EXPECT_EQ(clock.at("warning"), true);
    EXPECT_FALSE(
        parsed("outPixelClock", "Output Pixel Clock: N/A [422 16bit not supported]").contains("pixelClockKhz"));

    EXPECT_EQ(parsed("inDeepColor", "Input Deep Color: up to 12-bit").at("depth"), 12);
    EXPECT_EQ(parsed("inDeepColor", "Input Deep Color: up to 12-bit").at("depthUpTo"), true);
    EXPECT_EQ(parsed("outDeepColor", "Output Deep Color: 10-bit").at("depthUpTo"), false);

    EXPECT_EQ(parsed("inEncryption", "Input Encryption:  HDCP 2.2").at("hdcp"), "2.2");
    EXPECT_EQ(parsed("outEncryption", "Output Encryption:  None").at("hdcp"), nullptr);
}

TEST(StatusValues, InfoFrameLinesGainTheirTitleAndTheirMeaning) {
    const auto avi = parsed("aviIfHex", "82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(avi.at("text"), "AVI InfoFrame: 82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(avi.at("value"), "82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(avi.at("bytes").size(), 17u);
    EXPECT_EQ(avi.at("decoded").at("summary"), "3840x2160p60 16:9, YCbCr 4:2:0, BT.2020 YCbCr, limited range");
    EXPECT_EQ(parsed("vsIfHex1", "81:00:05:80:d8:5d:c4:01:00").at("text"),
              "Vendor InfoFrame 1: 81:00:05:80:d8:5d:c4:01:00");
    // An empty line stays empty, with nothing decoded; the labelled lines decode nothing.
    EXPECT_EQ(parsed("spdIfHex", ""), nlohmann::json::parse(R"({"text": "", "value": "", "warning": false,
                                                                "decoded": null})"));
    EXPECT_FALSE(parsed("hdrInput", "HDR input:  SMPTE ST 2084").contains("decoded"));
    EXPECT_FALSE(parsed("sinkEdidLimited", "[Sink EDID limited]").contains("decoded"));
}

TEST(StatusValues, TheSignalFromTheFramesAndTheInputsDepth) {
    VIDEO_STATUS status{};
    std::strcpy(status.input, "Input : 3840x2160p60");
    std::strcpy(status.aviIfHex, "82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    std::strcpy(status.hdrIfHex,
                "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01");
    std::strcpy(status.inDeepColor, "Input Deep Color: 10-bit");
    EXPECT_EQ(statusReportJson(status).at("signal"), nlohmann::json::parse(R"({"hdrFormat": "HDR10",
                  "description": "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m\u00b2"})"));
    // "up to 12-bit" is no depth to describe the signal by; nor is a report not read.
    std::strcpy(status.inDeepColor, "Input Deep Color: up to 12-bit");
    std::strcpy(status.hdrIfHex, "");
    EXPECT_EQ(statusReportJson(status).at("signal").at("description"), "3840x2160p60 YCbCr 4:2:0 BT.2020 limited, SDR");
    std::strcpy(status.input, "Input :");
    EXPECT_TRUE(statusReportJson(status).at("signal").is_null());
}

TEST(StatusValues, NamesFromTheDeviceAreLatin1AndTheMarkupIsGone) {
    VIDEO_STATUS status{};
    std::strcpy(status.input, "Input : 3840x2160p24");
    std::strcpy(status.displayName, "Display Name: T\xE9l\xE9");
    std::strcpy(status.outPixelClock, "<font color='red'>Output Pixel Clock: 742500 [over HDMI2.0 limit]</font>");
    const auto report = statusReportJson(status);
    EXPECT_EQ(report.at("report"), true);
    EXPECT_EQ(report.at("fields").at("displayName").at("value"), "T\xC3\xA9l\xC3\xA9");
    EXPECT_EQ(report.at("fields").at("outPixelClock").at("text"), "Output Pixel Clock: 742500 [over HDMI2.0 limit]");
    EXPECT_EQ(report.at("fields").at("outPixelClock").at("warning"), true);
    EXPECT_EQ(forTerminal("a\x1b[2Jb"), "a?[2Jb");

    std::strcpy(status.input, "Input :");
    EXPECT_FALSE(reportWasRead(status));
}

}  // namespace
}  // namespace brixel::toolkit
