#ifndef CLIPREEL_PLATFORM_CLOCK_H
#define CLIPREEL_PLATFORM_CLOCK_H

#include <cstdint>

namespace clipreel {
namespace platform {

// Seconds since 1970-01-01 00:00 UTC (_time64; the POSIX clock).
std::int64_t CurrentTime64();

}

// Seconds since 1904-01-01 00:00 UTC in 32 bits, as movie headers keep
// modification times: the current time plus 2082844800, low 32 bits.
std::uint32_t CurrentMovieTime();

}

#endif
