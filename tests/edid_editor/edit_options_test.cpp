// SPDX-License-Identifier: MIT
// The edit options as people type them: what each sets, and the sentence
// for what it cannot take.

#include <gtest/gtest.h>

#include <functional>

#include "edid_editor/edits.h"

namespace brixel {
namespace {

using namespace edid_editor;

struct Typed {
    std::string flag;
    std::string text;
    std::string error;                          // "" when the text is taken
    std::function<bool(const EdidEdits&)> set;  // what it set, when taken
};

const Typed typed[] = {
    {"--name", "Lounge", "", [](const EdidEdits& e) { return e.name == "Lounge"; }},
    {"name", "Lounge", "", [](const EdidEdits& e) { return e.name == "Lounge"; }},
    {"--name", "", "The display name is empty; give at least one character.", nullptr},
    {"--name", "Lounge\tTV", "The display name \"Lounge\\x09TV\" holds a character that is not printable ASCII.",
     nullptr},
    {"--serial-text", "ABCDEFGHIJKLMN",
     "The serial text \"ABCDEFGHIJKLMN\" is 14 characters long; a descriptor holds 13.", nullptr},
    {"--serial", "4294967295", "", [](const EdidEdits& e) { return e.serial == 4294967295u; }},
    {"--serial", "4294967296", "--serial takes a number from 0 to 4294967295; \"4294967296\" is not one.", nullptr},
    {"--serial", "-1", "--serial takes a number from 0 to 4294967295; \"-1\" is not one.", nullptr},
    {"--product", "0x5A41", "", [](const EdidEdits& e) { return e.product == 0x5A41; }},
    {"--product", "65536", "--product takes a number from 0 to 65535; \"65536\" is not one.", nullptr},
    {"--manufacturer", "gsm", "", [](const EdidEdits& e) { return e.manufacturer == "GSM"; }},
    {"--manufacturer", "GS", "The manufacturer is three letters A to Z, like ABC; \"GS\" is not.", nullptr},
    {"--week", "54", "", [](const EdidEdits& e) { return e.week == 54u; }},
    {"--week", "55", "--week takes a number from 0 to 54; \"55\" is not one.", nullptr},
    {"--year", "1989", "The year of manufacture is 1990 to 2245; 1989 is not.", nullptr},
    {"--year", "2245", "", [](const EdidEdits& e) { return e.year == 2245u; }},
    {"--drop", "hdr,vrr", "",
     [](const EdidEdits& e) {
         return e.drop == std::vector<Feature>{Feature::hdr, Feature::vrr};
     }},
    {"--drop", "dolby-vision", "",
     [](const EdidEdits& e) { return e.drop == std::vector<Feature>{Feature::dolbyVision}; }},
    {"--drop", "hdmi",
     "--drop takes hdr, hdr10plus, dolby-vision, vrr, allm, audio, 3d, ycbcr420; \"hdmi\" is not one of them.",
     nullptr},
    {"--max-tmds", "340", "", [](const EdidEdits& e) { return e.maxTmdsMhz == 340u; }},
    {"--max-tmds", "297", "The TMDS limit is 25 to 1275 MHz in steps of 5 MHz, as the HDMI blocks hold it; 297 is not.",
     nullptr},
    {"--max-tmds", "1280", "--max-tmds takes a number from 0 to 1275; \"1280\" is not one.", nullptr},
    {"--max-mode", "1920x1080i@59.94", "",
     [](const EdidEdits& e) {
         return e.maxMode && e.maxMode->width == 1920 && e.maxMode->height == 1080 && e.maxMode->hz == 59.94 &&
                e.maxMode->interlaced == true;
     }},
    {"--max-mode", "1920x1080", "\"1920x1080\" is not a mode: write it as WxH@HZ, e.g. 3840x2160@60 or 1920x1080i@60.",
     nullptr},
    {"--max-mode", "0x1080@60", "\"0x1080@60\" is not a mode: write it as WxH@HZ, e.g. 3840x2160@60 or 1920x1080i@60.",
     nullptr},
    {"--add-vic", "97, 96 4", "",
     [](const EdidEdits& e) {
         return e.addVics == std::vector<unsigned>{97, 96, 4};
     }},
    {"--add-vic", "97,x", "--add-vic takes VIC numbers 1 to 255; \"x\" is not one.", nullptr},
    {"--remove-vic", " ", "--remove-vic takes at least one VIC number.", nullptr},
    {"--remove-vic", "0", "--remove-vic takes VIC numbers 1 to 255; \"0\" is not one.", nullptr},
    {"--preferred", "16", "",
     [](const EdidEdits& e) {
         return e.preferred && std::get_if<unsigned>(&*e.preferred) && std::get<unsigned>(*e.preferred) == 16u;
     }},
    {"--preferred", "3840x2160p@60", "",
     [](const EdidEdits& e) {
         const auto* mode = std::get_if<ModeRequest>(&*e.preferred);
         return mode && mode->width == 3840 && mode->hz == 60 && mode->interlaced == false;
     }},
    {"--preferred", "best", "--preferred takes a VIC number (1 to 255) or a mode WxH@HZ; \"best\" is neither.",
     nullptr},
    {"--audio-from", "avr.bin", "--audio-from takes the bytes of an EDID file, read by the caller.", nullptr},
    {"--colour", "red", "\"--colour\" is not an edit.", nullptr},
};

class Typing : public testing::TestWithParam<Typed> {};

TEST_P(Typing, SetsTheEditOrSaysWhy) {
    EdidEdits edits;
    const auto error = setEditOption(GetParam().flag, GetParam().text, edits);
    EXPECT_EQ(error.value_or(""), GetParam().error);
    if (GetParam().set) {
        EXPECT_TRUE(GetParam().set(edits));
    }
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, Typing, testing::ValuesIn(typed),
                         [](const auto& p) { return "row" + std::to_string(p.index); });

TEST(EdidEditorOptions, RepeatedOnesAddUp) {
    EdidEdits edits;
    EXPECT_FALSE(setEditOption("--drop", "hdr", edits));
    EXPECT_FALSE(setEditOption("--drop", "allm", edits));
    EXPECT_FALSE(setEditOption("--drop", "hdr", edits));
    EXPECT_FALSE(setEditOption("--add-vic", "4", edits));
    EXPECT_FALSE(setEditOption("--add-vic", "5", edits));
    EXPECT_EQ(edits.drop, (std::vector<Feature>{Feature::hdr, Feature::allm}));
    EXPECT_EQ(edits.addVics, (std::vector<unsigned>{4, 5}));
}

TEST(EdidEditorOptions, EveryFlagOnceAndEveryFeatureByItsName) {
    for (std::size_t i = 0; i < editOptions.size(); ++i)
        for (std::size_t j = i + 1; j < editOptions.size(); ++j) {
            EXPECT_NE(editOptions[i].flag, editOptions[j].flag);
        }
    for (const auto& row : featureNames) {
        EXPECT_EQ(featureNamed(row.name), row.feature);
        EXPECT_EQ(featureName(row.feature), row.name);
    }
}

}  // namespace
}  // namespace brixel
