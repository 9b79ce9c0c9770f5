// SPDX-License-Identifier: MIT
// Every route of the panel's API over HTTP against a fresh simulated device,
// with the documents brixelctl --json gives and the errors' status codes.

#include <filesystem>
#include <string>

#include "tests/panel/panel_client.h"
#include "toolkit/edid_decode.h"

namespace brixel::test {
namespace {

using nlohmann::json;

class PanelApi : public PanelFixture {
protected:
    void SetUp() override { start(); }
};

TEST_F(PanelApi, ThePageComesWithItsTokenAndItsPolicy) {
    auto c = client();
    const auto page = c.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
    EXPECT_EQ(page->body.find("{{csrf}}"), std::string::npos);
    EXPECT_EQ(csrfToken().size(), 32u);
    const auto script = c.Get("/panel.js");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->status, 200);
    EXPECT_EQ(script->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(get("/nothing-here").status, 404);
}

// A wrong route is pointed to the API's description, and the file named is there to read.
TEST_F(PanelApi, ANoSuchRouteNamesAnApiDescriptionThatExists) {
    const auto r = get("/api/no-such-route");
    EXPECT_EQ(r.status, 404);
    const std::string error = r.doc.at("error");
    const auto open = error.find("API.md (");
    const auto close = error.find(") lists them");
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos) << error;
    const std::string named = error.substr(open + 8, close - open - 8);
    EXPECT_TRUE(std::filesystem::is_regular_file(named)) << named;
    EXPECT_EQ(std::filesystem::path(named).filename(), "API.md");
}

TEST_F(PanelApi, ThePageWeighsUnderAHundredKilobytes) {
    auto c = client();
    std::size_t total = 0;
    for (const char* path : {"/", "/panel.css", "/panel.js", "/edid-editor.js", "/signal.css", "/signal.js"}) {
        const auto file = c.Get(path);
        ASSERT_TRUE(file) << path;
        ASSERT_EQ(file->status, 200) << path;
        EXPECT_GT(file->body.size(), 100u) << path;
        total += file->body.size();
    }
    EXPECT_LT(total, 100u * 1024u);
}

TEST_F(PanelApi, StatusIsTheToolsDocument) {
    const auto r = get("/api/status");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("command"), "status");
    EXPECT_EQ(r.doc.at("confirmed"), true);
    EXPECT_EQ(r.doc.at("report"), true);
    EXPECT_EQ(r.doc.at("fields").at("input").at("text"), "Input : 3840x2160p60");
    EXPECT_EQ(r.doc.at("fields").at("input").at("width"), 3840);
    const auto& avi = r.doc.at("fields").at("aviIfHex");
    EXPECT_EQ(avi.at("text"), "AVI InfoFrame: 82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(avi.at("value"), "82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
    EXPECT_EQ(avi.at("decoded").at("fields").at("vic"), 97);
    EXPECT_TRUE(r.doc.at("fields").at("vsIfHex1").at("decoded").is_null());
    EXPECT_EQ(r.doc.at("signal").at("hdrFormat"), "HDR10");
    EXPECT_TRUE(r.doc.at("messages").is_array());
    EXPECT_TRUE(r.doc.at("warnings").is_array());
}

TEST_F(PanelApi, TheReportsFieldsInTheirOrder) {
    const auto r = get("/api/report-fields");
    ASSERT_EQ(r.status, 200);
    const auto& names = r.doc.at("fields");
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names.at(0), "input");
    EXPECT_EQ(names.at(1), "output");
}

TEST_F(PanelApi, APortChangeAndTheReportFollows) {
    const auto r = post("/api/settings/port", R"({"value": "2"})");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc, json::parse(R"({"command": "port", "confirmed": true, "code": 0, "value": 2, "name": "2",
                                    "messages": [], "warnings": [], "notes": [], "problems": []})"));
    EXPECT_EQ(get("/api/status").doc.at("fields").at("input").at("text"), "Input : 1920x1080p60");
    // A number is taken as the tool takes its argument.
    EXPECT_EQ(post("/api/settings/port", R"({"value": 1})").status, 200);
    EXPECT_EQ(get("/api/status").doc.at("fields").at("input").at("text"), "Input : 3840x2160p60");
}

TEST_F(PanelApi, SettingsAreListedWithTheirNames) {
    const auto r = get("/api/settings");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.doc.at("confirmed"), nullptr);
    const auto& list = r.doc.at("settings");
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().at("name"), "port");
    EXPECT_EQ(list.front().at("choices").size(), 4u);
    EXPECT_EQ(list.front().at("choices").at(3), json::parse(R"({"name": "4", "value": 4})"));
    for (const auto& s : list) EXPECT_NE(s.at("name"), "custom-edid");
}

TEST_F(PanelApi, WrongSettingsAreRefusedBeforeTheDeviceIsAsked) {
    auto r = post("/api/settings/port", R"({"value": "9"})");
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.doc.at("error").get<std::string>().find("1|2|3|4"), std::string::npos) << r.body;
    EXPECT_EQ(post("/api/settings/port", "{}").status, 400);
    EXPECT_EQ(post("/api/settings/port", "not json").status, 400);
    EXPECT_EQ(post("/api/settings/port", R"({"value": [1]})").status, 400);
    r = post("/api/settings/warp-drive", R"({"value": "on"})");
    EXPECT_EQ(r.status, 404);
    EXPECT_NE(r.doc.at("error").get<std::string>().find("warp-drive"), std::string::npos);
    // Nothing reached the device: the port is still 1.
    EXPECT_EQ(get("/api/status").doc.at("fields").at("input").at("text"), "Input : 3840x2160p60");
}

TEST_F(PanelApi, InfoGivesTheFirmware) {
    const auto r = get("/api/info");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("firmware"), "BRIXEL FW Ver: 1.5");
    EXPECT_EQ(r.doc.at("version"), json::parse(R"({"major": 1, "minor": 5})"));
    EXPECT_EQ(r.doc.at("stateBlock").size(), 60u);
}

TEST_F(PanelApi, EdidsReadAndDownloaded) {
    auto r = get("/api/edid");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("command"), "edid get");
    EXPECT_EQ(r.doc.at("edid").get<std::string>().substr(0, 48), "00 ff ff ff ff ff ff 00 0a 58 01 00 00 00 00 00\n");
    EXPECT_FALSE(r.doc.contains("decoded"));
    r = get("/api/edid/sink");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.doc.at("command"), "edid sink");
    auto c = client();
    const auto file = c.Get("/api/edid/device.bin");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->status, 200);
    EXPECT_EQ(file->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_EQ(file->get_header_value("Content-Disposition"), "attachment; filename=\"brixel-edid.bin\"");
    ASSERT_EQ(file->body.size(), 256u);
    EXPECT_EQ(file->body.substr(0, 8), std::string("\x00\xff\xff\xff\xff\xff\xff\x00", 8));
    const auto sink = c.Get("/api/edid/sink.bin");
    ASSERT_TRUE(sink);
    EXPECT_EQ(sink->body.size(), 256u);
}

TEST_F(PanelApi, EdidDecodedWhenTheDecoderIsThere) {
    const auto r = get("/api/edid?decode=1");
    ASSERT_EQ(r.status, 200);
    ASSERT_TRUE(r.doc.contains("decoded"));
    if (r.doc.at("decoded").is_null()) GTEST_SKIP() << "edid-decode is not installed";
    EXPECT_NE(r.doc.at("decoded").get<std::string>().find("Block 0, Base EDID"), std::string::npos);
}

TEST_F(PanelApi, BuiltInEdidsListedAndInstalled) {
    auto r = get("/api/edid/catalogue");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.doc.at("entries").size(), 24u);
    EXPECT_EQ(r.doc.at("entries").at(0).at("name"), "2160p60-hdr-multi");
    r = post("/api/edid/install/2");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("name"), "2160p60-hdr-multi");
    EXPECT_EQ(r.doc.at("confirmed"), true);
    EXPECT_EQ(post("/api/edid/install/1").status, 404);
    EXPECT_EQ(post("/api/edid/install/26").status, 404);
    EXPECT_EQ(post("/api/edid/install/two").status, 404);
}

// 256 bytes with the header and both checksums right, as hex text.
std::string goodEdidHex() {
    std::string bytes(256, '\0');
    const unsigned char header[] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    for (int k = 0; k < 8; ++k) bytes[k] = static_cast<char>(header[k]);
    bytes[8] = 0x12;
    bytes[126] = 1;  // one extension
    bytes[128] = 0x02;
    bytes[129] = 0x03;
    for (int block = 0; block < 2; ++block) {
        unsigned sum = 0;
        for (int k = 0; k < 127; ++k) sum += static_cast<unsigned char>(bytes[block * 128 + k]);
        bytes[block * 128 + 127] = static_cast<char>((256 - sum % 256) % 256);
    }
    std::string hex;
    char two[4];
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(bytes[k]));
        hex += two;
        hex += (k % 16 == 15) ? '\n' : ' ';
    }
    return hex;
}

TEST_F(PanelApi, AnUploadedEdidIsWrittenAndReadBack) {
    const std::string hex = goodEdidHex();
    const auto r = put("/api/edid", hex, "text/plain");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("command"), "edid set");
    EXPECT_EQ(r.doc.at("form"), "a hex dump");
    EXPECT_EQ(r.doc.at("problems"), json::array());
    EXPECT_EQ(get("/api/edid").doc.at("edid"), hex);
}

TEST_F(PanelApi, AMalformedEdidListsEveryProblemAndWritesNothing) {
    const std::string before = get("/api/edid").doc.at("edid");
    std::string hex = goodEdidHex();
    hex.replace(0, 2, "01");        // the header's first byte
    hex.replace(3 * 200, 2, "7f");  // the extension's checksum no longer holds
    const auto r = put("/api/edid", hex, "text/plain");
    EXPECT_EQ(r.status, 422) << r.body;
    EXPECT_EQ(r.doc.at("confirmed"), nullptr);
    ASSERT_GE(r.doc.at("problems").size(), 3u) << r.body;
    EXPECT_NE(r.doc.at("error").get<std::string>().find("nothing written"), std::string::npos);
    EXPECT_EQ(get("/api/edid").doc.at("edid"), before);
    // Text that is no EDID at all, and the wrong size.
    EXPECT_EQ(put("/api/edid", "hello there", "text/plain").status, 400);
    EXPECT_EQ(put("/api/edid", "00 ff ff", "text/plain").status, 400);
}

TEST_F(PanelApi, TheEditorsFormListsTheEdits) {
    const auto r = get("/api/edid/edits");
    ASSERT_EQ(r.status, 200) << r.body;
    const auto& edits = r.doc.at("edits");
    ASSERT_EQ(edits.size(), 14u);
    const json name = {
        {"input", "name"},
        {"option", "--name"},
        {"value", "TEXT"},
        {"list", false},
        {"content", false},
        {"choices", json::array()},
        {"help", "the display name (up to 13 characters), in place of an unused descriptor where there is none"}};
    EXPECT_EQ(edits.at(0), name);
}

TEST_F(PanelApi, AnEdidDerivedFromTheDisplayWrittenAndReadBack) {
    const auto r = post("/api/edid/derive", R"({"from": "sink", "drop": ["hdr"], "name": "Lounge", "write": true})");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("command"), "edid derive");
    EXPECT_EQ(r.doc.at("confirmed"), true);
    EXPECT_EQ(
        r.doc.at("changes"),
        json::parse(R"(["Display name: Simulated TV \u2192 Lounge", "CTA: HDR Static Metadata Data Block removed"])"));
    EXPECT_EQ(r.doc.at("checks").at("passed"), true);
    EXPECT_EQ(r.doc.at("readBack"), true);
    EXPECT_EQ(get("/api/edid").doc.at("edid"), r.doc.at("edid"));
    const auto diff = post("/api/edid/diff", R"({"before": "sink", "after": "device"})");
    ASSERT_EQ(diff.status, 200) << diff.body;
    // The device now shows the display's EDID with what was asked changed, and nothing else.
    EXPECT_EQ(diff.doc.at("changes"), r.doc.at("changes"));
}

TEST_F(PanelApi, ADerivedEdidTheEditsOrTheChecksRefuse) {
    const std::string before = get("/api/edid").doc.at("edid");
    // Nothing to start from, an edit the editor refuses, one the EDID cannot take.
    EXPECT_EQ(post("/api/edid/derive", R"({"name": "Lounge"})").status, 400);
    EXPECT_EQ(post("/api/edid/derive", R"({"from": "builtin:20", "maxTmds": 7})").status, 400);
    auto r = post("/api/edid/derive", R"({"from": "builtin:20", "preferred": 200, "write": true})");
    EXPECT_EQ(r.status, 400) << r.body;
    EXPECT_EQ(r.doc.at("problems"), json{"VIC 200 (7680x4320p100) is not in the Video Data Block; add it with "
                                         "--add-vic to make it preferred."});
    // An EDID's bytes, in any form edid set reads, in place of a source.
    r = post("/api/edid/derive", json{{"content", goodEdidHex()}, {"week", 7}}.dump());
    EXPECT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("confirmed"), nullptr);
    EXPECT_EQ(get("/api/edid").doc.at("edid"), before);
    if (!toolkit::edidDecodeInstalled()) return;
    // What edid-decode finds new holds the result back, as an upload's problems do.
    r = post("/api/edid/derive", R"({"from": "builtin:20", "addVic": [97], "write": true})");
    EXPECT_EQ(r.status, 422) << r.body;
    EXPECT_EQ(r.doc.at("edid"), nullptr);
    EXPECT_EQ(r.doc.at("checks").at("passed"), false);
    EXPECT_EQ(get("/api/edid").doc.at("edid"), before);
    r = post("/api/edid/derive", R"({"from": "builtin:20", "addVic": [97], "write": true, "force": true})");
    EXPECT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(get("/api/edid").doc.at("edid"), r.doc.at("edid"));
}

TEST_F(PanelApi, InfoFramesSentChecked) {
    auto r = post("/api/infoframe/avi", R"({"text": "82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00"})");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("text"), "82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00");
    r = post("/api/infoframe/avi", R"({"text": "82:2:0D"})");
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.doc.at("error").get<std::string>().find("not usable"), std::string::npos);
    r = post("/api/infoframe/hdr", R"({"text": "87:01:1A:00:02", "fillChecksum": true})");
    EXPECT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("decoded").at("checksum").at("value"), 0x5C);
    EXPECT_EQ(r.doc.at("notes"), json::array({"The length byte says 26 payload bytes, but the frame holds only 1."}));
    EXPECT_EQ(post("/api/infoframe/hdr", R"({"text": "87:01", "fillChecksum": "yes"})").status, 400);
}

TEST_F(PanelApi, AnHdrFrameBuiltFromValues) {
    auto r = post("/api/infoframe/hdr-build",
                  R"({"eotf": "PQ", "primaries": "bt2020", "maxCll": 1000, "maxFall": 400, "send": false})");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("text"),
              "87:01:1A:91:02:00:34:21:AA:9B:96:19:FC:08:48:8A:08:39:13:3D:42:40:E8:03:32:00:E8:03:90:01");
    EXPECT_EQ(r.doc.at("sent"), false);
    EXPECT_EQ(r.doc.at("confirmed"), nullptr);
    r = post("/api/infoframe/hdr-build", R"({"eotf": "pq", "maxCll": 1000, "maxFall": 400})");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.doc.at("confirmed"), true);
    EXPECT_EQ(get("/api/status").doc.at("fields").at("hdrIfHex").at("value"),
              "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01");
    EXPECT_EQ(post("/api/infoframe/hdr-build", R"({"eotf": "dolby"})").status, 400);
    EXPECT_EQ(post("/api/infoframe/hdr-build", R"({"primaries": [0.7, 0.3]})").status, 400);
    EXPECT_EQ(post("/api/infoframe/hdr-build", R"({"maxCll": 70000})").status, 400);
}

TEST_F(PanelApi, InfoFramesDecodedWithoutTheDevice) {
    auto r = post("/api/infoframe/decode",
                  R"({"frames": ["84 01 0a 70 01 00 00 00 00 00 00 00 00 00", "82:02:0d:00:40:a8"]})");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("confirmed"), nullptr);
    ASSERT_EQ(r.doc.at("frames").size(), 2u);
    EXPECT_EQ(r.doc.at("frames").at(0).at("type"), "Audio");
    EXPECT_EQ(r.doc.at("frames").at(0).at("problems"), json::array());
    EXPECT_EQ(r.doc.at("frames").at(1).at("problems"),
              json::array({"The length byte says 13 payload bytes, but the frame holds only 2."}));
    EXPECT_EQ(post("/api/infoframe/decode", R"({"frames": "82:02:0d:87:40:a8"})").status, 200);
    r = post("/api/infoframe/decode", R"({"frames": ["82:02:0d:87", "hello"]})");
    EXPECT_EQ(r.status, 400);
    EXPECT_EQ(r.doc.at("problems").size(), 1u);
    EXPECT_EQ(r.doc.at("problems").at(0).get<std::string>().rfind("frame 2: This is no InfoFrame", 0), 0u);
    EXPECT_EQ(post("/api/infoframe/decode", R"({"frames": []})").status, 400);
    EXPECT_EQ(post("/api/infoframe/decode", R"({"frames": [82]})").status, 400);
    EXPECT_EQ(post("/api/infoframe/decode", R"({})").status, 400);
}

TEST_F(PanelApi, TheMatrixReadWrittenResetAndSwitched) {
    auto r = get("/api/matrix");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("matrix").at("coef11"), 1.1639404296875);
    r = put("/api/matrix", R"({"offset1": -16, "coef11": 1, "coef12": 0, "coef13": 0,
                               "offset2": 0, "coef21": 0, "coef22": 1, "coef23": 0,
                               "offset3": 0, "coef31": 0, "coef32": 0, "coef33": "-4"})");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("held").at("offset1"), 240);
    EXPECT_EQ(r.doc.at("held").at("coef33"), 4);
    EXPECT_FALSE(r.doc.at("notes").empty());
    r = get("/api/matrix");
    EXPECT_EQ(r.doc.at("matrix").at("coef11"), 1);
    EXPECT_EQ(r.doc.at("matrix").at("offset1"), 240);
    EXPECT_EQ(post("/api/matrix/reset").status, 200);
    EXPECT_EQ(get("/api/matrix").doc.at("matrix").at("coef11"), 1.1639404296875);
    EXPECT_EQ(post("/api/matrix/enable").doc.at("command"), "matrix enable");
    EXPECT_EQ(post("/api/matrix/disable").status, 200);
}

TEST_F(PanelApi, AMatrixWithAMissingOrWrongValueIsRefused) {
    auto r = put("/api/matrix", R"({"offset1": 0})");
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.doc.at("error").get<std::string>().find("coef33"), std::string::npos);
    r = put("/api/matrix", R"({"offset1": 0, "coef11": 9, "coef12": 0, "coef13": 0,
                               "offset2": 0, "coef21": 0, "coef22": 1, "coef23": 0,
                               "offset3": 0, "coef31": 0, "coef32": 0, "coef33": 1})");
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(r.doc.at("error").get<std::string>().find("coef11"), std::string::npos);
    EXPECT_EQ(get("/api/matrix").doc.at("matrix").at("coef11"), 1.1639404296875);
}

TEST_F(PanelApi, UnknownRoutesAndMethods) {
    auto r = get("/api/warp");
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.doc.at("command"), "GET /api/warp");
    auto c = client();
    const auto wrong = c.Post("/api/status", pageHeaders(), "{}", "application/json");
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 405);
    EXPECT_EQ(wrong->get_header_value("Allow"), "GET");
    const auto del = c.Delete("/api/edid", pageHeaders());
    ASSERT_TRUE(del);
    EXPECT_EQ(del->status, 405);
    EXPECT_EQ(del->get_header_value("Allow"), "GET, PUT");
}

TEST_F(PanelApi, TheEventStreamSendsTheStatus) {
    auto c = client();
    std::string received;
    c.Get("/api/events", [&](const char* data, std::size_t length) {
        received.append(data, length);
        return received.find("\n\n") == std::string::npos;  // one event is enough
    });
    ASSERT_TRUE(received.starts_with("event: status\ndata: ")) << received;
    const auto doc = json::parse(received.substr(20, received.find("\n\n") - 20));
    EXPECT_EQ(doc.at("fields").at("input").at("text"), "Input : 3840x2160p60");
}

TEST_F(PanelApi, TheEventStreamCarriesTheLibrarysLines) {
    ASSERT_EQ(post("/api/matrix/reset").doc.at("messages"), json::parse(R"(["Matrix values written..."])"));
    auto c = client();
    std::string received;
    c.Get("/api/events", [&](const char* data, std::size_t length) {
        received.append(data, length);
        return received.find("event: console") == std::string::npos && received.size() < 100000;
    });
    EXPECT_NE(
        received.find("event: console\ndata: {\"number\":1,\"text\":\"Matrix values written...\",\"warning\":false}"),
        std::string::npos)
        << received;
}

class PanelWithoutDevice : public PanelFixture {};

TEST_F(PanelWithoutDevice, NoDeviceIs503) {
    start({0, {}, {}});
    const auto r = get("/api/status");
    EXPECT_EQ(r.status, 503);
    EXPECT_EQ(r.doc.at("error"), "no Brixel reachable");
    EXPECT_EQ(r.doc.at("fields"), nullptr);
    EXPECT_EQ(post("/api/settings/port", R"({"value": 2})").status, 503);
    // What needs no device still answers.
    EXPECT_EQ(get("/api/edid/catalogue").status, 200);
}

TEST_F(PanelWithoutDevice, ADeviceThatDoesNotConfirmIs502) {
    start({1, {"noReply"}, {}});
    const auto r = post("/api/settings/port", R"({"value": 2})");
    EXPECT_EQ(r.status, 502) << r.body;
    EXPECT_EQ(r.doc.at("confirmed"), false);
    EXPECT_EQ(r.doc.at("error"), "the device did not answer");
}

}  // namespace
}  // namespace brixel::test
