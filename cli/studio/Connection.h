#ifndef CLIPREEL_STUDIO_CONNECTION_H
#define CLIPREEL_STUDIO_CONNECTION_H

#include "RequestHead.h"
#include "Sockets.h"

#include <chrono>
#include <string>

namespace clipreel {
namespace studio {

// One accepted connection on its way through the studio: the bytes the
// gate has read of it (its head, perhaps the start of a body), the head as
// the gate understood it, and when it came. Whoever drops it closes it.
struct Connection {
    explicit Connection(socket_t accepted) : socket(accepted), arrived(std::chrono::steady_clock::now()) {}
    ~Connection() { CloseSocket(socket); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const socket_t socket;
    const std::chrono::steady_clock::time_point arrived;
    std::string received;
    RequestHead head;
    bool understood = false;  // head parsed
};

}
}

#endif
