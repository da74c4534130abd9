#include "ReelFixture.h"

#include "reel/ReelPrivateAccess.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace {

using clipreel::FourCC;
using clipreel::ReelPrivateAccess;
using clipreel::sample::SampleMovieSpec;
using clipreel::test::StandaloneReel;

struct LayoutCase {
    std::string name;
    SampleMovieSpec spec;
    // The sound chunks lie outside the units' blocks (sound in another file).
    bool videoOnlyBlocks;
    unsigned framesPerUnit;
    unsigned frameDuration;
    std::int32_t timeScale;
    unsigned totalFrames;
    unsigned totalIFrames;
    unsigned totalSoundSamples;
    std::int32_t totalDuration;
};

std::vector<LayoutCase> LayoutCases() {
    std::vector<LayoutCase> cases;
    {
        LayoutCase c{"sowt 16-bit stereo 48 kHz", {}, false, 30, 1001, 30000, 90, 6, 3 * 48048, 90 * 1001};
        cases.push_back(c);
    }
    {
        LayoutCase c{"no sound track", {}, false, 30, 1001, 30000, 90, 6, 0, 90 * 1001};
        c.spec.sound.present = false;
        cases.push_back(c);
    }
    {
        LayoutCase c{"twos 16-bit stereo 48 kHz", {}, false, 30, 1001, 30000, 90, 6, 3 * 48048, 90 * 1001};
        c.spec.sound.format = FourCC("twos");
        cases.push_back(c);
    }
    {
        LayoutCase c{"raw 8-bit mono 32 kHz", {}, false, 30, 1001, 30000, 90, 6, 3 * 32032, 90 * 1001};
        c.spec.sound.format = FourCC("raw ");
        c.spec.sound.bitsPerSample = 8;
        c.spec.sound.channels = 1;
        c.spec.sound.sampleRate = 32000;
        cases.push_back(c);
    }
    {
        LayoutCase c{"25 fps, 24 frames per unit, 4 units", {}, false, 24, 1000, 25000, 96, 8, 4 * 46080, 96 * 1000};
        c.spec.units = 4;
        c.spec.timeScale = 25000;
        c.spec.frameDuration = 1000;
        c.spec.framesPerUnit = 24;
        c.spec.groupOfPicture = 12;
        cases.push_back(c);
    }
    {
        // 31 frames with 15 frames per group of pictures: 2 I-frames, the remainder dropped.
        LayoutCase c{"one unit of 31 frames", {}, false, 31, 1001, 30000, 31, 2, 0, 31 * 1001};
        c.spec.units = 1;
        c.spec.framesPerUnit = 31;
        c.spec.sound.present = false;
        cases.push_back(c);
    }
    {
        // The total counts the samples the chunks hold: the last holds half.
        LayoutCase c{"shorter last sound chunk", {}, false, 30, 1001, 30000, 90, 6, 2 * 48048 + 24024, 90 * 1001};
        c.spec.breakage.soundStscTwoEntries = true;
        cases.push_back(c);
    }
    {
        LayoutCase c{"sound in another file", {}, true, 30, 1001, 30000, 90, 6, 0, 90 * 1001};
        c.spec.breakage.soundInOtherFile = true;
        cases.push_back(c);
    }
    {
        // One size stated for every frame, and no table: the blocks still
        // hold every frame.
        LayoutCase c{"constant video sample size", {}, false, 30, 1001, 30000, 90, 6, 3 * 48048, 90 * 1001};
        c.spec.breakage.videoConstantSampleSize = true;
        cases.push_back(c);
    }
    return cases;
}

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class ShootingUnitLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ShootingUnitLayout, EveryUnitHasTheBlockTheWriterLaidOut) {
    const LayoutCase& c = GetParam();
    const StandaloneReel sample(c.spec);
    ASSERT_TRUE(sample.sourceValid);
    const CClipreelMovie& reel = *sample.reel;
    ASSERT_TRUE(reel.IsValid());
    const unsigned n = c.spec.units;
    ASSERT_EQ(sample.layout.units.size(), n);
    ASSERT_EQ(reel.GetShootingUnitCount(), n);
    EXPECT_EQ(ReelPrivateAccess::getOriginalShootingUnitCount(reel), n);
    EXPECT_EQ(reel.IsEditable(), n > 1);
    EXPECT_FALSE(reel.IsEdited());
    EXPECT_EQ(reel.GetTimeScale(), c.timeScale);

    std::uint64_t relativeOffset = 0;
    for (unsigned i = 0; i < n; ++i) {
        SCOPED_TRACE("unit " + std::to_string(i));
        const auto& written = sample.layout.units[i];
        std::uint64_t offset = written.offset;
        std::uint64_t size = written.size;
        if (c.videoOnlyBlocks) {
            offset = written.frames.front().offset;
            size = 0;
            for (const auto& frame : written.frames) size += frame.size;
        }
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
        EXPECT_EQ(unit.GetOriginalIndex(), i);
        EXPECT_EQ(unit.GetFileOffset(), offset);
        EXPECT_EQ(unit.GetSize(), size);
        EXPECT_EQ(unit.GetStoredSampleUnitCount(), 1u);
        EXPECT_EQ(unit.GetSoundChunkCount(), 1u);
        EXPECT_EQ(unit.GetFrameCount(), c.framesPerUnit);
        EXPECT_EQ(unit.GetDuration(), static_cast<std::int32_t>(c.framesPerUnit * c.frameDuration));
        EXPECT_EQ(unit.GetOriginalStartTime(), static_cast<std::int32_t>(i * c.framesPerUnit * c.frameDuration));
        EXPECT_EQ(unit.GetOriginalStartVideoSampleIndex(), i * c.framesPerUnit);
        EXPECT_EQ(unit.GetOriginalStartSoundChunkIndex(), i);
        EXPECT_EQ(unit.GetCurrentStartTime(), unit.GetOriginalStartTime());
        EXPECT_EQ(unit.GetCurrentStartVideoSampleIndex(), i * c.framesPerUnit);
        EXPECT_EQ(unit.GetCurrentStartSoundChunkIndex(), i);
        EXPECT_EQ(ReelPrivateAccess::GetRelativeOffset(reel, i), relativeOffset);
        EXPECT_EQ(ReelPrivateAccess::GetCurrentRelativeOffset(unit), relativeOffset);
        EXPECT_EQ(ReelPrivateAccess::GetVideoSoundOffsetDelta(unit),
                  static_cast<std::int64_t>(relativeOffset) - static_cast<std::int64_t>(offset));
        relativeOffset += size;
    }
    EXPECT_EQ(reel.GetTotalFrameCount(), c.totalFrames);
    EXPECT_EQ(reel.GetTotalIFrameCount(), c.totalIFrames);
    EXPECT_EQ(reel.GetTotalSoundChunkCount(), n);
    EXPECT_EQ(reel.GetTotalSoundSampleCount(), c.totalSoundSamples);
    EXPECT_EQ(reel.GetTotalDuration(), c.totalDuration);
    EXPECT_EQ(ReelPrivateAccess::getFrameCountPerUnit(reel), c.framesPerUnit);
    EXPECT_EQ(ReelPrivateAccess::getSoundChunkCountPerUnit(reel), 1u);
    EXPECT_EQ(ReelPrivateAccess::getSoundSampleCountPerUnit(reel),
              c.totalSoundSamples == 0 ? 0 : sample.layout.soundSamplesPerUnit);
}

INSTANTIATE_TEST_SUITE_P(SampleReels, ShootingUnitLayout, ::testing::ValuesIn(LayoutCases()),
                         [](const ::testing::TestParamInfo<LayoutCase>& param) {
                             std::string name;
                             for (char ch : param.param.name) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

// The fixture really has a shorter last chunk, and the last block ends
// where its data ends: at the end of the media data.
TEST(ShootingUnitLayoutLastChunk, LastBlockEndsWithTheMediaData) {
    SampleMovieSpec spec;
    spec.breakage.soundStscTwoEntries = true;
    const StandaloneReel sample(spec);
    ASSERT_TRUE(sample.reel->IsValid());
    const auto& lastWritten = sample.layout.units.back();
    ASSERT_LT(lastWritten.soundSize, sample.layout.units.front().soundSize);
    const CClipreelShootingUnit& last = sample.reel->GetShootingUnit(2);
    EXPECT_EQ(last.GetFileOffset() + last.GetSize(), sample.layout.mdatOffset + sample.layout.mdatSize);
    EXPECT_EQ(last.GetSize(), lastWritten.size);
}

// Tables that cannot lay each unit out as one block holding all of its media
// make no reel: the writer would copy blocks that leave media out.
TEST(ShootingUnitLayoutRefused, BlocksThatCannotCoverTheMediaMakeNoReel) {
    struct RefusedCase {
        const char* name;
        void (*breakIt)(SampleMovieSpec&);
    };
    const RefusedCase cases[] = {
        {"bytes per frame against the chunk sizes",
         [](SampleMovieSpec& spec) { spec.breakage.describedBytesPerFrame = 2; }},
        {"fewer sound chunks than units", [](SampleMovieSpec& spec) { spec.breakage.missingSoundChunkOffsets = 1; }},
        {"a sound chunk of no samples", [](SampleMovieSpec& spec) { spec.breakage.emptyLastSoundChunk = true; }},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec;
        c.breakIt(spec);
        const StandaloneReel sample(spec);
        ASSERT_TRUE(sample.sourceValid);
        EXPECT_FALSE(sample.reel->IsValid());
        EXPECT_FALSE(sample.reel->IsEditable());
        EXPECT_EQ(sample.reel->GetShootingUnitCount(), 0u);
    }
}

// The layout copy belongs to the reel: units report their counts after the
// source file object is gone (the fixture releases it at once).
TEST(ShootingUnitLayoutCopy, StoredSampleUnitIsTheReelsOwnCopy) {
    const StandaloneReel sample(SampleMovieSpec{});
    const clipreel::CStoredSampleUnit2* layout = ReelPrivateAccess::GetStoredSampleUnit(*sample.reel);
    ASSERT_NE(layout, nullptr);
    EXPECT_TRUE(layout->valid);
    EXPECT_EQ(layout->framesPerUnit, 30u);
    EXPECT_EQ(layout->soundSamplesPerUnit, 48048u);
    EXPECT_EQ(layout->videoFormat.groupOfPicture, 15u);
    EXPECT_EQ(layout->creatorVersion, 6u);
}

}
