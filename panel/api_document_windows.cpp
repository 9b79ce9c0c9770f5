// SPDX-License-Identifier: MIT
#include "panel/api_document.h"

namespace brixel::panel {

// The SDK is unpacked anywhere; its README names the folders.
std::string apiDocumentPlace() { return "doc\\API.md of the SDK"; }

}  // namespace brixel::panel
