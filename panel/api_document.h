// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace brixel::panel {

// Where the panel's routes are described for a person reading a 404: the
// API.md installed with the running program, wherever its prefix is.
std::string apiDocumentPlace();

}  // namespace brixel::panel
