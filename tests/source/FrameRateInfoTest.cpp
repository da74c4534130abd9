#include "FrameRateInfo.h"
#include "source/FrameRateTables.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace {

struct Members {
    bool valid;
    unsigned numerator;
    unsigned denominator;
};

Members Read(const CFrameRateInfo2& rate) {
    Members m{};
    m.valid = rate.GetFrameRate(m.numerator, m.denominator);
    return m;
}

TEST(FrameRateInfo, ConstructionKeepsOnlyRatesWithoutZeroMembers) {
    struct Case {
        unsigned numerator, denominator;
        Members expected;
    };
    const Case cases[] = {
        {30000, 1001, {true, 30000, 1001}},
        {600, 20, {true, 600, 20}},
        {30000, 0, {false, 0, 0}},
        {0, 1001, {false, 0, 0}},
        {0, 0, {false, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.numerator << "/" << c.denominator);
        const CFrameRateInfo2 rate(c.numerator, c.denominator);
        const Members m = Read(rate);
        EXPECT_EQ(m.valid, c.expected.valid);
        EXPECT_EQ(rate.IsValid(), c.expected.valid);
        EXPECT_EQ(m.numerator, c.expected.numerator);
        EXPECT_EQ(m.denominator, c.expected.denominator);
    }
    const Members none = Read(CFrameRateInfo2());
    EXPECT_FALSE(none.valid);
    EXPECT_EQ(none.numerator, 0u);
    EXPECT_EQ(none.denominator, 0u);
}

TEST(FrameRateInfo, InitWithDurationPerFrameSetsOrLeavesUnchanged) {
    CFrameRateInfo2 rate(25000, 1000);
    rate.InitWithDurationPerFrame(0, 600);
    Members m = Read(rate);
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(m.numerator, 25000u);
    EXPECT_EQ(m.denominator, 1000u);
    rate.InitWithDurationPerFrame(1001, 0);
    EXPECT_EQ(Read(rate).numerator, 25000u);

    CFrameRateInfo2 unset;
    unset.InitWithDurationPerFrame(1001, 60000);
    m = Read(unset);
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(m.numerator, 60000u);
    EXPECT_EQ(m.denominator, 1001u);
}

TEST(FrameRateInfo, DurationPerFrameIsTheRateTurnedAround) {
    unsigned duration = 0, timeScale = 0;
    EXPECT_TRUE(CFrameRateInfo2(30000, 1001).GetDurationPerFrame(duration, timeScale));
    EXPECT_EQ(duration, 1001u);
    EXPECT_EQ(timeScale, 30000u);
    EXPECT_FALSE(CFrameRateInfo2().GetDurationPerFrame(duration, timeScale));
    EXPECT_EQ(duration, 0u);
    EXPECT_EQ(timeScale, 0u);
}

TEST(FrameRateInfo, EqualityAndAssignment) {
    EXPECT_TRUE(CFrameRateInfo2(24000, 1001) == CFrameRateInfo2(24000, 1001));
    EXPECT_FALSE(CFrameRateInfo2(24000, 1001) == CFrameRateInfo2(24000, 1000));
    EXPECT_FALSE(CFrameRateInfo2(24000, 1001) == CFrameRateInfo2(25000, 1001));
    EXPECT_TRUE(CFrameRateInfo2() == CFrameRateInfo2(0, 5));
    EXPECT_FALSE(CFrameRateInfo2() == CFrameRateInfo2(24000, 1001));
    EXPECT_FALSE(CFrameRateInfo2(24000, 1001) == CFrameRateInfo2());

    CFrameRateInfo2 target(30000, 1001);
    target = CFrameRateInfo2();
    EXPECT_FALSE(target.IsValid());
    EXPECT_EQ(Read(target).numerator, 0u);
    target = CFrameRateInfo2(50000, 1000);
    EXPECT_TRUE(target == CFrameRateInfo2(50000, 1000));
}

TEST(FrameRateTables, EveryCameraRateHasItsRowAndNoOtherRateHasOne) {
    struct Row {
        unsigned timeScale, duration, groupOfPicture, groupsPerUnit, montagioFps;
    };
    const Row rows[] = {
        {2000, 100, 10, 2, 20},   {24000, 1001, 12, 2, 24}, {25000, 1000, 12, 2, 24}, {30000, 1001, 15, 2, 30},
        {3000, 100, 15, 2, 30},   {50000, 1000, 12, 4, 48}, {60000, 1001, 15, 4, 60},
        {600, 20, 0, 0, 0},       {30000, 1000, 0, 0, 0},   {1001, 30000, 0, 0, 0},   {0, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.timeScale << "/" << row.duration);
        const CFrameRateInfo2 rate(row.timeScale, row.duration);
        EXPECT_EQ(GroupOfPictureForRate(rate), row.groupOfPicture);
        EXPECT_EQ(GroupsPerUnitForRate(rate), row.groupsPerUnit);
        EXPECT_EQ(MontagioFramesPerSecondForRate(rate), row.montagioFps);
    }
}

}
}
