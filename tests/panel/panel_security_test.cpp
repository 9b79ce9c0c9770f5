// SPDX-License-Identifier: MIT
// The panel's rules against other pages and other machines: the Host header,
// the Origin and the page's token on every change, the access token off the
// loopback address, and the body limits.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/panel/panel_client.h"

namespace brixel::test {
namespace {

class PanelSecurity : public PanelFixture {
protected:
    void SetUp() override { start(); }
};

TEST_F(PanelSecurity, AnotherHostNameIsRefused) {
    auto c = client();
    EXPECT_EQ(status(c.Get("/api/status", {{"Host", "attacker.example:" + std::to_string(port_)}})), 403);
    EXPECT_EQ(status(c.Get("/", {{"Host", "attacker.example"}})), 403);
    EXPECT_EQ(status(c.Get("/api/status", {{"Host", "127.0.0.1:1"}})), 403);
    // The names of the loopback address are its own.
    EXPECT_EQ(status(c.Get("/api/status", {{"Host", "localhost:" + std::to_string(port_)}})), 200);
    EXPECT_EQ(status(c.Get("/api/status")), 200);
}

TEST_F(PanelSecurity, AChangeNeedsTheOriginAndThePageToken) {
    auto c = client();
    const std::string token = csrfToken();
    const std::string body = R"({"value": "2"})";
    const auto refused = [&](const httplib::Headers& headers) {
        const auto r = c.Post("/api/settings/port", headers, body, "application/json");
        return status(r) == 403 && r->body.find("\"error\"") != std::string::npos;
    };
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused({{"X-CSRF-Token", token}}));
    EXPECT_TRUE(refused({{"Origin", origin()}}));
    EXPECT_TRUE(refused({{"Origin", "http://attacker.example"}, {"X-CSRF-Token", token}}));
    EXPECT_TRUE(refused({{"Origin", "null"}, {"X-CSRF-Token", token}}));
    EXPECT_TRUE(refused({{"Origin", origin()}, {"X-CSRF-Token", "0123456789abcdef0123456789abcdef"}}));
    EXPECT_TRUE(refused({{"Origin", origin()}, {"X-CSRF-Token", ""}}));
    // None of them reached the device.
    EXPECT_EQ(get("/api/status").doc.at("fields").at("input").at("text"), "Input : 3840x2160p60");
    EXPECT_EQ(
        status(c.Post("/api/settings/port", {{"Origin", origin()}, {"X-CSRF-Token", token}}, body, "application/json")),
        200);
    EXPECT_EQ(status(c.Put("/api/matrix", {}, "{}", "application/json")), 403);
}

TEST_F(PanelSecurity, BodiesAreLimited) {
    // An EDID upload up to 64 KiB is read (and found wanting); one byte more is refused.
    std::string upload(64 * 1024, ' ');
    upload.replace(0, 2, "00");
    EXPECT_EQ(put("/api/edid", upload, "text/plain").status, 400);
    upload += " ";
    auto r = put("/api/edid", upload, "text/plain");
    EXPECT_EQ(r.status, 413);
    EXPECT_TRUE(r.doc.contains("error")) << r.body;
    // A derivation carries EDIDs in its body: the same limit.
    std::string derive =
        R"({"from": "builtin:20", "name": "Lounge", "padding": ")" + std::string(20 * 1024, 'x') + "\"}";
    EXPECT_EQ(post("/api/edid/derive", derive).status, 400);
    derive = R"({"from": "builtin:20", "padding": ")" + std::string(64 * 1024, 'x') + "\"}";
    EXPECT_EQ(post("/api/edid/derive", derive).status, 413);
    // Other routes take a few values, 16 KiB at most.
    std::string big = R"({"value": "2", "padding": ")" + std::string(16 * 1024, 'x') + "\"}";
    r = post("/api/settings/port", big);
    EXPECT_EQ(r.status, 413);
    EXPECT_EQ(get("/api/status").doc.at("fields").at("input").at("text"), "Input : 3840x2160p60");
}

TEST_F(PanelSecurity, OpenStreamsLeaveThreadsForRequests) {
    // A foreign page may open event streams too (its Host header passes):
    // past four, more are refused, and requests are still answered.
    std::atomic<bool> done{false};
    std::atomic<int> following{0};
    std::vector<std::thread> pages;
    for (int k = 0; k < 4; ++k)
        pages.emplace_back([&] {
            auto c = client();
            bool counted = false;
            c.Get("/api/events", [&](const char*, std::size_t) {
                if (!counted) ++following;
                counted = true;
                return !done.load();
            });
        });
    for (int wait = 0; wait < 500 && following < 4; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(following, 4);
    auto fifth = reply(client().Get("/api/events"));
    EXPECT_EQ(fifth.status, 503);
    EXPECT_NE(fifth.doc.at("error").get<std::string>().find("close one"), std::string::npos);
    EXPECT_EQ(get("/api/status").status, 200);
    done = true;
    for (auto& page : pages) page.join();
    // Closed streams free their places, once the server has seen them close
    // (at its next write to each).
    std::string received;
    for (int wait = 0; wait < 100 && !received.starts_with("event: status"); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        received.clear();
        client().Get("/api/events", [&](const char* data, std::size_t length) {
            received.append(data, length);
            return false;
        });
    }
    EXPECT_TRUE(received.starts_with("event: status")) << received;
}

TEST_F(PanelSecurity, OnceShutdownBeginsNothingIsTaken) {
    server_->beginShutdown();
    const auto r = post("/api/settings/port", R"({"value": 2})");
    EXPECT_EQ(r.status, 503);
    EXPECT_EQ(r.doc.at("error"), "the panel is stopping");
    EXPECT_EQ(get("/api/status").status, 503);
}

TEST_F(PanelSecurity, ASecondPanelOnTheSamePortIsRefused) {
    std::string error;
    panel::PanelOptions options;
    options.port = port_;
    EXPECT_EQ(panel::PanelServer::start(options, error), nullptr);
    EXPECT_EQ(error,
              "cannot listen on 127.0.0.1:" + std::to_string(port_) + " (in use, or not an address of this machine)");
}

TEST(PanelAddress, OnlyTheLoopbackAddressGoesWithoutAToken) {
    EXPECT_TRUE(panel::isLoopback("127.0.0.1"));
    EXPECT_TRUE(panel::isLoopback("::1"));
    EXPECT_TRUE(panel::isLoopback("localhost"));
    EXPECT_FALSE(panel::isLoopback("0.0.0.0"));
    EXPECT_FALSE(panel::isLoopback("192.168.1.20"));
    EXPECT_FALSE(panel::isLoopback("::"));
    std::string error;
    panel::PanelOptions options;
    options.host = "0.0.0.0";
    options.port = 0;
    EXPECT_EQ(panel::PanelServer::start(options, error), nullptr);
    EXPECT_EQ(error, "a panel on 0.0.0.0 needs an access token");
}

TEST(PanelAddress, TokensAreRandom) {
    const auto a = panel::randomToken();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, panel::randomToken());
}

class PanelWithToken : public PanelFixture {
protected:
    void SetUp() override { start({1, {}, "s3cret-token"}); }
};

TEST_F(PanelWithToken, EveryRequestNeedsTheAccessToken) {
    auto c = client();
    auto r = reply(c.Get("/api/status"));
    EXPECT_EQ(r.status, 401);
    EXPECT_NE(r.doc.at("error").get<std::string>().find("access token"), std::string::npos);
    EXPECT_EQ(status(c.Get("/")), 401);
    EXPECT_EQ(status(c.Get("/api/status?token=wrong")), 401);
    EXPECT_EQ(status(c.Get("/api/status", {{"Authorization", "Bearer s3cret-tokex"}})), 401);
    EXPECT_EQ(status(c.Get("/api/status", {{"Authorization", "Bearer s3cret-token"}})), 200);
    EXPECT_EQ(status(c.Get("/api/status?token=s3cret-token")), 200);
}

TEST_F(PanelWithToken, ThePageOpenedWithTheTokenKeepsItInACookie) {
    auto c = client();
    const auto page = c.Get("/?token=s3cret-token");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const std::string cookie = page->get_header_value("Set-Cookie");
    EXPECT_EQ(cookie, "brixel-panel-token=s3cret-token; Path=/; HttpOnly; SameSite=Strict");
    EXPECT_EQ(status(c.Get("/api/status", {{"Cookie", "brixel-panel-token=s3cret-token"}})), 200);
    EXPECT_EQ(status(c.Get("/api/status", {{"Cookie", "other=1; brixel-panel-token=s3cret-token"}})), 200);
    EXPECT_EQ(status(c.Get("/api/status", {{"Cookie", "brixel-panel-token=nope"}})), 401);
}

// A script holding the token changes the device with it alone: no browser
// sends a bearer token by itself, so no page's token or Origin is needed.
// The cookie, which a browser does send by itself, still needs both.
TEST_F(PanelWithToken, ABearerTokenChangesWithoutThePagesToken) {
    auto c = client();
    const httplib::Headers bearer{{"Authorization", "Bearer s3cret-token"}};
    auto r = reply(c.Post("/api/settings/port", bearer, R"({"value": 2})", "application/json"));
    EXPECT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.doc.at("confirmed"), true);
    const httplib::Headers cookie{{"Cookie", "brixel-panel-token=s3cret-token"}};
    EXPECT_EQ(status(c.Post("/api/settings/port", cookie, R"({"value": 3})", "application/json")), 403);
    const httplib::Headers wrong{{"Authorization", "Bearer s3cret-tokex"}};
    EXPECT_EQ(status(c.Post("/api/settings/port", wrong, R"({"value": 3})", "application/json")), 401);
}

// What curl sends for `-X POST` with no data: no body and no Content-Length.
TEST_F(PanelWithToken, AChangeWithoutABodyAndHeadAreTaken) {
    httplib::Client c = client();
    const httplib::Headers bearer{{"Authorization", "Bearer s3cret-token"}};
    httplib::Request request;
    request.method = "POST";
    request.path = "/api/matrix/reset";
    request.headers = bearer;
    auto reset = c.send(request);
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset->status, 200) << reset->body;
    request.method = "HEAD";
    request.path = "/api/status";
    auto head = c.send(request);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->body, "");
}

}  // namespace
}  // namespace brixel::test
