#ifndef CLIPREEL_STUDIO_REQUEST_HEAD_H
#define CLIPREEL_STUDIO_REQUEST_HEAD_H

#include <cstddef>
#include <string>

namespace clipreel {
namespace studio {

// What the connection gate needs to know of a request before a worker
// takes it: its method and path, the Host it names and the token it
// carries (the "token" query parameter, or the X-Clipreel-Token header).
// The HTTP library parses the whole request again afterwards; this only
// decides who serves it, if anyone.
struct RequestHead {
    // The most a head may hold, request line and headers with their blank
    // line, and the most header lines.
    static constexpr std::size_t MaxBytes = 16 * 1024;
    static constexpr std::size_t MaxHeaders = 64;

    std::string method;
    std::string path;
    std::string host;
    std::string token;

    // Where the blank line that ends a head ends in text (the offset after
    // it), or 0 when the head is not complete yet.
    static std::size_t EndOf(const std::string& text);
    // Parses a complete head (text up to EndOf); false when it is not an
    // HTTP request head or has more than MaxHeaders lines.
    static bool Parse(const std::string& text, RequestHead& head);
};

}
}

#endif
