// SPDX-License-Identifier: MIT
#include <sys/socket.h>

#include "panel/listen_socket.h"

namespace brixel::panel {

// Without SO_REUSEPORT; SO_REUSEADDR lets a restart bind past TIME_WAIT.
void takePortAlone(socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace brixel::panel
