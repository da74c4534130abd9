#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace clipreel {
namespace {

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
