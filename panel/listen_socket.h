// SPDX-License-Identifier: MIT
#pragma once
// The panel's listening socket takes its port alone: httplib's default shares
// it with any other server on it, and a second panel must be told the port is
// taken instead. One file per system: listen_socket_posix.cpp, listen_socket_windows.cpp.

#include <httplib.h>

namespace brixel::panel {

void takePortAlone(socket_t sock);

}  // namespace brixel::panel
