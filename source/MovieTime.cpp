#include "source/MovieTime.h"

#include "platform/Clock.h"

namespace clipreel {

std::uint32_t MovieTimeFromUnixTime(std::int64_t unixTime) {
    const std::uint64_t seconds = static_cast<std::uint64_t>(unixTime) + MovieEpochOffset;
    return static_cast<std::uint32_t>(seconds & 0xFFFFFFFFu);
}

std::uint32_t CurrentMovieTime() {
    return MovieTimeFromUnixTime(platform::CurrentTime64());
}

}
