#ifndef CLIPREEL_STUDIO_ACCESS_GUARD_H
#define CLIPREEL_STUDIO_ACCESS_GUARD_H

#include <string>

namespace clipreel {
namespace studio {

// Who may talk to the studio: a request must name the server by its own
// address in its Host header (a page from another site that rebinds its DNS
// name to 127.0.0.1 still sends its own name) and carry the random token the
// studio printed when it started.
class AccessGuard {
public:
    // A guard with a fresh random token.
    AccessGuard();
    explicit AccessGuard(std::string token);

    const std::string& Token() const { return token; }

    // The one Host value accepted from now on: "127.0.0.1:PORT".
    void SetPort(int port);

    // Why a request is refused, or empty when it may pass.
    std::string Refusal(const std::string& host, const std::string& presentedToken) const;
    // Why a request that changes something (any method but GET and HEAD) is
    // refused for the page it comes from: a browser names that page's site
    // in Origin, and only the studio's own may change anything. Requests
    // without an Origin (not sent by a page) pass.
    std::string OriginRefusal(const std::string& method, const std::string& origin) const;

private:
    std::string token;
    std::string host;
};

// Equal texts, compared in a time that does not depend on where they differ.
bool SameSecret(const std::string& a, const std::string& b);

}
}

#endif
