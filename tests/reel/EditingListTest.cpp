#include "ReelFixture.h"

#include "reel/ReelPrivateAccess.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using clipreel::ReelPrivateAccess;
using clipreel::sample::SampleMovieSpec;
using clipreel::test::ReelSpec;
using clipreel::test::StandaloneReel;
using List = std::vector<unsigned>;

// One editing operation and the answer it must give.
struct Step {
    enum Kind { Remove, RemoveMany, Set } kind;
    List argument;  // Remove: one current index
    bool accepted;
};

struct EditingCase {
    std::string name;
    unsigned units;
    std::vector<Step> steps;
    List finalList;
    bool edited;
};

bool Apply(CClipreelMovie& reel, const Step& step) {
    switch (step.kind) {
    case Step::Remove: return reel.RemoveShootingUnit(step.argument.at(0));
    case Step::RemoveMany: return reel.RemoveShootingUnits(step.argument);
    case Step::Set: return reel.SetEditingState(step.argument);
    }
    return false;
}

TEST(EditingList, OperationsChangeTheListAsTheyReport) {
    const std::vector<EditingCase> cases = {
        {"remove a middle unit", 3, {{Step::Remove, {1}, true}}, {0, 2}, true},
        {"remove the last unit", 3, {{Step::Remove, {2}, true}}, {0, 1}, true},
        {"remove past the end is refused", 3, {{Step::Remove, {3}, false}}, {0, 1, 2}, false},
        {"two-unit reel: the second removal is refused", 2,
         {{Step::Remove, {0}, true}, {Step::Remove, {0}, false}}, {1}, true},
        {"remove every position: refused at the last one left", 3,
         {{Step::RemoveMany, {0, 1, 2}, false}}, {0}, true},
        {"the same position twice removes two units", 3, {{Step::RemoveMany, {1, 1}, true}}, {0}, true},
        {"unsorted positions are removed largest first", 4, {{Step::RemoveMany, {0, 2}, true}}, {1, 3}, true},
        {"an out-of-range position among valid ones removes nothing", 3,
         {{Step::RemoveMany, {0, 5}, false}}, {0, 1, 2}, false},
        {"no positions", 3, {{Step::RemoveMany, {}, true}}, {0, 1, 2}, false},
        {"reorder", 3, {{Step::Set, {2, 0, 1}, true}}, {2, 0, 1}, true},
        {"the source order is not edited", 3, {{Step::Set, {0, 1, 2}, true}}, {0, 1, 2}, false},
        {"a shorter list in source order is edited", 3, {{Step::Set, {0, 1}, true}}, {0, 1}, true},
        {"an empty list is refused", 3, {{Step::Set, {}, false}}, {0, 1, 2}, false},
        {"a list longer than the source is refused", 3, {{Step::Set, {0, 1, 2, 0}, false}}, {0, 1, 2}, false},
        {"entries are not range-checked", 3, {{Step::Set, {0, 7}, true}}, {0, 7}, true},
        {"repeated entries are accepted", 3, {{Step::Set, {1, 1}, true}}, {1, 1}, true},
        {"removal after a reorder removes by position", 3,
         {{Step::Set, {2, 1, 0}, true}, {Step::Remove, {0}, true}}, {1, 0}, true},
        {"a saved state restores an unedited reel", 3,
         {{Step::Remove, {1}, true}, {Step::Set, {0, 1, 2}, true}}, {0, 1, 2}, false},
    };
    for (const EditingCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec = ReelSpec(c.units);
        spec.sound.present = false;
        StandaloneReel sample(spec);
        CClipreelMovie& reel = *sample.reel;
        ASSERT_TRUE(reel.IsEditable());
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            EXPECT_EQ(Apply(reel, c.steps[i]), c.steps[i].accepted);
        }
        List state{99};
        reel.GetEditingState(state);
        EXPECT_EQ(state, c.finalList);
        EXPECT_EQ(reel.GetShootingUnitCount(), c.finalList.size());
        EXPECT_EQ(reel.IsEdited(), c.edited);
    }
}

// Reels that cannot be edited: not valid, one unit, or no unit at all.
struct FixedCase {
    std::string name;
    std::function<void(SampleMovieSpec&)> change;
    bool valid;
    List list;
};

TEST(EditingList, ReelsThatCannotBeEditedRefuseEveryEdit) {
    const std::vector<FixedCase> cases = {
        {"one shooting unit", [](SampleMovieSpec& s) { s.units = 1; }, true, {0}},
        {"no shooting unit", [](SampleMovieSpec& s) { s.units = 0; }, true, {}},
        {"not a reel movie mode", [](SampleMovieSpec& s) { s.movieMode = 12; }, false, {}},
        {"recorded file size differs", [](SampleMovieSpec& s) { s.breakage.wrongRecordedFileSize = true; }, false,
         {}},
        {"frames beyond the last whole unit", [](SampleMovieSpec& s) { s.breakage.extraFrames = 5; }, false, {}},
        {"creator version 5", [](SampleMovieSpec& s) { s.creatorVersion = 5; }, false, {}},
        {"not a camera movie", [](SampleMovieSpec& s) { s.breakage.ztcvPayload = "ZentiAVC00A6"; }, false, {}},
    };
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec;
        c.change(spec);
        StandaloneReel sample(spec);
        CClipreelMovie& reel = *sample.reel;
        EXPECT_EQ(reel.IsValid(), c.valid);
        EXPECT_FALSE(reel.IsEditable());
        EXPECT_FALSE(reel.RemoveShootingUnit(0));
        EXPECT_FALSE(reel.RemoveShootingUnits({0}));
        EXPECT_FALSE(reel.RemoveShootingUnits({}));
        EXPECT_FALSE(reel.SetEditingState({0}));
        EXPECT_FALSE(reel.IsEdited());
        List state{99};
        reel.GetEditingState(state);
        EXPECT_EQ(state, c.list);
        EXPECT_EQ(reel.GetShootingUnitCount(), c.list.size());
        // Without units (or without a layout) every total is 0.
        if (c.list.empty()) {
            EXPECT_EQ(reel.GetTotalFrameCount(), 0u);
            EXPECT_EQ(reel.GetTotalIFrameCount(), 0u);
            EXPECT_EQ(reel.GetTotalSoundChunkCount(), 0u);
            EXPECT_EQ(reel.GetTotalSoundSampleCount(), 0u);
            EXPECT_EQ(reel.GetTotalDuration(), 0);
            EXPECT_EQ(ReelPrivateAccess::getOriginalShootingUnitCount(reel), 0u);
            EXPECT_THROW(reel.GetShootingUnit(0), std::invalid_argument);
        }
        if (!c.valid) {
            EXPECT_EQ(reel.GetTimeScale(), 0);
            EXPECT_EQ(ReelPrivateAccess::GetStoredSampleUnit(reel), nullptr);
            EXPECT_EQ(ReelPrivateAccess::getFrameCountPerUnit(reel), 0u);
            EXPECT_EQ(ReelPrivateAccess::getSoundSampleCountPerUnit(reel), 0u);
        }
    }
}

TEST(EditingList, NoSourceMakesAReelThatIsNotValid) {
    const CClipreelMovie reel(nullptr);
    EXPECT_FALSE(reel.IsValid());
    EXPECT_FALSE(reel.IsEditable());
    EXPECT_EQ(reel.GetShootingUnitCount(), 0u);
    EXPECT_EQ(reel.GetTotalFrameCount(), 0u);
}

// Totals follow the kept units in list order; each unit's own numbers stay.
TEST(EditingList, TotalsCoverOnlyTheKeptUnits) {
    const struct {
        std::string name;
        List state;
    } cases[] = {
        {"first removed", {1, 2, 3}},
        {"two removed", {0, 3}},
        {"reordered", {3, 1, 0, 2}},
        {"one unit kept", {2}},
        {"one unit kept twice", {2, 2}},
    };
    SampleMovieSpec spec = ReelSpec(4);
    StandaloneReel sample(spec);
    CClipreelMovie& reel = *sample.reel;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(reel.SetEditingState(c.state));
        const unsigned k = static_cast<unsigned>(c.state.size());
        EXPECT_EQ(reel.GetTotalFrameCount(), k * 30);
        EXPECT_EQ(reel.GetTotalIFrameCount(), k * 2);
        EXPECT_EQ(reel.GetTotalSoundChunkCount(), k);
        EXPECT_EQ(reel.GetTotalSoundSampleCount(), k * 48048);
        EXPECT_EQ(reel.GetTotalDuration(), static_cast<std::int32_t>(k * 30 * 1001));
        std::uint64_t offset = 0;
        for (unsigned i = 0; i < k; ++i) {
            const unsigned original = c.state[i];
            const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
            EXPECT_EQ(unit.GetOriginalIndex(), original);
            EXPECT_EQ(unit.GetFileOffset(), sample.layout.units[original].offset);
            EXPECT_EQ(unit.GetSize(), sample.layout.units[original].size);
            EXPECT_EQ(ReelPrivateAccess::GetRelativeOffset(reel, i), offset);
            EXPECT_EQ(ReelPrivateAccess::GetCurrentStartTime(reel, i), static_cast<std::int32_t>(i * 30 * 1001));
            EXPECT_EQ(ReelPrivateAccess::GetCurrentStartVideoSampleIndex(reel, i), i * 30);
            EXPECT_EQ(ReelPrivateAccess::GetCurrentStartSoundChunkIndex(reel, i), i);
            offset += sample.layout.units[original].size;
        }
        // The source positions do not depend on the list.
        for (unsigned original = 0; original < 4; ++original) {
            EXPECT_EQ(ReelPrivateAccess::GetOriginalStartTime(reel, original),
                      static_cast<std::int32_t>(original * 30 * 1001));
            EXPECT_EQ(ReelPrivateAccess::GetOriginalStartVideoSampleIndex(reel, original), original * 30);
            EXPECT_EQ(ReelPrivateAccess::GetOriginalStartSoundChunkIndex(reel, original), original);
        }
    }
}

}
