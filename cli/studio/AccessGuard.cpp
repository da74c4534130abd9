#include "AccessGuard.h"

#include <random>

namespace clipreel {
namespace studio {

namespace {

std::string RandomToken() {
    // 128 bits from the system's random source, as hexadecimal digits.
    std::random_device source;
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = source();
        for (int digit = 0; digit < 8; ++digit) {
            token += digits[bits & 0xF];
            bits >>= 4;
        }
    }
    return token;
}

}

AccessGuard::AccessGuard() : token(RandomToken()) {}

AccessGuard::AccessGuard(std::string known) : token(std::move(known)) {}

void AccessGuard::SetPort(int port) {
    host = "127.0.0.1:" + std::to_string(port);
}

std::string AccessGuard::Refusal(const std::string& requestHost, const std::string& presentedToken) const {
    if (host.empty() || requestHost != host) return "this server answers only to " + host;
    if (token.empty() || !SameSecret(presentedToken, token)) return "missing or wrong token";
    return std::string();
}

std::string AccessGuard::OriginRefusal(const std::string& method, const std::string& origin) const {
    if (method == "GET" || method == "HEAD" || origin.empty()) return std::string();
    if (host.empty() || origin != "http://" + host) return "changes are accepted only from the studio's own page";
    return std::string();
}

bool SameSecret(const std::string& a, const std::string& b) {
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i % (b.empty() ? 1 : b.size())]);
    }
    return difference == 0 && !b.empty();
}

}
}
