// SPDX-License-Identifier: MIT
#include "panel/api.h"

#include <functional>
#include <optional>
#include <string_view>

#include "panel/api_document.h"
#include "report/status_fields.h"
#include "settings/argument_names.h"
#include "text/plural.h"
#include "toolkit/edid_edits.h"
#include "toolkit/operations.h"

namespace brixel::panel {

using nlohmann::json;
using toolkit::ResultDocument;

namespace {

ApiReply documentReply(int status, ResultDocument doc) {
    ApiReply reply;
    reply.status = status;
    reply.body = toolkit::jsonText(std::move(doc).toJson(), -1);
    return reply;
}

// ---- Routes ---------------------------------------------------------------------

// A body that is not the JSON object a route takes.
struct NotAnObject {};

// How a request becomes an operation's inputs.
using InputsOf = std::function<json(const ApiRequest& request, const std::string& tail)>;

json bodyObject(const ApiRequest& request, const std::string&) {
    if (request.body.empty()) return json::object();
    json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) throw NotAnObject{};
    return body;
}

json noInputs(const ApiRequest&, const std::string&) { return json::object(); }

bool queryFlag(const ApiRequest& request, const char* name) {
    const auto it = request.query.find(name);
    return it != request.query.end() && (it->second == "1" || it->second == "true");
}

json edidRead(const ApiRequest& request, const std::string&) {
    return {{"decode", queryFlag(request, "decode")}, {"check", queryFlag(request, "check")}};
}

json edidUpload(const ApiRequest& request, const std::string&) {
    return {{"content", request.body},
            {"name", "upload"},
            {"force", queryFlag(request, "force")},
            {"fixChecksums", queryFlag(request, "fix-checksums")}};
}

json matrixValues(const ApiRequest& request, const std::string& tail) {
    return {{"values", bodyObject(request, tail)}};
}

struct Route {
    std::string_view method;
    std::string_view path;       // ending in '/': any name after it
    std::string_view operation;  // empty: the name after the path is the operation
    InputsOf inputs;
    // The reply itself, for what is not a document of one operation.
    std::function<ApiReply(PanelDevice&, const ApiRequest&, const std::string& tail)> reply = {};
    // A device's answer without confirmation is still 200: the document says
    // what there is (the status report when the source sends nothing).
    bool answerIsTheResult = false;
};

// What the device's answer means over HTTP: done 200, refused 400 (422 for
// an upload whose problems force would let through), the device silent or
// not confirming 502, none reachable 503.
int statusOf(const toolkit::Outcome& outcome, const Route& route) {
    if (outcome.refused) {
        if (outcome.unavailable) return 503;
        return outcome.override.empty() ? 400 : 422;
    }
    switch (outcome.reach) {
        case toolkit::Reach::notAsked: return 200;
        case toolkit::Reach::noDevice: return outcome.confirmed() ? 200 : 503;
        case toolkit::Reach::silent: return outcome.confirmed() ? 200 : 502;
        case toolkit::Reach::answered: return outcome.confirmed() || route.answerIsTheResult ? 200 : 502;
    }
    return 500;
}

ApiReply outcomeReply(toolkit::Outcome outcome, const Route& route) {
    const int status = statusOf(outcome, route);
    return documentReply(status, std::move(outcome.doc));
}

ApiReply reportFields(PanelDevice&, const ApiRequest&, const std::string&) {
    json names = json::array();
    for (const auto& field : statusFields) names.push_back(field.name);
    ResultDocument doc;
    doc.command = "report fields";
    doc.result = {{"fields", names}};
    return documentReply(200, doc);
}

ApiReply settingList(PanelDevice& device, const ApiRequest&, const std::string&) {
    const json remembered = device.rememberedSettings();
    json settings = json::array();
    for (const auto& op : toolkit::operations()) {
        if (!op.setting) continue;
        json choices = json::array();
        for (const auto& n : namesFor(op.setting->argument)) choices.push_back({{"name", n.name}, {"value", n.value}});
        settings.push_back({{"name", op.name},
                            {"code", op.setting->code},
                            {"summary", op.summary},
                            {"takesValue", !op.inputs.empty()},
                            {"choices", choices},
                            {"last", remembered.value(std::string(op.name), json())}});
    }
    ResultDocument doc;
    doc.command = "settings";
    doc.result = {{"settings", settings}};
    return documentReply(200, doc);
}

// The edits edid derive takes, for the editor's form.
ApiReply edidEdits(PanelDevice&, const ApiRequest&, const std::string&) {
    ResultDocument doc;
    doc.command = "edid edits";
    doc.result = toolkit::edidEditsResult();
    return documentReply(200, doc);
}

// The 256 bytes as a download; the document when they were not read.
std::function<ApiReply(PanelDevice&, const ApiRequest&, const std::string&)> download(std::string_view operation,
                                                                                      std::string fileName) {
    return [operation, fileName](PanelDevice& device, const ApiRequest&, const std::string&) {
        const auto outcome = device.run(operation, json::object());
        if (!outcome.confirmed()) return outcomeReply(outcome, Route{});
        ApiReply reply;
        reply.body.assign(outcome.data.begin(), outcome.data.end());
        reply.contentType = "application/octet-stream";
        reply.fileName = fileName;
        return reply;
    };
}

const std::vector<Route>& routes() {
    static const std::vector<Route> table{
        {"GET", "/api/status", "status", noInputs, {}, true},
        {"GET", "/api/report-fields", "", noInputs, reportFields},
        {"GET", "/api/info", "info", noInputs},
        {"GET", "/api/settings", "", noInputs, settingList},
        {"POST", "/api/settings/", "", bodyObject},
        {"POST", "/api/set", "set", bodyObject},
        {"GET", "/api/edid", "edid get", edidRead},
        {"PUT", "/api/edid", "edid set", edidUpload},
        {"GET", "/api/edid/sink", "edid sink", edidRead},
        {"GET", "/api/edid/device.bin", "", noInputs, download("edid get", "brixel-edid.bin")},
        {"GET", "/api/edid/sink.bin", "", noInputs, download("edid sink", "display-edid.bin")},
        {"GET", "/api/edid/catalogue", "edid list", noInputs},
        {"POST", "/api/edid/install/", "edid install",
         [](const ApiRequest&, const std::string& tail) {
             return json{{"entry", tail}};
         }},
        {"GET", "/api/edid/export/", "edid export",
         [](const ApiRequest& request, const std::string& tail) {
             return json{{"entry", tail}, {"decode", queryFlag(request, "decode")}};
         }},
        {"GET", "/api/edid/edits", "", noInputs, edidEdits},
        {"POST", "/api/edid/derive", "edid derive", bodyObject},
        {"POST", "/api/edid/diff", "edid diff", bodyObject},
        {"GET", "/api/devices", "list", noInputs, {}, true},
        {"POST", "/api/infoframe/avi", "infoframe avi", bodyObject},
        {"POST", "/api/infoframe/hdr", "infoframe hdr", bodyObject},
        {"POST", "/api/infoframe/hdr-build", "infoframe hdr-build", bodyObject},
        {"POST", "/api/infoframe/decode", "infoframe decode", bodyObject},
        {"GET", "/api/matrix", "matrix get", noInputs},
        {"GET", "/api/matrix/default", "matrix default", noInputs},
        {"PUT", "/api/matrix", "matrix set", matrixValues},
        {"POST", "/api/matrix/reset", "matrix reset", noInputs},
        {"POST", "/api/matrix/enable", "matrix enable", noInputs},
        {"POST", "/api/matrix/disable", "matrix disable", noInputs},
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

ApiReply handleRoute(PanelDevice& device, const Route& route, const ApiRequest& request, const std::string& tail) {
    if (route.reply) return route.reply(device, request, tail);
    const std::string where = request.method + " " + request.path;
    std::string name(route.operation);
    if (name.empty()) {
        // A setting by the name after the path.
        const auto* op = toolkit::findOperation(tail);
        if (!op || !op->setting)
            return errorReply(404, where, "'" + tail + "' is not a setting; GET /api/settings lists them");
        name = tail;
    }
    json inputs;
    try {
        inputs = route.inputs(request, tail);
    } catch (const NotAnObject&) {
        return errorReply(400, where, "the request body is not a JSON object");
    }
    auto outcome = device.run(name, inputs);
    // A name in the path that names nothing is a resource not found.
    if (outcome.refused && !outcome.malformed && !outcome.unavailable && !tail.empty() && !route.operation.empty())
        return errorReply(404, where, *outcome.doc.error);
    return outcomeReply(std::move(outcome), route);
}

}  // namespace

ApiReply errorReply(int status, const std::string& command, const std::string& text) {
    ResultDocument doc;
    doc.command = command;
    doc.error = text;
    return documentReply(status, doc);
}

std::size_t Api::bodyLimit(const std::string& path) {
    // An EDID's content, and another's to take the audio from, travel in these bodies.
    const bool edids = path == "/api/edid" || path == "/api/edid/derive" || path == "/api/edid/diff";
    return edids ? edidUploadLimit : jsonBodyLimit;
}

ApiReply Api::handle(const ApiRequest& request) {
    std::vector<std::string> allowed;
    // HEAD is GET without the body, which the HTTP server leaves out.
    const std::string method = request.method == "HEAD" ? "GET" : request.method;
    for (const auto& route : routes()) {
        auto tail = matchOf(route, request.path);
        if (!tail) continue;
        if (route.method != method) {
            allowed.emplace_back(route.method);
            continue;
        }
        try {
            return handleRoute(device_, route, request, *tail);
        } catch (const json::exception& e) {
            return errorReply(400, request.method + " " + request.path,
                              std::string("the request is malformed: ") + e.what());
        }
    }
    if (!allowed.empty()) {
        auto reply = errorReply(
            405, request.method + " " + request.path,
            request.method + " is not taken here; " + text::listed(allowed) + (allowed.size() == 1 ? " is" : " are"));
        for (const auto& m : allowed) reply.allow += (reply.allow.empty() ? "" : ", ") + m;
        return reply;
    }
    return errorReply(404, request.method + " " + request.path,
                      "no such route; the panel's API.md (" + apiDocumentPlace() + ") lists them");
}

std::string Api::statusText() {
    ApiRequest request;
    request.method = "GET";
    request.path = "/api/status";
    return handle(request).body;
}

}  // namespace brixel::panel
