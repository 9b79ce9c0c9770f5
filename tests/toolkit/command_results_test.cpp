// SPDX-License-Identifier: MIT
// The keys each command adds to its result document, the same for the tool's
// --json and the panel's API.

#include "toolkit/command_results.h"

#include <gtest/gtest.h>

namespace brixel::toolkit {
namespace {

using nlohmann::json;

const SettingCode& setting(std::string_view command) {
    for (const auto& row : settingCodes)
        if (row.command == command) return row;
    throw std::logic_error("no such setting");
}

TEST(CommandResults, FirmwareVersionNumbersOnlyWhenTheTextHasThem) {
    EXPECT_EQ(firmwareVersionNumbers("BRIXEL FW Ver: 1.5"), json::parse(R"({"major": 1, "minor": 5})"));
    EXPECT_EQ(firmwareVersionNumbers("BRIXEL FW Ver: 12.34"), json::parse(R"({"major": 12, "minor": 34})"));
    EXPECT_TRUE(firmwareVersionNumbers("no version").is_null());
    EXPECT_TRUE(firmwareVersionNumbers("BRIXEL 1.x").is_null());
    EXPECT_TRUE(firmwareVersionNumbers("v1.5 beta").is_null());
}

TEST(CommandResults, InfoKeepsWhatWasNotReadAsNull) {
    EXPECT_EQ(infoResult(std::nullopt, std::nullopt),
              json::parse(R"({"firmware": null, "version": null, "stateBlock": null})"));
    EXPECT_EQ(infoResult(std::string("BRIXEL FW Ver: 2.0"), std::vector<uint8_t>{1, 2, 255}),
              json::parse(R"({"firmware": "BRIXEL FW Ver: 2.0", "version": {"major": 2, "minor": 0},
                              "stateBlock": [1, 2, 255]})"));
}

TEST(CommandResults, SettingsCarryTheValuesName) {
    EXPECT_EQ(settingResult(setting("port"), 2), json::parse(R"({"code": 0, "value": 2, "name": "2"})"));
    EXPECT_EQ(settingResult(setting("scaling"), 200).contains("name"), false);
    EXPECT_EQ(rawSettingResult(0x16, 7), json::parse(R"({"code": 22, "value": 7})"));
}

TEST(CommandResults, StatusWithoutADeviceHasNoFields) {
    const VIDEO_STATUS none{};
    EXPECT_TRUE(statusResult(none, false).at("fields").is_null());
    EXPECT_TRUE(statusResult(none, false).at("signal").is_null());
    EXPECT_TRUE(statusResult(none, true).at("fields").is_object());
}

TEST(CommandResults, EdidDocuments) {
    const auto list = edidCatalogueResult().at("entries");
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(list.front().at("value"), 2);
    EXPECT_EQ(list.front().at("slot"), 11);
    EXPECT_EQ(list.front().at("name"), "2160p60-hdr-multi");
    EXPECT_EQ(list.back().at("value"), 25);
    EXPECT_EQ(edidInstallResult(edid::catalogue[0]).at("value"), 2);
    EXPECT_EQ(edidSetResult("tv.bin", "raw binary", {"p"}, {}),
              json::parse(R"({"file": "tv.bin", "form": "raw binary", "problems": ["p"], "notes": []})"));
    const std::vector<uint8_t> bytes{0x00, 0xff, 0x10};
    EXPECT_EQ(edidBytesResult(bytes), json::parse(R"({"edid": "00 ff 10\n"})"));
}

TEST(CommandResults, InfoFramesAndMatrices) {
    EXPECT_EQ(infoFrameResult("87:01"), json::parse(R"({"text": "87:01"})"));
    EXPECT_EQ(unsentInfoFrameResult("87:01"), json::parse(R"({"text": "87:01", "sent": false})"));
    EXPECT_TRUE(matrixReadResult(std::nullopt).at("matrix").is_null());
    SB_VALUES m{};
    m.coef11 = -4.0;
    m.offset1 = -16.0;
    const auto sent = matrixSentResult(m);
    EXPECT_EQ(sent.at("matrix").at("coef11"), -4.0);
    // The device holds -4 as +4 and offsets unsigned.
    EXPECT_EQ(sent.at("held").at("coef11"), 4.0);
    EXPECT_EQ(sent.at("held").at("offset1"), 240.0);
}

}  // namespace
}  // namespace brixel::toolkit
