// SPDX-License-Identifier: MIT
// edid derive and edid diff: the editor's edits as the catalogue's inputs,
// the EDID to start from, the checks against the original, and the runs on a
// simulated device (what is read, held back, written and read back).

#include "toolkit/edid_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edid/catalogue.h"
#include "toolkit/device_owner.h"
#include "toolkit/edid_decode.h"
#include "toolkit/edid_file.h"
#include "toolkit/simulated_devices.h"

namespace brixel::toolkit {
namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

std::vector<uint8_t> builtIn(int value) {
    const auto& bytes = *edid::builtInEdidFor(value);
    return {bytes.begin(), bytes.end()};
}

// ---- The edits as inputs ------------------------------------------------------------

TEST(EdidEditInputs, OnePerOptionOfTheEditorNamedInCamelCase) {
    ASSERT_EQ(edidEditInputs().size(), edid_editor::editOptions.size());
    const struct {
        const char* flag;
        const char* input;
        InputKind kind;
    } rows[] = {
        {"--name", "name", InputKind::word},
        {"--serial-text", "serialText", InputKind::word},
        {"--max-tmds", "maxTmds", InputKind::word},
        {"--max-mode", "maxMode", InputKind::word},
        {"--drop", "drop", InputKind::values},
        {"--add-vic", "addVic", InputKind::values},
        {"--remove-vic", "removeVic", InputKind::values},
        {"--audio-from", "audioFrom", InputKind::content},
    };
    for (const auto& row : rows) {
        const auto it = std::find_if(edidEditInputs().begin(), edidEditInputs().end(),
                                     [&](const EdidEditInput& e) { return e.option->flag == row.flag; });
        ASSERT_NE(it, edidEditInputs().end()) << row.flag;
        EXPECT_EQ(it->name, row.input);
        EXPECT_EQ(it->kind, row.kind) << row.flag;
    }
}

// The same edit given as JSON and as the options' texts makes the same EDID.
TEST(EdidEditInputs, JsonValuesAreTheOptionsTexts) {
    const struct {
        json inputs;
        std::vector<std::pair<const char*, const char*>> options;
    } rows[] = {
        {{{"maxTmds", 300}}, {{"--max-tmds", "300"}}},
        {{{"maxTmds", "300"}}, {{"--max-tmds", "300"}}},
        {{{"drop", {"hdr", "audio"}}}, {{"--drop", "hdr"}, {"--drop", "audio"}}},
        {{{"drop", "hdr,audio"}}, {{"--drop", "hdr,audio"}}},
        {{{"addVic", {17, "18"}}}, {{"--add-vic", "17 18"}}},
        {{{"removeVic", "4,16"}}, {{"--remove-vic", "4"}, {"--remove-vic", "16"}}},
        {{{"product", "0x1234"}, {"serial", 42}, {"year", 2024}},
         {{"--product", "4660"}, {"--serial", "42"}, {"--year", "2024"}}},
        {{{"name", "Lounge"}, {"preferred", "1920x1080@60"}}, {{"--name", "Lounge"}, {"--preferred", "1920x1080@60"}}},
    };
    const auto original = builtIn(2);
    for (const auto& row : rows) {
        edid_editor::EdidEdits fromJson, fromTexts;
        EXPECT_EQ(edidEditsOf(row.inputs, fromJson), Lines{}) << row.inputs;
        for (const auto& [flag, text] : row.options) ASSERT_FALSE(edid_editor::setEditOption(flag, text, fromTexts));
        const auto a = edid_editor::deriveEdid(original, fromJson), b = edid_editor::deriveEdid(original, fromTexts);
        EXPECT_EQ(a.refusals, Lines{}) << row.inputs;
        EXPECT_FALSE(a.changes.empty()) << row.inputs;
        EXPECT_EQ(a.bytes, b.bytes) << row.inputs;
    }
}

TEST(EdidEditInputs, ValuesRefusedWithTheEditorsSentences) {
    const struct {
        json inputs;
        Lines problems;
    } rows[] = {
        {{{"maxTmds", 7}},
         {"The TMDS limit is 25 to 1275 MHz in steps of 5 MHz, as the HDMI blocks hold it; 7 is not."}},
        {{{"drop", {{"what", "hdr"}}}}, {"--drop takes a list of names or numbers, not an object."}},
        {{{"drop", {true}}}, {"--drop takes a list of names or numbers; true is neither."}},
        {{{"addVic", {0}}}, {"--add-vic takes VIC numbers 1 to 255; \"0\" is not one."}},
        {{{"week", 99}, {"drop", "hdr,colour"}},
         {"--week takes a number from 0 to 54; \"99\" is not one.",
          "--drop takes hdr, hdr10plus, dolby-vision, vrr, allm, audio, 3d, ycbcr420; \"colour\" is not one of them."}},
    };
    for (const auto& row : rows) {
        edid_editor::EdidEdits edits;
        EXPECT_EQ(edidEditsOf(row.inputs, edits), row.problems) << row.inputs;
    }
    edid_editor::EdidEdits edits;
    const auto problems = edidEditsOf({{"audioFrom", "00 ff zz"}}, edits);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].starts_with("--audio-from: ")) << problems[0];
}

TEST(EdidEditInputs, TheFormListsEveryEditAndWhatDropTakes) {
    const json edits = edidEditsResult().at("edits");
    ASSERT_EQ(edits.size(), edid_editor::editOptions.size());
    const auto drop = std::find_if(edits.begin(), edits.end(), [](const json& e) { return e.at("input") == "drop"; });
    ASSERT_NE(drop, edits.end());
    EXPECT_EQ(drop->at("option"), "--drop");
    EXPECT_EQ(drop->at("list"), true);
    EXPECT_EQ(drop->at("choices").size(), edid_editor::featureNames.size());
    EXPECT_EQ(drop->at("choices").at(0), (json{{"name", "hdr"}, {"what", edid_editor::featureNames[0].what}}));
    const auto audio =
        std::find_if(edits.begin(), edits.end(), [](const json& e) { return e.at("input") == "audioFrom"; });
    EXPECT_EQ(audio->at("content"), true);
    EXPECT_EQ(audio->at("value"), "FILE");
}

// ---- Where an EDID comes from -------------------------------------------------

TEST(EdidSource, WordsContentsAndWhatIsRefused) {
    const std::string hex20 = hexDump(builtIn(20));
    const struct {
        json inputs;
        EdidReading reading;
        int builtIn;  // 0: none
        std::string what;
        Lines problems;
    } rows[] = {
        {{{"from", "sink"}}, EdidReading::sink, 0, "the display's EDID", {}},
        {{{"from", "device"}}, EdidReading::device, 0, "the device's EDID", {}},
        {{{"from", "builtin:20"}}, EdidReading::none, 20, "built-in EDID 20 (1080p60-multi)", {}},
        {{{"from", "builtin:1080p60-multi"}}, EdidReading::none, 20, "built-in EDID 20 (1080p60-multi)", {}},
        {{{"from", "1080P60-Multi"}}, EdidReading::none, 20, "built-in EDID 20 (1080p60-multi)", {}},
        {{{"content", hex20}}, EdidReading::none, 20, "the given EDID", {}},
        {{{"from", "20"}},
         EdidReading::none,
         0,
         "",
         {"from: '20' names no EDID: give sink (the display's EDID), device (the device's own), builtin:N or a "
          "built-in EDID's name (edid list)"}},
        {{{"from", 20}},
         EdidReading::none,
         0,
         "",
         {"from: '20' names no EDID: give sink (the display's EDID), "
          "device (the device's own), builtin:N or a built-in EDID's name "
          "(edid list)"}},
        {{{"from", "builtin:26"}},
         EdidReading::none,
         0,
         "",
         {"from: 'builtin:26' names no EDID: give sink (the "
          "display's EDID), device (the device's own), builtin:N "
          "or a built-in EDID's name (edid list)"}},
        {json::object(),
         EdidReading::none,
         0,
         "",
         {"give from (sink (the display's EDID), device (the device's own), builtin:N or a built-in EDID's name) or "
          "content (an EDID's bytes)"}},
        {{{"from", "sink"}, {"content", hex20}}, EdidReading::none, 0, "", {"give from or content, not both"}},
        {{{"content", "00 ff"}},
         EdidReading::none,
         0,
         "",
         {"content: An EDID here is 128 or 256 bytes; this one is 2."}},
    };
    for (const auto& row : rows) {
        Lines problems;
        const auto source = edidSourceOf(row.inputs, "from", "content", problems);
        EXPECT_EQ(problems, row.problems) << row.inputs;
        if (!row.problems.empty()) {
            EXPECT_FALSE(source) << row.inputs;
            continue;
        }
        ASSERT_TRUE(source) << row.inputs;
        EXPECT_EQ(source->reading, row.reading) << row.inputs;
        EXPECT_EQ(source->what, row.what);
        EXPECT_EQ(source->bytes, row.builtIn ? builtIn(row.builtIn) : std::vector<uint8_t>{}) << row.inputs;
    }
    for (const char* word : {"sink", "device", "builtin:7", "builtin:anything", "2160p60-hdr-multi"})
        EXPECT_TRUE(namesEdidSource(word)) << word;
    for (const char* word : {"20", "tv.bin", "-", "Sink", ""}) EXPECT_FALSE(namesEdidSource(word)) << word;
}

// ---- A derived EDID, checked -------------------------------------------------------

TEST(EdidDeriveChecks, WhatTheOriginalHadWrongIsKeptNotCountedAgainstTheResult) {
    auto original = builtIn(20);
    original[1] = 0x12;  // a header byte wrong, the checksum still right
    original[127] = static_cast<uint8_t>(original[127] + 0xFF - 0x12);
    edid_editor::EdidEdits edits;
    edits.name = "Lounge";
    const auto checked = deriveChecked(original, edits);
    EXPECT_EQ(checked.derived.changes, Lines{"Display name: BRIXEL \u2192 Lounge"});
    EXPECT_EQ(checked.failures, Lines{});
    EXPECT_EQ(checked.checks.at("passed"), true);
    EXPECT_EQ(checked.checks.at("model"),
              (json{{"passed", true},
                    {"new", json::array()},
                    {"kept", {"Block 0: the header is 00 12 FF FF FF FF FF 00, not 00 FF FF FF FF FF FF 00."}}}));
}

TEST(EdidDeriveChecks, EdidDecodesNewFailureFailsTheResult) {
    if (!edidDecodeInstalled()) GTEST_SKIP() << "edid-decode is not installed";
    edid_editor::EdidEdits edits;
    edits.addVics = {97};  // 594 MHz, where the range limits say 160
    const auto checked = deriveChecked(builtIn(20), edits);
    const std::string failure =
        "EDID: Base EDID: Some timings are out of range of the Monitor Ranges: Maximum Clock: 594.000 MHz (Monitor: "
        "160.000 MHz)";
    EXPECT_EQ(checked.failures, Lines{"edid-decode --check: " + failure});
    EXPECT_EQ(checked.checks.at("passed"), false);
    EXPECT_EQ(checked.checks.at("model").at("passed"), true);
    EXPECT_EQ(checked.checks.at("edidDecode").at("new"), json{failure});
    EXPECT_EQ(checked.checks.at("edidDecode").at("kept").size(), 7u);
    EXPECT_FALSE(checked.derived.bytes.empty());
}

TEST(EdidDeriveChecks, RefusedEditsAreNotChecked) {
    edid_editor::EdidEdits edits;
    edits.preferred = 200u;
    const auto checked = deriveChecked(builtIn(20), edits);
    EXPECT_FALSE(checked.derived.refusals.empty());
    EXPECT_TRUE(checked.checks.is_null());
    EXPECT_TRUE(checked.derived.bytes.empty());
}

// ---- The operations on a simulated device -------------------------------------------

class EdidDeriveRuns : public testing::Test {
protected:
    std::unique_ptr<SimulatedDevices> sim;
    std::unique_ptr<DeviceOwner> owner;

    void start(unsigned devices = 1, std::vector<std::string> faults = {}) {
        owner.reset();  // before the devices it was given
        std::string error;
        SimulationOptions simulation;
        simulation.inMemory = true;
        simulation.devices = devices;
        simulation.faults = std::move(faults);
        sim = SimulatedDevices::start(simulation, error);
        ASSERT_TRUE(sim) << error;
        OwnerOptions options{};
        options.transport.layer = &sim->layer();
        owner = std::make_unique<DeviceOwner>(std::move(options));
    }
    std::vector<uint8_t> deviceEdid() { return owner->run("edid get", json::object()).data; }
};

TEST_F(EdidDeriveRuns, FromTheDisplayWrittenAndReadBack) {
    start();
    const auto outcome =
        owner->run("edid derive", {{"from", "sink"}, {"drop", {"hdr"}}, {"name", "Lounge"}, {"write", true}});
    EXPECT_EQ(outcome.reach, Reach::answered);
    EXPECT_TRUE(outcome.confirmed());
    EXPECT_EQ(outcome.exitCode(), exitConfirmed) << outcome.doc.toJson();
    EXPECT_EQ(outcome.doc.result.at("changes"),
              (json{"Display name: Simulated TV \u2192 Lounge", "CTA: HDR Static Metadata Data Block removed"}));
    EXPECT_EQ(outcome.doc.result.at("written"), true);
    EXPECT_EQ(outcome.doc.result.at("readBack"), true);
    EXPECT_EQ(outcome.doc.messages, Lines{"EDID custom written..."});
    EXPECT_EQ(deviceEdid(), outcome.data);
    std::string error;
    EXPECT_EQ(parseEdidBytes(outcome.doc.result.at("edid").get<std::string>(), error), outcome.data);
}

TEST_F(EdidDeriveRuns, WhatNeedsNoDeviceAsksNone) {
    start(0);
    const json runs[] = {
        {{"from", "builtin:20"}, {"name", "Lounge"}},
        {{"content", hexDump(builtIn(2))}, {"maxTmds", 300}},
    };
    for (const auto& inputs : runs) {
        const auto outcome = owner->run("edid derive", inputs);
        EXPECT_EQ(outcome.reach, Reach::notAsked) << inputs;
        EXPECT_FALSE(outcome.doc.confirmed.has_value());
        EXPECT_EQ(outcome.exitCode(), exitConfirmed);
        EXPECT_FALSE(outcome.data.empty());
    }
    const auto diff = owner->run("edid diff", {{"before", "builtin:20"}, {"after", "builtin:21"}});
    EXPECT_EQ(diff.reach, Reach::notAsked);
    EXPECT_FALSE(diff.doc.result.at("changes").empty());
    // What reads the device finds none.
    for (const auto& [name, inputs] : {std::pair<const char*, json>{"edid derive", {{"from", "sink"}}},
                                       {"edid derive", {{"from", "builtin:20"}, {"write", true}}},
                                       {"edid diff", {{"before", "device"}, {"after", "builtin:20"}}}}) {
        const auto outcome = owner->run(name, inputs);
        EXPECT_EQ(outcome.reach, Reach::noDevice) << inputs;
        EXPECT_EQ(outcome.exitCode(), exitNoDevice) << inputs;
    }
}

// Frames 0 to 31 carry the EDID, 32 commits it, 33 on read it back.
TEST_F(EdidDeriveRuns, TheReadBackFindsWhatTheDeviceDoesNotShow) {
    const struct {
        const char* fault;
        json readBack;
        const char* error;
    } rows[] = {
        // The reply's first byte is data here: byte 16 comes back wrong.
        {"wrongEcho@34", false, "the device's EDID read back differs from what was written, first at byte 16"},
        {"read@33", nullptr, "written, but the device's EDID could not be read back"},
    };
    for (const auto& row : rows) {
        start(1, {row.fault});
        const auto outcome = owner->run("edid derive", {{"from", "builtin:20"}, {"serial", 42}, {"write", true}});
        EXPECT_TRUE(outcome.confirmed()) << row.fault;
        EXPECT_FALSE(outcome.passed) << row.fault;
        EXPECT_EQ(outcome.exitCode(), exitNotConfirmed) << row.fault;
        EXPECT_EQ(outcome.doc.result.at("written"), true) << row.fault;
        EXPECT_EQ(outcome.doc.result.at("readBack"), row.readBack) << row.fault;
        EXPECT_EQ(outcome.doc.error, row.error) << row.fault;
    }
}

TEST_F(EdidDeriveRuns, RefusedAfterReadingNothingIsWritten) {
    start();
    const auto before = deviceEdid();
    // 7680x4320p60 lies far beyond the display's range limits: edid-decode says so.
    const json tooFast = {{"from", "sink"}, {"addVic", {199}}, {"write", true}};
    const json noSuchVic = {{"from", "sink"}, {"preferred", 200}, {"write", true}};
    for (const auto& inputs : {tooFast, noSuchVic}) {
        if (inputs == tooFast && !edidDecodeInstalled()) continue;
        const auto outcome = owner->run("edid derive", inputs);
        EXPECT_TRUE(outcome.confirmed()) << inputs;
        EXPECT_FALSE(outcome.passed);
        EXPECT_EQ(outcome.exitCode(), exitNotConfirmed);
        EXPECT_FALSE(outcome.doc.problems.empty());
        EXPECT_TRUE(outcome.data.empty());
        EXPECT_EQ(outcome.doc.result.at("edid"), nullptr);
        EXPECT_EQ(outcome.doc.result.at("written"), false);
        EXPECT_EQ(outcome.doc.messages, Lines{});
        EXPECT_EQ(deviceEdid(), before);
    }
    if (!edidDecodeInstalled()) return;
    const auto held = owner->run("edid derive", tooFast);
    EXPECT_EQ(held.doc.error,
              "the result fails its checks (2 new problems), nothing given or written (force gives "
              "and writes it anyway)");
    json forced = tooFast;
    forced["force"] = true;
    const auto outcome = owner->run("edid derive", forced);
    EXPECT_TRUE(outcome.passed);
    EXPECT_EQ(outcome.doc.result.at("readBack"), true);
    EXPECT_EQ(outcome.doc.notes.back(),
              "FORCED: the result is given and written although its checks found 2 new problems");
    EXPECT_EQ(deviceEdid(), outcome.data);
}

TEST_F(EdidDeriveRuns, HeldBackBeforeAnythingIsSentWhenTheOriginalIsKnown) {
    start();
    const json inputs = {{"from", "builtin:20"}, {"preferred", 200}, {"write", true}};
    const auto refused = owner->run("edid derive", inputs);
    EXPECT_TRUE(refused.refused);
    EXPECT_EQ(refused.override, "");
    EXPECT_EQ(refused.refusal, "the edits cannot be made");
    EXPECT_EQ(refused.reach, Reach::notAsked);
    if (!edidDecodeInstalled()) return;
    const auto held = owner->run("edid derive", {{"from", "builtin:20"}, {"addVic", {97}}, {"write", true}});
    EXPECT_TRUE(held.refused);
    EXPECT_EQ(held.override, "force");
    EXPECT_EQ(held.doc.result.at("checks").at("passed"), false);
    EXPECT_EQ(held.doc.result.at("changes"), json{"Video: VIC 97 (3840x2160p60) added"});
    EXPECT_TRUE(held.data.empty());
    EXPECT_EQ(held.doc.messages, Lines{});
}

TEST_F(EdidDeriveRuns, TheDifferenceBetweenTheDisplayAndTheDevice) {
    start();
    const auto outcome = owner->run("edid diff", {{"before", "sink"}, {"after", "device"}});
    EXPECT_TRUE(outcome.confirmed());
    EXPECT_EQ(outcome.doc.result.at("before"), "the display's EDID");
    EXPECT_EQ(outcome.doc.result.at("changes").at(0), "Manufacturer: SIM \u2192 BRX");
    const auto same = owner->run("edid diff", {{"before", "device"}, {"afterContent", hexDump(deviceEdid())}});
    EXPECT_EQ(same.doc.result.at("changes"), json::array());
}

}  // namespace
}  // namespace brixel::toolkit
