// SPDX-License-Identifier: MIT
#include "panel/listen_socket.h"

namespace brixel::panel {

// Windows' SO_REUSEADDR would let a second server take the port over:
// SO_EXCLUSIVEADDRUSE refuses it instead.
void takePortAlone(socket_t sock) {
    BOOL yes = TRUE;
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
}

}  // namespace brixel::panel
