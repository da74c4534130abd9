#include "cli/studio/Sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace clipreel {
namespace studio {

namespace {

int Milliseconds(std::chrono::milliseconds limit) {
    return limit.count() < 0 ? 0 : static_cast<int>(limit.count() > 60000 ? 60000 : limit.count());
}

bool WaitFor(socket_t socket, short events, std::chrono::milliseconds limit) {
    pollfd watched{socket, events, 0};
    int result;
    do {
        result = poll(&watched, 1, Milliseconds(limit));
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

void Address(const sockaddr_storage& stored, std::string& address, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (stored.ss_family == AF_INET) {
        const auto& in4 = reinterpret_cast<const sockaddr_in&>(stored);
        inet_ntop(AF_INET, &in4.sin_addr, text, sizeof text);
        port = ntohs(in4.sin_port);
    } else if (stored.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(stored);
        inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        port = ntohs(in6.sin6_port);
    }
    address = text;
}

}

std::vector<bool> ReadableSockets(const std::vector<socket_t>& sockets, std::chrono::milliseconds limit) {
    std::vector<pollfd> watched;
    for (const socket_t socket : sockets) watched.push_back({socket, POLLIN, 0});
    std::vector<bool> readable(sockets.size(), false);
    const int result = poll(watched.data(), watched.size(), Milliseconds(limit));
    if (result <= 0) return readable;
    for (std::size_t i = 0; i < watched.size(); ++i) readable[i] = watched[i].revents != 0;
    return readable;
}

bool WaitReadable(socket_t socket, std::chrono::milliseconds limit) { return WaitFor(socket, POLLIN, limit); }

bool WaitWritable(socket_t socket, std::chrono::milliseconds limit) { return WaitFor(socket, POLLOUT, limit); }

std::ptrdiff_t PeekSocket(socket_t socket, char* bytes, std::size_t size) {
    ssize_t result;
    do {
        result = recv(socket, bytes, size, MSG_PEEK | MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    return result;
}

std::ptrdiff_t ReceiveSocket(socket_t socket, char* bytes, std::size_t size) {
    ssize_t result;
    do {
        result = recv(socket, bytes, size, MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    return result;
}

std::ptrdiff_t SendSocket(socket_t socket, const char* bytes, std::size_t size) {
    ssize_t result;
    do {
        result = send(socket, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    return result;
}

void CloseSocket(socket_t socket) {
    shutdown(socket, SHUT_RDWR);
    close(socket);
}

void PeerAddress(socket_t socket, std::string& address, int& port) {
    sockaddr_storage stored{};
    socklen_t length = sizeof stored;
    port = 0;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&stored), &length) == 0) Address(stored, address, port);
}

void LocalAddress(socket_t socket, std::string& address, int& port) {
    sockaddr_storage stored{};
    socklen_t length = sizeof stored;
    port = 0;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&stored), &length) == 0) Address(stored, address, port);
}

void ListenAlone(socket_t socket) {
    // SO_REUSEADDR alone never lets a second socket listen on a port that
    // one listens on; SO_REUSEPORT (the library's default) would.
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}
}
