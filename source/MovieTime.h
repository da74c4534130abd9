#ifndef CLIPREEL_SOURCE_MOVIE_TIME_H
#define CLIPREEL_SOURCE_MOVIE_TIME_H

#include <cstdint>

namespace clipreel {

// Seconds from 1904-01-01 to 1970-01-01, both 00:00 UTC: movie headers count
// their creation and modification times from 1904.
constexpr std::uint64_t MovieEpochOffset = 2082844800u;

// A Unix time as movie headers keep it: seconds since 1904 in 32 bits
// (the low 32 bits, so that it wraps as the format does in 2040).
std::uint32_t MovieTimeFromUnixTime(std::int64_t unixTime);

// The current time as a movie header's modification time.
std::uint32_t CurrentMovieTime();

}

#endif
