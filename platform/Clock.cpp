#include "platform/Clock.h"

namespace clipreel {

namespace {
// Seconds from 1904-01-01 to 1970-01-01, both 00:00 UTC.
constexpr std::uint64_t MovieEpochOffset = 2082844800u;
}

std::uint32_t CurrentMovieTime() {
    const std::uint64_t seconds = static_cast<std::uint64_t>(platform::CurrentTime64()) + MovieEpochOffset;
    return static_cast<std::uint32_t>(seconds & 0xFFFFFFFFu);
}

}
