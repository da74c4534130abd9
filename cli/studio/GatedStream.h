#ifndef CLIPREEL_STUDIO_GATED_STREAM_H
#define CLIPREEL_STUDIO_GATED_STREAM_H

#include "Connection.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>

namespace clipreel {
namespace studio {

// A connection as the HTTP library reads and writes it once the gate let it
// through: first the bytes the gate already read, then the socket. The
// whole request must be read by a deadline and within a byte budget (its
// head and a body of at most BodyLimit, with room for chunk framing), so a
// client that sends slowly, or a chunked body without end, ends in an
// error instead of holding a worker or filling memory. Every write waits
// at most WriteTime for room; a stopping studio fails them all.
class GatedStream : public httplib::Stream {
public:
    static constexpr std::size_t BodyLimit = 64 * 1024;
    static constexpr std::chrono::milliseconds RequestTime{10000};
    static constexpr std::chrono::milliseconds WriteTime{5000};

    GatedStream(Connection& connection, const std::atomic<bool>& stopping);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* bytes, size_t size) override;
    ssize_t write(const char* bytes, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override;

private:
    std::chrono::milliseconds TimeLeft() const;

    Connection& connection;
    const std::atomic<bool>& stopping;
    const std::chrono::steady_clock::time_point deadline;
    std::size_t replayed = 0;  // of connection.received
    std::size_t budget;        // bytes still allowed to be read
};

}
}

#endif
