#include "cli/FrameRateText.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace cli {
namespace {

TEST(FrameRateText, ParsesFractionsNamedRatesAndDecimals) {
    struct Case {
        const char* text;
        bool accepted;
        std::uint32_t timeScale;
        std::uint32_t frameDuration;
    };
    const Case cases[] = {
        {"30000/1001", true, 30000, 1001},
        {"3000/100", true, 3000, 100},
        {"29.97", true, 30000, 1001},
        {"23.976", true, 24000, 1001},
        {"59.94", true, 60000, 1001},
        {"25", true, 25000, 1000},
        {"12.5", true, 12500, 1000},
        {"0", false, 0, 0},
        {"30/0", false, 0, 0},
        {"/1001", false, 0, 0},
        {"fast", false, 0, 0},
        {"1.2.3", false, 0, 0},
        {"-25", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint32_t timeScale = 0;
        std::uint32_t frameDuration = 0;
        ASSERT_EQ(ParseFrameRate(c.text, timeScale, frameDuration), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(timeScale, c.timeScale);
            EXPECT_EQ(frameDuration, c.frameDuration);
        }
    }
}

TEST(FrameRateText, WritesRatesInLowestTerms) {
    struct Case {
        std::uint32_t timeScale;
        std::uint32_t frameDuration;
        const char* text;
    };
    const Case cases[] = {
        {25000, 1000, "25"},     {30000, 1001, "30000/1001"}, {3000, 100, "30"}, {12500, 1000, "25/2"},
        {600, 20, "30"},         {60000, 1001, "60000/1001"}, {0, 1001, "unknown"}, {25, 0, "unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FrameRateText(c.timeScale, c.frameDuration), c.text);
    }
}

}
}
}
