#include "panel/api.h"

#include <BrixelLibrary.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>

#include "cli/edid_decode.h"
#include "edid/catalogue.h"
#include "infoframe/infoframe_bytes.h"
#include "report/status_fields.h"
#include "settings/argument_names.h"
#include "settings/readback_sizes.h"
#include "settings/setting_codes.h"
#include "toolkit/command_results.h"
#include "toolkit/edid_file.h"
#include "toolkit/hdr_values.h"
#include "toolkit/infoframe_text.h"
#include "toolkit/matrix_values.h"
#include "toolkit/numbers.h"
#include "toolkit/setting_values.h"
#include "toolkit/status_values.h"

namespace brixel::panel {

using nlohmann::json;
using toolkit::ResultDocument;

namespace {

constexpr std::string_view apiPrefix = "/api/";
const std::string toolPrefix = "brixelctl: ";

// A request the API refuses before the device is asked.
struct Refusal {
    int status;
    std::string text;
};

ApiReply documentReply(int status, const ResultDocument& doc) {
    ApiReply reply;
    reply.status = status;
    reply.body = toolkit::jsonText(doc.toJson(), -1);
    return reply;
}

// What the device's answer means over HTTP: confirmed 200, not confirmed 502,
// no device 503.
ApiReply outcomeReply(DeviceWorker::Outcome outcome, bool readOnly = false) {
    int status = 200;
    if (!outcome.reached) {
        status = 503;
        if (!outcome.doc.error) outcome.doc.error = "no Brixel reachable";
    } else if (!outcome.doc.confirmed.value_or(false) && !readOnly) {
        status = 502;
        outcome.doc.error = "the device did not confirm";
    }
    return documentReply(status, outcome.doc);
}

json parsedBody(const ApiRequest& request) {
    if (request.body.empty()) return json::object();
    json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) throw Refusal{400, "the request body is not a JSON object"};
    return body;
}

// A value given as text or as a number, as the tool's argument would be.
std::string wordOf(const json& value, const std::string& name) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer() || value.is_number_unsigned()) return value.dump();
    if (value.is_number_float()) return value.dump();
    throw Refusal{400, name + ": expected a number or a name"};
}

double numberOf(const json& body, const std::string& key, double fallback) {
    if (!body.contains(key)) return fallback;
    const auto& value = body.at(key);
    if (!value.is_number()) throw Refusal{400, key + ": expected a number"};
    return value.get<double>();
}

std::string textOf(const json& body, const std::string& key) {
    if (!body.contains(key) || !body.at(key).is_string()) throw Refusal{400, key + ": expected text"};
    return body.at(key).get<std::string>();
}

bool flagOf(const json& body, const std::string& key, bool fallback) {
    if (!body.contains(key)) return fallback;
    if (!body.at(key).is_boolean()) throw Refusal{400, key + ": expected true or false"};
    return body.at(key).get<bool>();
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "; ") + line;
    return text;
}

// ---- Routes ---------------------------------------------------------------------

struct Context {
    const ApiRequest& request;
    DeviceWorker& worker;
    std::string tail;  // the path after the route's prefix
};

struct Route {
    std::string_view method;
    std::string_view path;  // ending in '/': any name after it
    std::function<ApiReply(Context&)> handle;
};

ApiReply status(Context& c) {
    VIDEO_STATUS report{};
    auto outcome = c.worker.run(
        "status",
        [&](const DeviceWorker::Call& call, json&) {
            call([&] { return getVideoFormat(&report); });
            return toolkit::reportWasRead(report);
        },
        false);
    outcome.doc.result = toolkit::statusResult(report, outcome.reached);
    return outcomeReply(std::move(outcome), true);
}

ApiReply info(Context& c) {
    return outcomeReply(c.worker.run(
        "info",
        [](const DeviceWorker::Call& call, json& result) {
            std::array<char, firmwareTextSize> version{};
            std::array<unsigned char, stateBlockSize> state{};
            const bool versionOk = call([&] { return getFwVersion(version.data()); });
            const bool stateOk = call([&] { return getBrixelState(state.data()); });
            const std::string text(version.data(), strnlen(version.data(), version.size()));
            result = toolkit::infoResult(
                versionOk ? std::optional(text) : std::nullopt,
                stateOk ? std::optional(std::vector<uint8_t>(state.begin(), state.end())) : std::nullopt);
            return versionOk && stateOk;
        },
        false));
}

ApiReply reportFields(Context&) {
    json names = json::array();
    for (const auto& field : statusFields) names.push_back(field.name);
    ResultDocument doc;
    doc.command = "report fields";
    doc.result = {{"fields", names}};
    return documentReply(200, doc);
}

bool settable(const SettingCode& row) { return row.code != BRIXEL_CMD_CUSTOM_EDID; }

ApiReply settingList(Context&) {
    json settings = json::array();
    for (const auto& row : settingCodes) {
        if (!settable(row)) continue;
        json choices = json::array();
        for (const auto& n : namesFor(row.argument)) choices.push_back({{"name", n.name}, {"value", n.value}});
        settings.push_back({{"name", row.command},
                            {"code", row.code},
                            {"summary", row.summary},
                            {"takesValue", row.argument != ArgumentKind::none},
                            {"choices", choices}});
    }
    ResultDocument doc;
    doc.command = "settings";
    doc.result = {{"settings", settings}};
    return documentReply(200, doc);
}

ApiReply setting(Context& c) {
    const SettingCode* found = nullptr;
    for (const auto& row : settingCodes)
        if (settable(row) && row.command == c.tail) found = &row;
    if (!found) throw Refusal{404, "'" + c.tail + "' is not a setting; GET /api/settings lists them"};
    const SettingCode& row = *found;
    uint8_t byte = 1;
    if (row.argument != ArgumentKind::none) {
        const json body = parsedBody(c.request);
        if (!body.contains("value")) throw Refusal{400, "value: missing"};
        std::string error;
        const auto parsed = toolkit::parseSettingValue(row, wordOf(body.at("value"), "value"), error);
        if (!parsed) throw Refusal{400, error};
        byte = *parsed;
    }
    return outcomeReply(c.worker.run(
        std::string(row.command),
        [&](const DeviceWorker::Call& call, json& result) {
            const bool ok = call([&] { return row.wrapper(byte); });
            result = toolkit::settingResult(row, byte);
            return ok;
        },
        true));
}

bool decodeAsked(const ApiRequest& request) {
    const auto it = request.query.find("decode");
    return it != request.query.end() && (it->second == "1" || it->second == "true");
}

DeviceWorker::Outcome readEdid(DeviceWorker& worker, const std::string& command, bool (*read)(unsigned char*),
                               std::array<unsigned char, edid::edidSize>& bytes) {
    return worker.run(
        command,
        [&](const DeviceWorker::Call& call, json& result) {
            if (!call([&] { return read(bytes.data()); })) return false;
            result = toolkit::edidBytesResult(bytes);
            return true;
        },
        false);
}

ApiReply edidRead(Context& c, const std::string& command, bool (*read)(unsigned char*)) {
    std::array<unsigned char, edid::edidSize> bytes{};
    auto outcome = readEdid(c.worker, command, read, bytes);
    if (outcome.doc.confirmed.value_or(false) && decodeAsked(c.request)) {
        const auto text = cli::runEdidDecode(bytes);
        outcome.doc.result["decoded"] = text ? json(*text) : json(nullptr);
    }
    return outcomeReply(std::move(outcome));
}

ApiReply edidDownload(Context& c, const std::string& command, bool (*read)(unsigned char*), const char* name) {
    std::array<unsigned char, edid::edidSize> bytes{};
    auto outcome = readEdid(c.worker, command, read, bytes);
    if (!outcome.doc.confirmed.value_or(false)) return outcomeReply(std::move(outcome));
    ApiReply reply;
    reply.body.assign(bytes.begin(), bytes.end());
    reply.contentType = "application/octet-stream";
    reply.fileName = name;
    return reply;
}

ApiReply edidUpload(Context& c) {
    const std::string file = "upload";
    std::string error;
    const auto read = toolkit::readEdidBytes(c.request.body, error);
    if (!read) throw Refusal{400, file + ": " + error};
    std::vector<std::string> notes;
    auto bytes = toolkit::edidForDevice(*read, notes, error);
    if (!bytes) throw Refusal{400, file + ": " + error};
    const auto fix = c.request.query.find("fix-checksums");
    if (fix != c.request.query.end() && fix->second == "1")
        for (auto& fixed : toolkit::fixEdidChecksums(*bytes)) notes.push_back(std::move(fixed));
    const auto problems = toolkit::edidProblems(*bytes);
    if (!problems.empty()) {
        ResultDocument doc;
        doc.command = "edid set";
        doc.confirmed = false;
        doc.result = toolkit::edidSetResult(file, read->form, problems, notes);
        doc.error = file + ": " + std::to_string(problems.size()) + " problem(s), nothing written";
        return documentReply(422, doc);
    }
    auto outcome = c.worker.run(
        "edid set",
        [&](const DeviceWorker::Call& call, json& result) {
            const bool ok = call([&] { return setCustomEdid(bytes->data()); });
            result = toolkit::edidSetResult(file, read->form, problems, notes);
            return ok;
        },
        true);
    for (const auto& note : notes) outcome.doc.warnings.push_back(toolPrefix + file + ": " + note);
    return outcomeReply(std::move(outcome));
}

ApiReply edidCatalogue(Context&) {
    ResultDocument doc;
    doc.command = "edid list";
    doc.result = toolkit::edidCatalogueResult();
    return documentReply(200, doc);
}

ApiReply edidInstall(Context& c) {
    const auto number = toolkit::parseNumber(c.tail, 255);
    const auto* row = number ? edid::rowFor(static_cast<int>(*number)) : nullptr;
    if (!row) throw Refusal{404, "'" + c.tail + "' is no built-in EDID: 2-25, GET /api/edid/catalogue lists them"};
    return outcomeReply(c.worker.run(
        "edid install",
        [&](const DeviceWorker::Call& call, json& result) {
            const bool ok = call([&] { return changeCustomEdid(row->value); });
            result = toolkit::edidInstallResult(*row);
            return ok;
        },
        true));
}

ApiReply sendInfoFrame(Context& c, const std::string& command, std::string text,
                       const std::function<bool(char*)>& send) {
    return outcomeReply(c.worker.run(
        command,
        [&](const DeviceWorker::Call& call, json& result) {
            const bool ok = call([&] { return send(text.data()); });
            result = toolkit::infoFrameResult(text);
            return ok;
        },
        true));
}

std::string checkedInfoFrameText(const json& body, std::size_t maxBytes) {
    const std::string text = textOf(body, "text");
    const auto problems = toolkit::infoFrameTextProblems(text, maxBytes);
    if (!problems.empty()) throw Refusal{400, "the InfoFrame text is not usable: " + joined(problems)};
    return text;
}

ApiReply infoFrameAvi(Context& c) {
    const std::string text = checkedInfoFrameText(parsedBody(c.request), infoframe::aviMaxBytes);
    return sendInfoFrame(c, "infoframe avi", text, [](char* t) { return setAviIf(t); });
}

ApiReply infoFrameHdr(Context& c) {
    const json body = parsedBody(c.request);
    const std::string text = checkedInfoFrameText(body, infoframe::hdrMaxBytes);
    const bool fill = flagOf(body, "fillChecksum", false);
    return sendInfoFrame(c, "infoframe hdr", text, [fill](char* t) { return setHdrIf(t, fill); });
}

infoframe::Chromaticity chromaticityAt(const json& list, std::size_t at) {
    return {list.at(at).get<double>(), list.at(at + 1).get<double>()};
}

json numbersOf(const json& body, const std::string& key, std::size_t count) {
    const auto& value = body.at(key);
    bool fits = value.is_array() && value.size() == count;
    for (std::size_t k = 0; fits && k < count; ++k) fits = value.at(k).is_number();
    if (!fits) throw Refusal{400, key + ": expected a name or " + std::to_string(count) + " numbers"};
    return value;
}

ApiReply infoFrameHdrBuild(Context& c) {
    const json body = parsedBody(c.request);
    infoframe::HdrMetadata m;
    const std::string eotfName = body.contains("eotf") ? textOf(body, "eotf") : "pq";
    const auto eotf = toolkit::transferFunctionNamed(eotfName);
    if (!eotf) throw Refusal{400, "eotf: expected " + toolkit::transferFunctionChoices() + ", not '" + eotfName + "'"};
    m.eotf = *eotf;
    const json primaries = body.contains("primaries") ? body.at("primaries") : json("bt2020");
    if (primaries.is_string()) {
        const auto* p = toolkit::primariesNamed(primaries.get<std::string>());
        if (!p) throw Refusal{400, "primaries: expected " + toolkit::primariesChoices() + " or six numbers"};
        m.red = p->red, m.green = p->green, m.blue = p->blue;
    } else {
        const json v = numbersOf(body, "primaries", 6);
        m.red = chromaticityAt(v, 0), m.green = chromaticityAt(v, 2), m.blue = chromaticityAt(v, 4);
    }
    const json white = body.contains("whitePoint") ? body.at("whitePoint") : json("d65");
    if (white.is_string() && toolkit::sameWord(white.get<std::string>(), "d65"))
        m.white = infoframe::whiteD65;
    else
        m.white = chromaticityAt(numbersOf(body, "whitePoint", 2), 0);
    m.maxLuminance = numberOf(body, "maxLuminance", m.maxLuminance);
    m.minLuminance = numberOf(body, "minLuminance", m.minLuminance);
    m.maxCll = numberOf(body, "maxCll", m.maxCll);
    m.maxFall = numberOf(body, "maxFall", m.maxFall);
    if (const auto problems = infoframe::hdrMetadataProblems(m); !problems.empty())
        throw Refusal{400, "the HDR values do not fit the InfoFrame: " + joined(problems)};
    const std::string text = toolkit::infoFrameText(infoframe::buildDrmInfoFrame(m));
    if (!flagOf(body, "send", true)) {
        ResultDocument doc;
        doc.command = "infoframe hdr-build";
        doc.result = toolkit::unsentInfoFrameResult(text);
        return documentReply(200, doc);
    }
    return sendInfoFrame(c, "infoframe hdr-build", text, [](char* t) { return setHdrIf(t, false); });
}

ApiReply matrixGet(Context& c) {
    return outcomeReply(c.worker.run(
        "matrix get",
        [](const DeviceWorker::Call& call, json& result) {
            SB_VALUES values{};
            const bool ok = call([&] { return get3x(&values); });
            result = toolkit::matrixReadResult(ok ? std::optional(values) : std::nullopt);
            return ok;
        },
        false));
}

ApiReply sendMatrix(Context& c, const std::string& command, SB_VALUES values) {
    auto outcome = c.worker.run(
        command,
        [&](const DeviceWorker::Call& call, json& result) {
            const bool ok = call([&] { return set3x(&values); });
            result = toolkit::matrixSentResult(values);
            return ok;
        },
        true);
    for (const auto& warning : toolkit::matrixHoldingWarnings(values))
        outcome.doc.warnings.push_back(toolPrefix + warning);
    return outcomeReply(std::move(outcome));
}

ApiReply matrixSet(Context& c) {
    const json body = parsedBody(c.request);
    std::vector<std::string> words;
    std::vector<std::string> missing;
    for (const auto& field : toolkit::matrixRecordFields) {
        const std::string name(field.name);
        if (!body.contains(name)) {
            missing.push_back(name);
            continue;
        }
        words.push_back(wordOf(body.at(name), name));
    }
    if (!missing.empty()) throw Refusal{400, "the matrix needs all twelve values; missing: " + joined(missing)};
    std::vector<std::string> problems;
    const SB_VALUES values = toolkit::parseMatrixValues(words, problems);
    if (!problems.empty()) throw Refusal{400, "the values are not usable: " + joined(problems)};
    return sendMatrix(c, "matrix set", values);
}

ApiReply matrixReset(Context& c) {
    // reset3x only fills a record; the device gets it through set3x.
    SB_VALUES defaults{};
    reset3x(&defaults);
    return sendMatrix(c, "matrix reset", defaults);
}

ApiReply matrixSwitch(Context& c, bool on) {
    return outcomeReply(c.worker.run(
        on ? "matrix enable" : "matrix disable",
        [on](const DeviceWorker::Call& call, json&) { return call([on] { return set3xEn(on); }); }, true));
}

const std::vector<Route>& routes() {
    static const std::vector<Route> table{
        {"GET", "/api/status", status},
        {"GET", "/api/report-fields", reportFields},
        {"GET", "/api/info", info},
        {"GET", "/api/settings", settingList},
        {"POST", "/api/settings/", setting},
        {"GET", "/api/edid", [](Context& c) { return edidRead(c, "edid get", getEdid); }},
        {"PUT", "/api/edid", edidUpload},
        {"GET", "/api/edid/sink", [](Context& c) { return edidRead(c, "edid sink", getSinkEdid); }},
        {"GET", "/api/edid/device.bin",
         [](Context& c) { return edidDownload(c, "edid get", getEdid, "brixel-edid.bin"); }},
        {"GET", "/api/edid/sink.bin",
         [](Context& c) { return edidDownload(c, "edid sink", getSinkEdid, "display-edid.bin"); }},
        {"GET", "/api/edid/catalogue", edidCatalogue},
        {"POST", "/api/edid/install/", edidInstall},
        {"POST", "/api/infoframe/avi", infoFrameAvi},
        {"POST", "/api/infoframe/hdr", infoFrameHdr},
        {"POST", "/api/infoframe/hdr-build", infoFrameHdrBuild},
        {"GET", "/api/matrix", matrixGet},
        {"PUT", "/api/matrix", matrixSet},
        {"POST", "/api/matrix/reset", matrixReset},
        {"POST", "/api/matrix/enable", [](Context& c) { return matrixSwitch(c, true); }},
        {"POST", "/api/matrix/disable", [](Context& c) { return matrixSwitch(c, false); }},
    };
    return table;
}

// The route's name part when `path` is one of its paths.
std::optional<std::string> matchOf(const Route& route, const std::string& path) {
    if (route.path.ends_with('/')) {
        if (!path.starts_with(route.path) || path.size() == route.path.size()) return std::nullopt;
        std::string tail = path.substr(route.path.size());
        if (tail.find('/') != std::string::npos) return std::nullopt;
        return tail;
    }
    if (path == route.path) return std::string();
    return std::nullopt;
}

}  // namespace

ApiReply errorReply(int status, const std::string& command, const std::string& text) {
    ResultDocument doc;
    doc.command = command;
    doc.error = text;
    return documentReply(status, doc);
}

std::size_t Api::bodyLimit(const std::string& path) { return path == "/api/edid" ? edidUploadLimit : jsonBodyLimit; }

ApiReply Api::handle(const ApiRequest& request) {
    std::string allowed;
    for (const auto& route : routes()) {
        auto tail = matchOf(route, request.path);
        if (!tail) continue;
        if (route.method != request.method) {
            allowed += (allowed.empty() ? "" : ", ") + std::string(route.method);
            continue;
        }
        Context context{request, worker_, std::move(*tail)};
        try {
            return route.handle(context);
        } catch (const Refusal& refusal) {
            return errorReply(refusal.status, request.method + " " + request.path, refusal.text);
        } catch (const nlohmann::json::exception& e) {
            return errorReply(400, request.method + " " + request.path,
                              std::string("the request is malformed: ") + e.what());
        }
    }
    if (!allowed.empty()) {
        auto reply = errorReply(405, request.method + " " + request.path,
                                request.method + " is not taken here; " + allowed + " is");
        reply.allow = allowed;
        return reply;
    }
    return errorReply(404, request.method + " " + request.path, "no such route; panel/API.md lists them");
}

std::string Api::statusText() {
    ApiRequest request;
    request.method = "GET";
    request.path = "/api/status";
    return handle(request).body;
}

}  // namespace brixel::panel
