// SPDX-License-Identifier: MIT
#pragma once
// The panel's JSON API: each route a command of brixelctl, answering with the
// same result document as `brixelctl --json` (toolkit/command_results.h).
// Transport-free: the server hands it requests already checked for Host,
// token and Origin.

#include <map>
#include <string>
#include <vector>

#include "panel/panel_device.h"

namespace brixel::panel {

// The most an EDID upload may hold, and a body that carries EDIDs (edid
// derive, edid diff): edid-decode's output of a 256-byte EDID is a few
// kilobytes, and a hex dump far less.
inline constexpr std::size_t edidUploadLimit = 64 * 1024;
// Any other request body (a JSON document of a few values).
inline constexpr std::size_t jsonBodyLimit = 16 * 1024;

struct ApiRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> query;
    std::string body;
};

struct ApiReply {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::string fileName;  // a download: Content-Disposition: attachment
    std::string allow;     // for 405: the methods the path takes
};

// A JSON error in the result document's shape.
ApiReply errorReply(int status, const std::string& command, const std::string& text);

class Api {
public:
    explicit Api(PanelDevice& device) : device_(device) {}

    ApiReply handle(const ApiRequest& request);

    // The status document as an event stream sends it.
    std::string statusText();

    // The limit of a request's body on this path.
    static std::size_t bodyLimit(const std::string& path);

private:
    PanelDevice& device_;
};

}  // namespace brixel::panel
