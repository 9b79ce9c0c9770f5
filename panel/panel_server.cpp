// SPDX-License-Identifier: MIT
#include "panel/panel_server.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "panel/api.h"
#include "panel/listen_socket.h"
#include "panel/web_assets.h"

namespace brixel::panel {
namespace {

constexpr std::string_view tokenCookie = "brixel-panel-token";
constexpr std::string_view csrfHeader = "X-CSRF-Token";
constexpr std::string_view csrfPlaceholder = "{{csrf}}";
constexpr std::string_view pageSecurityPolicy =
    "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; connect-src 'self'; "
    "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The same length and every byte compared, so that timing tells nothing.
bool sameSecret(std::string_view given, std::string_view expected) {
    if (given.size() != expected.size() || expected.empty()) return false;
    unsigned char differ = 0;
    for (std::size_t k = 0; k < given.size(); ++k) differ |= static_cast<unsigned char>(given[k] ^ expected[k]);
    return differ == 0;
}

bool isWildcard(const std::string& host) { return host == "0.0.0.0" || host == "::" || host.empty(); }

std::string hostForUrl(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::string cookieValue(const httplib::Request& request, std::string_view name) {
    const std::string cookies = request.get_header_value("Cookie");
    std::size_t at = 0;
    while (at < cookies.size()) {
        const std::size_t end = std::min(cookies.find(';', at), cookies.size());
        std::string_view pair(cookies.data() + at, end - at);
        while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
        if (pair.starts_with(name) && pair.size() > name.size() && pair[name.size()] == '=')
            return std::string(pair.substr(name.size() + 1));
        at = end + 1;
    }
    return {};
}

void send(httplib::Response& response, const ApiReply& reply) {
    response.status = reply.status;
    if (!reply.allow.empty()) response.set_header("Allow", reply.allow);
    if (!reply.fileName.empty())
        response.set_header("Content-Disposition", "attachment; filename=\"" + reply.fileName + "\"");
    response.set_content(reply.body, reply.contentType.c_str());
}

bool changesState(const std::string& method) { return method != "GET" && method != "HEAD"; }

}  // namespace

bool isLoopback(const std::string& host) { return host == "localhost" || host == "::1" || host.starts_with("127."); }

std::string randomToken() {
    std::random_device source;
    constexpr char digits[] = "0123456789abcdef";
    std::string token;
    for (int k = 0; k < 4; ++k) {
        uint32_t word = source();
        for (int d = 0; d < 8; ++d, word >>= 4) token += digits[word & 0xF];
    }
    return token;
}

struct PanelServer::Parts {
    PanelOptions options;
    std::string csrfToken = randomToken();
    std::set<std::string> hosts;  // the Host headers taken; any when empty
    std::unique_ptr<PanelDevice> device;
    std::unique_ptr<Api> api;
    httplib::Server http;
    std::thread listener;
    std::atomic<bool> stopping{false};
    int port = 0;
    // Each open stream holds one of httplib's threads for as long as it is
    // open: a cap leaves threads for the requests themselves.
    static constexpr int maxEventStreams = 4;
    std::atomic<int> eventStreams{0};
    // httplib serves each connection on one thread for as long as the client
    // keeps it alive: enough of them for a house of clients at once (the MQTT
    // bridge's neighbours, scripts, several pages) beside the streams.
    static constexpr std::size_t connectionThreads = 32;

    // Why the request is refused before it reaches a route; 0 when it is not.
    ApiReply refusal(const httplib::Request& request, bool& refused) {
        refused = true;
        const std::string host = lowered(request.get_header_value("Host"));
        if (!hosts.empty() && !hosts.contains(host))
            return errorReply(403, "", "the Host header '" + host + "' is not the address this panel serves");
        // A browser never sends a bearer token of its own accord: a request
        // that carries the right one is a script's, and no page can forge it.
        bool bearer = false;
        if (!options.accessToken.empty()) {
            std::string given = cookieValue(request, tokenCookie);
            const std::string authorization = request.get_header_value("Authorization");
            if (authorization.starts_with("Bearer ")) {
                given = authorization.substr(7);
                bearer = sameSecret(given, options.accessToken);
            }
            if (request.has_param("token")) given = request.get_param_value("token");
            if (!sameSecret(given, options.accessToken))
                return errorReply(401, "", "an access token is needed: open the address brixelctl serve printed");
        }
        if (changesState(request.method) && !bearer) {
            const std::string origin = lowered(request.get_header_value("Origin"));
            if (origin.empty() || origin != "http://" + host)
                return errorReply(403, "", "a change must come from the panel's own page (Origin)");
            if (!sameSecret(request.get_header_value(std::string(csrfHeader).c_str()), csrfToken))
                return errorReply(403, "", "a change needs the page's token (X-CSRF-Token); reload the page");
        }
        const auto limit = request.path.starts_with("/api/") ? Api::bodyLimit(request.path) : 0;
        if (request.body.size() > limit)
            return errorReply(
                413, "", "the request body is larger than the " + std::to_string(limit) + " bytes this route takes");
        refused = false;
        return {};
    }

    void page(const httplib::Request& request, httplib::Response& response) {
        for (const auto& asset : webAssets()) {
            if (asset.path != request.path) continue;
            std::string content(asset.content);
            if (const auto at = content.find(csrfPlaceholder); at != std::string::npos)
                content.replace(at, csrfPlaceholder.size(), csrfToken);
            response.set_header("Content-Security-Policy", std::string(pageSecurityPolicy));
            response.set_header("X-Frame-Options", "DENY");
            if (!options.accessToken.empty() && request.has_param("token"))
                response.set_header("Set-Cookie", std::string(tokenCookie) + "=" + options.accessToken +
                                                      "; Path=/; HttpOnly; SameSite=Strict");
            response.set_content(content, std::string(asset.contentType).c_str());
            return;
        }
        send(response, errorReply(404, "GET " + request.path, "no such page"));
    }

    void events(httplib::Response& response) {
        if (eventStreams.fetch_add(1) >= maxEventStreams) {
            --eventStreams;
            return send(response, errorReply(503, "GET /api/events",
                                             "too many pages follow the status already (" +
                                                 std::to_string(maxEventStreams) + "); close one"));
        }
        auto lastLine = std::make_shared<uint64_t>(0);
        auto first = std::make_shared<bool>(true);
        auto settings = std::make_shared<std::string>();
        response.set_header("X-Accel-Buffering", "no");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, lastLine, first, settings](std::size_t, httplib::DataSink& sink) {
                if (!*first) {
                    const auto until = std::chrono::steady_clock::now() + options.statusInterval;
                    while (!stopping && std::chrono::steady_clock::now() < until)
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                *first = false;
                if (stopping) return false;
                std::string text = "event: status\ndata: " + api->statusText() + "\n\n";
                // What brixelctl or another page set since.
                if (std::string now = toolkit::jsonText(device->rememberedSettings(), -1); now != *settings) {
                    text += "event: settings\ndata: " + now + "\n\n";
                    *settings = std::move(now);
                }
                for (const auto& line : device->linesAfter(*lastLine)) {
                    *lastLine = line.number;
                    const nlohmann::json data{{"number", line.number}, {"warning", line.warning}, {"text", line.text}};
                    text += "event: console\ndata: " + toolkit::jsonText(data, -1) + "\n\n";
                }
                return sink.write(text.data(), text.size());
            },
            [this](bool) { --eventStreams; });
    }

    void serve(const httplib::Request& request, httplib::Response& response) {
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Cache-Control", "no-store");
        response.set_header("Referrer-Policy", "no-referrer");
        // Once shutdown begins nothing is taken: a change would be lost half done.
        if (stopping) return send(response, errorReply(503, "", "the panel is stopping"));
        bool refused = false;
        if (auto reply = refusal(request, refused); refused) return send(response, reply);
        if (!request.path.starts_with("/api/")) {
            if (request.method != "GET") return send(response, errorReply(405, "", "the page is only read"));
            return page(request, response);
        }
        if (request.path == "/api/events") {
            if (request.method != "GET") return send(response, errorReply(405, "", "the event stream is only read"));
            return events(response);
        }
        ApiRequest apiRequest{request.method, request.path, {}, request.body};
        for (const auto& [key, value] : request.params) apiRequest.query[key] = value;
        send(response, api->handle(apiRequest));
    }
};

PanelServer::PanelServer(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

std::unique_ptr<PanelServer> PanelServer::start(PanelOptions options, std::string& error) {
    auto parts = std::make_unique<Parts>();
    Parts& p = *parts;
    p.options = std::move(options);
    if (!isLoopback(p.options.host) && p.options.accessToken.empty()) {
        error = "a panel on " + p.options.host + " needs an access token";
        return nullptr;
    }
    auto& http = p.http;
    http.new_task_queue = [] { return new httplib::ThreadPool(Parts::connectionThreads + Parts::maxEventStreams); };
    // The largest body any route takes; each route's own limit is checked after.
    http.set_payload_max_length(edidUploadLimit);
    // A reply is one small write: sent at once, not held for the next.
    http.set_tcp_nodelay(true);
    const auto handler = [&p](const httplib::Request& request, httplib::Response& response) {
        p.serve(request, response);
    };
    http.Get(".*", handler);
    http.Post(".*", handler);
    http.Put(".*", handler);
    http.Delete(".*", handler);
    http.Patch(".*", handler);
    http.Options(".*", handler);
    // A change without a body (POST /api/matrix/reset from a script) comes
    // with no Content-Length, which httplib would refuse before the routes.
    http.set_pre_routing_handler([&p](const httplib::Request& request, httplib::Response& response) {
        if (!changesState(request.method) || request.has_header("Content-Length") ||
            request.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        p.serve(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    // What httplib refuses itself (a body over the limit, a request it cannot read) is said as JSON too.
    http.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) return;
        const std::string text = response.status == 413
                                     ? "the request body is too large"
                                     : "the request was refused (" + std::to_string(response.status) + ")";
        auto reply = errorReply(response.status, request.method + " " + request.path, text);
        response.set_content(reply.body, reply.contentType.c_str());
    });

    http.set_socket_options(takePortAlone);
    p.port = p.options.port == 0 ? http.bind_to_any_port(p.options.host) : p.options.port;
    if (p.options.port != 0 && !http.bind_to_port(p.options.host.c_str(), p.options.port)) p.port = -1;
    if (p.port <= 0) {
        error = "cannot listen on " + hostForUrl(p.options.host) + ":" + std::to_string(p.options.port) +
                " (in use, or not an address of this machine)";
        return nullptr;
    }
    if (!isWildcard(p.options.host)) {
        const std::string port = ":" + std::to_string(p.port);
        p.hosts.insert(lowered(hostForUrl(p.options.host)) + port);
        if (isLoopback(p.options.host))
            for (const char* name : {"localhost", "127.0.0.1", "[::1]"}) p.hosts.insert(name + port);
    }
    p.device = std::make_unique<PanelDevice>(p.options.device);
    p.api = std::make_unique<Api>(*p.device);
    p.listener = std::thread([&http] { http.listen_after_bind(); });
    // httplib's stop() does nothing before its loop runs: a server stopped
    // right after it started would otherwise wait in accept() for ever.
    for (int waited = 0; waited < 5000 && !http.is_running(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::unique_ptr<PanelServer>(new PanelServer(std::move(parts)));
}

void PanelServer::beginShutdown() { parts_->stopping = true; }

PanelServer::~PanelServer() {
    beginShutdown();
    parts_->http.stop();
    if (parts_->listener.joinable()) parts_->listener.join();
    parts_->api.reset();
    parts_->device.reset();
}

int PanelServer::port() const { return parts_->port; }

std::string PanelServer::url() const {
    const auto& o = parts_->options;
    std::string url = "http://" + hostForUrl(isWildcard(o.host) ? std::string("127.0.0.1") : o.host) + ":" +
                      std::to_string(parts_->port) + "/";
    if (!o.accessToken.empty()) url += "?token=" + o.accessToken;
    return url;
}

}  // namespace brixel::panel
