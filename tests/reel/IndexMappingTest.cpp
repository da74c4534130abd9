#include "ReelFixture.h"

#include "reel/ReelPrivateAccess.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using clipreel::ReelPrivateAccess;
using clipreel::sample::SampleMovieLayout;
using clipreel::test::ReelSpec;
using clipreel::test::StandaloneReel;
using List = std::vector<unsigned>;
using R = ReelPrivateAccess;

constexpr std::uint64_t UnitDuration = 30 * 1001;

struct MappingCase {
    std::string name;
    List state;  // the editing list the query runs on (3-unit reel)
    std::function<std::uint64_t(const CClipreelMovie&)> query;
    // Empty: the query answers expected(layout); otherwise the exact message.
    std::string message;
    std::function<std::uint64_t(const SampleMovieLayout&)> expected;
};

std::function<std::uint64_t(const SampleMovieLayout&)> Value(std::uint64_t v) {
    return [v](const SampleMovieLayout&) { return v; };
}

std::uint64_t UnitSize(const SampleMovieLayout& layout, unsigned original) {
    return layout.units[original].size;
}

std::uint64_t AsUnsigned(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

TEST(IndexMapping, QueriesAnswerOrThrowTheirExactMessage) {
    const List full{0, 1, 2};
    const std::string invalidIndex = "Invalid index";
    const std::string invalidOriginal = "Invalid originalIndex";
    const std::string notInList = "No originalIndex in editing list";
    const std::vector<MappingCase> cases = {
        // getOriginalIndex
        {"original index of a kept position", {2, 0, 1}, [](const CClipreelMovie& m) { return R::getOriginalIndex(m, 0); }, "", Value(2)},
        {"original index past the list", full, [](const CClipreelMovie& m) { return R::getOriginalIndex(m, 3); }, invalidIndex, {}},
        {"original index past a shortened list", {0, 2}, [](const CClipreelMovie& m) { return R::getOriginalIndex(m, 2); }, invalidIndex, {}},
        {"out-of-range entry", {0, 7}, [](const CClipreelMovie& m) { return R::getOriginalIndex(m, 1); }, invalidOriginal, {}},
        {"the entry before an out-of-range one", {0, 7}, [](const CClipreelMovie& m) { return R::getOriginalIndex(m, 0); }, "", Value(0)},
        // GetShootingUnit maps through the list
        {"unit at a position after a reorder", {2, 0, 1}, [](const CClipreelMovie& m) { return m.GetShootingUnit(0).GetOriginalIndex(); }, "", Value(2)},
        {"unit past the list", full, [](const CClipreelMovie& m) { return m.GetShootingUnit(3).GetOriginalIndex(); }, invalidIndex, {}},
        {"unit of an out-of-range entry", {0, 7}, [](const CClipreelMovie& m) { return m.GetShootingUnit(1).GetOriginalIndex(); }, invalidOriginal, {}},
        // GetCurrentIndex
        {"current index of a moved unit", {2, 0, 1}, [](const CClipreelMovie& m) { return R::GetCurrentIndex(m, 0); }, "", Value(1)},
        {"current index of a repeated unit is its first position", {1, 0, 1}, [](const CClipreelMovie& m) { return R::GetCurrentIndex(m, 1); }, "", Value(0)},
        {"current index of a removed unit", {0, 2}, [](const CClipreelMovie& m) { return R::GetCurrentIndex(m, 1); }, notInList, {}},
        {"current index of a unit the source does not have", full, [](const CClipreelMovie& m) { return R::GetCurrentIndex(m, 3); }, invalidOriginal, {}},
        {"current index through a kept unit's own query", {0, 2}, [](const CClipreelMovie& m) { return R::getCurrentIndex(m.GetShootingUnit(1)); }, "", Value(1)},
        // GetRelativeOffset
        {"relative offset of the first position", {2, 0, 1}, [](const CClipreelMovie& m) { return R::GetRelativeOffset(m, 0); }, "", Value(0)},
        {"relative offset after a reorder", {2, 0, 1}, [](const CClipreelMovie& m) { return R::GetRelativeOffset(m, 1); }, "", [](const SampleMovieLayout& l) { return UnitSize(l, 2); }},
        {"relative offset of the last position", {2, 0, 1}, [](const CClipreelMovie& m) { return R::GetRelativeOffset(m, 2); }, "", [](const SampleMovieLayout& l) { return UnitSize(l, 2) + UnitSize(l, 0); }},
        {"relative offset past the list", full, [](const CClipreelMovie& m) { return R::GetRelativeOffset(m, 3); }, invalidIndex, {}},
        {"relative offset across an out-of-range entry", {7, 0}, [](const CClipreelMovie& m) { return R::GetRelativeOffset(m, 1); }, invalidOriginal, {}},
        {"relative offset before an out-of-range entry", {0, 7}, [](const CClipreelMovie& m) { return R::GetRelativeOffset(m, 1); }, "", [](const SampleMovieLayout& l) { return UnitSize(l, 0); }},
        // Source positions
        {"original start time", {2}, [](const CClipreelMovie& m) { return AsUnsigned(R::GetOriginalStartTime(m, 2)); }, "", Value(2 * UnitDuration)},
        {"original start time past the source", full, [](const CClipreelMovie& m) { return AsUnsigned(R::GetOriginalStartTime(m, 3)); }, invalidOriginal, {}},
        {"original start video sample", {1}, [](const CClipreelMovie& m) { return R::GetOriginalStartVideoSampleIndex(m, 2); }, "", Value(60)},
        {"original start video sample past the source", full, [](const CClipreelMovie& m) { return R::GetOriginalStartVideoSampleIndex(m, 3); }, invalidOriginal, {}},
        {"original start sound chunk of a removed unit", {0}, [](const CClipreelMovie& m) { return R::GetOriginalStartSoundChunkIndex(m, 2); }, "", Value(2)},
        {"original start sound chunk past the source", full, [](const CClipreelMovie& m) { return R::GetOriginalStartSoundChunkIndex(m, 3); }, invalidOriginal, {}},
        // Positions in the movie being written
        {"current start time", {2, 0, 1}, [](const CClipreelMovie& m) { return AsUnsigned(R::GetCurrentStartTime(m, 2)); }, "", Value(2 * UnitDuration)},
        {"current start time past the list", {0, 2}, [](const CClipreelMovie& m) { return AsUnsigned(R::GetCurrentStartTime(m, 2)); }, invalidIndex, {}},
        {"current start time across an out-of-range entry", {7, 0}, [](const CClipreelMovie& m) { return AsUnsigned(R::GetCurrentStartTime(m, 1)); }, invalidOriginal, {}},
        {"current start video sample", {1, 2}, [](const CClipreelMovie& m) { return R::GetCurrentStartVideoSampleIndex(m, 1); }, "", Value(30)},
        {"current start video sample past the list", {0, 2}, [](const CClipreelMovie& m) { return R::GetCurrentStartVideoSampleIndex(m, 2); }, invalidIndex, {}},
        {"current start video sample across an out-of-range entry", {7, 0}, [](const CClipreelMovie& m) { return R::GetCurrentStartVideoSampleIndex(m, 1); }, invalidOriginal, {}},
        {"current start sound chunk of the first position", {2, 1}, [](const CClipreelMovie& m) { return R::GetCurrentStartSoundChunkIndex(m, 0); }, "", Value(0)},
        {"current start sound chunk past the list", {0, 2}, [](const CClipreelMovie& m) { return R::GetCurrentStartSoundChunkIndex(m, 2); }, invalidIndex, {}},
        {"current start sound chunk across an out-of-range entry", {7, 0}, [](const CClipreelMovie& m) { return R::GetCurrentStartSoundChunkIndex(m, 1); }, invalidOriginal, {}},
        // Totals map every kept entry
        {"total frames with an out-of-range entry", {0, 7}, [](const CClipreelMovie& m) { return m.GetTotalFrameCount(); }, invalidOriginal, {}},
        {"total duration with an out-of-range entry", {0, 7}, [](const CClipreelMovie& m) { return AsUnsigned(m.GetTotalDuration()); }, invalidOriginal, {}},
        {"total sound chunks with an out-of-range entry", {0, 7}, [](const CClipreelMovie& m) { return m.GetTotalSoundChunkCount(); }, invalidOriginal, {}},
    };
    StandaloneReel sample(ReelSpec(3));
    CClipreelMovie& reel = *sample.reel;
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(reel.SetEditingState(c.state));
        if (c.message.empty()) {
            EXPECT_EQ(c.query(reel), c.expected(sample.layout));
            continue;
        }
        try {
            const std::uint64_t answer = c.query(reel);
            ADD_FAILURE() << "answered " << answer << " instead of throwing";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

// A unit's own current-position queries go through its current index.
TEST(IndexMapping, UnitQueriesFollowTheUnitThroughTheList) {
    StandaloneReel sample(ReelSpec(3));
    CClipreelMovie& reel = *sample.reel;
    const CClipreelShootingUnit& unit0 = reel.GetShootingUnit(0);
    const CClipreelShootingUnit& unit1 = reel.GetShootingUnit(1);
    const CClipreelShootingUnit& unit2 = reel.GetShootingUnit(2);
    ASSERT_TRUE(reel.SetEditingState({2, 0}));

    EXPECT_EQ(unit2.GetCurrentStartTime(), 0);
    EXPECT_EQ(unit0.GetCurrentStartTime(), static_cast<std::int32_t>(UnitDuration));
    EXPECT_EQ(unit0.GetCurrentStartVideoSampleIndex(), 30u);
    EXPECT_EQ(unit0.GetCurrentStartSoundChunkIndex(), 1u);
    EXPECT_EQ(unit0.GetOriginalStartTime(), 0);
    EXPECT_EQ(unit2.GetOriginalStartVideoSampleIndex(), 60u);
    EXPECT_EQ(R::GetCurrentRelativeOffset(unit0), sample.layout.units[2].size);
    EXPECT_EQ(R::GetVideoSoundOffsetDelta(unit0),
              static_cast<std::int64_t>(sample.layout.units[2].size) -
                  static_cast<std::int64_t>(sample.layout.units[0].offset));

    const struct {
        std::string name;
        std::function<std::uint64_t()> query;
    } removed[] = {
        {"current start time", [&] { return AsUnsigned(unit1.GetCurrentStartTime()); }},
        {"current start video sample", [&] { return std::uint64_t(unit1.GetCurrentStartVideoSampleIndex()); }},
        {"current start sound chunk", [&] { return std::uint64_t(unit1.GetCurrentStartSoundChunkIndex()); }},
        {"current index", [&] { return std::uint64_t(R::getCurrentIndex(unit1)); }},
        {"current relative offset", [&] { return R::GetCurrentRelativeOffset(unit1); }},
        {"offset delta", [&] { return static_cast<std::uint64_t>(R::GetVideoSoundOffsetDelta(unit1)); }},
    };
    for (const auto& c : removed) {
        SCOPED_TRACE(c.name);
        try {
            c.query();
            ADD_FAILURE() << "a removed unit answered";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()), "No originalIndex in editing list");
        }
    }
    // Its source position still answers.
    EXPECT_EQ(unit1.GetOriginalStartSoundChunkIndex(), 1u);
}

// Units copy memberwise, the owning movie included.
TEST(IndexMapping, AssignedUnitAnswersForTheSameMovie) {
    StandaloneReel sample(ReelSpec(3));
    CClipreelMovie& reel = *sample.reel;
    CClipreelShootingUnit copy = reel.GetShootingUnit(0);
    copy = reel.GetShootingUnit(2);
    EXPECT_EQ(copy.GetOriginalIndex(), 2u);
    EXPECT_EQ(copy.GetFileOffset(), sample.layout.units[2].offset);
    EXPECT_EQ(copy.GetSize(), sample.layout.units[2].size);
    ASSERT_TRUE(reel.SetEditingState({2, 1}));
    EXPECT_EQ(copy.GetCurrentStartVideoSampleIndex(), 0u);
    EXPECT_EQ(copy.GetFrameCount(), 30u);
}

}
