#pragma once
// brixelctl serve: one page and a JSON API over HTTP, with the device's work
// done by the toolkit's owner of the library. Secure by default: the loopback address unless told
// otherwise, and then only with an access token; the Host header must name
// the address served; a state change is a POST or PUT with the page's Origin
// and its per-run token; bodies are limited.

#include <chrono>
#include <memory>
#include <string>

#include "panel/panel_device.h"

namespace brixel::panel {

struct PanelOptions {
    std::string host = "127.0.0.1";
    int port = 8080;  // 0: any free port
    // Required of every request when not empty.
    std::string accessToken;
    DeviceAccess device;
    // Between two status reports on an open page.
    std::chrono::milliseconds statusInterval{1000};
};

// A loopback address needs no access token; anything else does.
bool isLoopback(const std::string& host);

// 32 hexadecimal digits from the system's random source.
std::string randomToken();

class PanelServer {
public:
    // Listening when it returns; nullptr with `error` set when the address
    // cannot be bound.
    static std::unique_ptr<PanelServer> start(PanelOptions options, std::string& error);
    // Stops listening, ends open event streams, then closes the device.
    ~PanelServer();
    PanelServer(const PanelServer&) = delete;
    PanelServer& operator=(const PanelServer&) = delete;

    // From now on every request is refused (503): shutdown has begun, and a
    // change taken now might not be finished. The destructor begins it too.
    void beginShutdown();

    int port() const;
    // The address to open, with the access token when there is one.
    std::string url() const;

private:
    struct Parts;
    explicit PanelServer(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace brixel::panel
