#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace clipreel {
namespace {

// Movie times count from 1904: 2082844800 seconds before the Unix epoch,
// kept in 32 bits.
TEST(ClockTest, MovieTimeIsTheCurrentTimeFrom1904InLow32Bits) {
    const std::int64_t before = platform::CurrentTime64();
    const std::uint32_t movieTime = CurrentMovieTime();
    const std::int64_t after = platform::CurrentTime64();
    ASSERT_LE(before, after);
    const std::uint32_t low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(before) + 2082844800u);
    const std::uint32_t span = static_cast<std::uint32_t>(after - before);
    // Unsigned difference: correct across the 32-bit wrap (February 2040).
    EXPECT_LE(static_cast<std::uint32_t>(movieTime - low), span);
}

TEST(ClockTest, CurrentTimeIsTheSystemsUnixTime) {
    const std::int64_t system = static_cast<std::int64_t>(std::time(nullptr));
    const std::int64_t ours = platform::CurrentTime64();
    const std::int64_t systemAfter = static_cast<std::int64_t>(std::time(nullptr));
    // time() may read a coarser clock that lags the precise one by a tick,
    // so the two agree to within a second, not exactly.
    EXPECT_GE(ours, system);
    EXPECT_LE(ours, systemAfter + 1);
    // 2020-01-01: a clock that counts from anything but 1970 fails here.
    EXPECT_GT(ours, 1577836800);
}

}
}
