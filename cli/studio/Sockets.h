#ifndef CLIPREEL_STUDIO_SOCKETS_H
#define CLIPREEL_STUDIO_SOCKETS_H

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace clipreel {
namespace studio {

// The few calls the studio makes on its connections' sockets itself, each
// waiting at most the time it is given: the connection gate watches many at
// once and looks at a request's head before anyone reads it, and the gated
// stream reads and writes with deadlines of its own.

// Which of the sockets have bytes (or their end) to read, waiting up to
// limit for the first; all false after the time or on an error.
std::vector<bool> ReadableSockets(const std::vector<socket_t>& sockets, std::chrono::milliseconds limit);
bool WaitReadable(socket_t socket, std::chrono::milliseconds limit);
bool WaitWritable(socket_t socket, std::chrono::milliseconds limit);

// Copies up to size waiting bytes without taking them: 0 at the end, -1 on
// an error.
std::ptrdiff_t PeekSocket(socket_t socket, char* bytes, std::size_t size);
std::ptrdiff_t ReceiveSocket(socket_t socket, char* bytes, std::size_t size);
// Never raises a broken-pipe signal; -1 when the peer is gone.
std::ptrdiff_t SendSocket(socket_t socket, const char* bytes, std::size_t size);
void CloseSocket(socket_t socket);

void PeerAddress(socket_t socket, std::string& address, int& port);
void LocalAddress(socket_t socket, std::string& address, int& port);

// The listening socket's options: a port left in TIME_WAIT by an earlier
// run is taken again, but never one another socket listens on (no shared
// ports: a second studio on a busy port is refused).
void ListenAlone(socket_t socket);

}
}

#endif
