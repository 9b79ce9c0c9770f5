#pragma once
// A panel served on a free loopback port for one test, over a fresh simulated
// device, and a client that plays the page: it reads the page's token and
// sends the headers the page sends.

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "panel/panel_server.h"
#include "toolkit/simulated_devices.h"

namespace brixel::test {

struct PanelSetup {
    unsigned devices = 1;
    std::vector<std::string> faults;
    std::string accessToken;
};

class PanelFixture : public ::testing::Test {
protected:
    void start(const PanelSetup& setup = {}) {
        std::string error;
        const auto dir = std::filesystem::temp_directory_path();
        toolkit::SimulationOptions sim{(dir / "panel-test-unused.json").string(), true, setup.devices, setup.faults,
                                       true};
        devices_ = toolkit::SimulatedDevices::start(sim, error);
        ASSERT_TRUE(devices_) << error;
        panel::PanelOptions options;
        options.port = 0;
        options.accessToken = setup.accessToken;
        options.device.transport.layer = &devices_->layer();
        options.statusInterval = std::chrono::milliseconds(100);
        server_ = panel::PanelServer::start(std::move(options), error);
        ASSERT_TRUE(server_) << error;
        port_ = server_->port();
    }

    void TearDown() override {
        server_.reset();
        devices_.reset();
    }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(10, 0);
        return c;
    }

    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // The page's per-run token, as the page's script reads it.
    std::string csrfToken() {
        auto c = client();
        const auto page = c.Get("/");
        if (!page || page->status != 200) return {};
        const std::string marker = "name=\"csrf-token\" content=\"";
        const auto at = page->body.find(marker);
        if (at == std::string::npos) return {};
        const auto start = at + marker.size();
        return page->body.substr(start, page->body.find('"', start) - start);
    }

    httplib::Headers pageHeaders() { return {{"Origin", origin()}, {"X-CSRF-Token", csrfToken()}}; }

    // A request as the page makes it; the reply's status and its document.
    struct Reply {
        int status = 0;
        nlohmann::json doc;
        std::string body;
    };
    Reply get(const std::string& path) { return reply(client().Get(path.c_str())); }
    Reply post(const std::string& path, const std::string& body = "{}") {
        return reply(client().Post(path.c_str(), pageHeaders(), body, "application/json"));
    }
    Reply put(const std::string& path, const std::string& body, const char* type = "application/json") {
        return reply(client().Put(path.c_str(), pageHeaders(), body, type));
    }

    static int status(const httplib::Result& result) { return result ? result->status : -1; }

    static Reply reply(const httplib::Result& result) {
        Reply r;
        if (!result) return r;
        r.status = result->status;
        r.body = result->body;
        r.doc = nlohmann::json::parse(result->body, nullptr, false);
        return r;
    }

    int port_ = 0;

    std::unique_ptr<panel::PanelServer> server_;

private:
    std::unique_ptr<toolkit::SimulatedDevices> devices_;
};

}  // namespace brixel::test
