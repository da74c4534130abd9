#include "GatedStream.h"

#include <algorithm>
#include <cstring>

namespace clipreel {
namespace studio {

namespace {

// Chunk sizes and their line ends around a body of BodyLimit bytes.
constexpr std::size_t FramingAllowance = 8 * 1024;

}

constexpr std::size_t GatedStream::BodyLimit;
constexpr std::chrono::milliseconds GatedStream::RequestTime;
constexpr std::chrono::milliseconds GatedStream::WriteTime;

GatedStream::GatedStream(Connection& accepted, const std::atomic<bool>& serverStopping)
    : connection(accepted),
      stopping(serverStopping),
      deadline(accepted.arrived + RequestTime),
      budget(RequestHead::MaxBytes + BodyLimit + FramingAllowance) {}

std::chrono::milliseconds GatedStream::TimeLeft() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
}

bool GatedStream::is_readable() const {
    if (replayed < connection.received.size()) return true;
    return !stopping && budget > 0 && TimeLeft().count() > 0 && WaitReadable(connection.socket, TimeLeft());
}

bool GatedStream::is_writable() const { return !stopping && WaitWritable(connection.socket, WriteTime); }

ssize_t GatedStream::read(char* bytes, size_t size) {
    size = std::min(size, budget);
    if (size == 0 || stopping) return -1;
    if (replayed < connection.received.size()) {
        const std::size_t count = std::min(size, connection.received.size() - replayed);
        std::memcpy(bytes, connection.received.data() + replayed, count);
        replayed += count;
        budget -= count;
        return static_cast<ssize_t>(count);
    }
    if (TimeLeft().count() <= 0 || !WaitReadable(connection.socket, TimeLeft())) return -1;
    const std::ptrdiff_t count = ReceiveSocket(connection.socket, bytes, size);
    if (count > 0) budget -= static_cast<std::size_t>(count);
    return count;
}

ssize_t GatedStream::write(const char* bytes, size_t size) {
    if (!is_writable()) return -1;
    return SendSocket(connection.socket, bytes, size);
}

void GatedStream::get_remote_ip_and_port(std::string& ip, int& port) const { PeerAddress(connection.socket, ip, port); }

void GatedStream::get_local_ip_and_port(std::string& ip, int& port) const { LocalAddress(connection.socket, ip, port); }

socket_t GatedStream::socket() const { return connection.socket; }

}
}
