#ifndef CLIPREEL_PLATFORM_CLOCK_H
#define CLIPREEL_PLATFORM_CLOCK_H

#include <cstdint>

namespace clipreel {
namespace platform {

// Seconds since 1970-01-01 00:00 UTC (_time64; the POSIX clock).
std::int64_t CurrentTime64();

}
}

#endif
