#include "source/MovieTime.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace {

// Movie times count from 1904: 2082844800 seconds before the Unix epoch,
// kept in 32 bits.
TEST(MovieTimeTest, MovieTimeIsTheCurrentTimeFrom1904InLow32Bits) {
    const std::int64_t before = platform::CurrentTime64();
    const std::uint32_t movieTime = CurrentMovieTime();
    const std::int64_t after = platform::CurrentTime64();
    ASSERT_LE(before, after);
    const std::uint32_t low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(before) + 2082844800u);
    const std::uint32_t span = static_cast<std::uint32_t>(after - before);
    // Unsigned difference: correct across the 32-bit wrap (February 2040).
    EXPECT_LE(static_cast<std::uint32_t>(movieTime - low), span);
}

TEST(MovieTimeTest, UnixTimesMapTo1904AndWrapIn32Bits) {
    struct Case {
        std::int64_t unixTime;
        std::uint32_t movieTime;
    };
    const Case cases[] = {
        {0, 2082844800u},                 // the Unix epoch
        {-2082844800, 0u},                // 1904-01-01 itself
        {2212122495, 0xFFFFFFFFu},        // the last second before the wrap
        {2212122496, 0u},                 // 2040-02-06 06:28:16 wraps to zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unixTime);
        EXPECT_EQ(MovieTimeFromUnixTime(c.unixTime), c.movieTime);
    }
}

}
}
