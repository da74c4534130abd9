#include "ZentiMovie.h"

#include "tests/source/SourceFixtures.h"

#include <gtest/gtest.h>

#include <string>

namespace clipreel {
namespace {

using sample::SampleMovieSpec;
using test::ParseMovie;
using test::SmallReelSpec;

struct UnitCase {
    std::string name;
    void (*change)(SampleMovieSpec&);
    bool unit;  // a unit is derived (and the movie is valid)
    std::uint32_t groupOfPicture;
    std::uint32_t framesPerUnit;
    std::uint32_t soundSamplesPerUnit;
};

void NoDescribedUnit(SampleMovieSpec& s) {
    s.recordFramePerUnit = false;
    s.recordGroupOfPicture = false;
}

TEST(StoredSampleUnit, DerivedFromDescriptionTablesAndCreatorVersion) {
    const UnitCase cases[] = {
        {"described, 29.97 with 48 kHz", [](SampleMovieSpec&) {}, true, 15, 30, 48048},
        {"described group of pictures wins over the table",
         [](SampleMovieSpec& s) { s.groupOfPicture = 10; }, true, 10, 30, 48048},
        {"version 5 from the tables",
         [](SampleMovieSpec& s) {
             s.creatorVersion = 5;
             NoDescribedUnit(s);
         },
         true, 15, 30, 48048},
        {"version 5 without a thumbnail",
         [](SampleMovieSpec& s) {
             s.creatorVersion = 5;
             s.breakage.noThumbnail = true;
         },
         true, 15, 30, 48048},
        {"version 4 at 25: a unit is one group",
         [](SampleMovieSpec& s) {
             s.creatorVersion = 4;
             s.timeScale = 25000;
             s.frameDuration = 1000;
             s.framesPerUnit = 12;
             NoDescribedUnit(s);
         },
         true, 12, 12, 23040},
        {"version 5 at 59.94: four groups per unit",
         [](SampleMovieSpec& s) {
             s.creatorVersion = 5;
             s.timeScale = 60000;
             s.frameDuration = 1001;
             s.framesPerUnit = 60;
             NoDescribedUnit(s);
         },
         true, 15, 60, 48048},
        {"version 6 must describe frames per unit",
         [](SampleMovieSpec& s) { s.recordFramePerUnit = false; }, false, 0, 0, 0},
        {"version 5 at a rate outside the tables",
         [](SampleMovieSpec& s) {
             s.creatorVersion = 5;
             s.timeScale = 600;
             s.frameDuration = 20;
             NoDescribedUnit(s);
         },
         false, 0, 0, 0},
        {"a described unit works at any rate",
         [](SampleMovieSpec& s) {
             s.timeScale = 600;
             s.frameDuration = 20;
         },
         true, 15, 30, 48000},
        {"44.1 kHz does not divide a 29.97 unit",
         [](SampleMovieSpec& s) { s.breakage.describedSampleRate = 44100; }, false, 0, 0, 0},
        {"sound in another file has no samples in the unit",
         [](SampleMovieSpec& s) { s.breakage.soundInOtherFile = true; }, true, 15, 30, 0},
        {"no sound", [](SampleMovieSpec& s) { s.sound.present = false; }, true, 15, 30, 0},
        {"120 frames at 29.97 with 48 kHz: the product passes 2^32",
         [](SampleMovieSpec& s) {
             s.framesPerUnit = 120;
             s.units = 1;
         },
         true, 15, 120, 192192},
        {"mono 8-bit 'raw ' sound at 32 kHz",
         [](SampleMovieSpec& s) {
             s.sound.format = FourCC("raw ");
             s.sound.sampleRate = 32000;
             s.sound.channels = 1;
             s.sound.bitsPerSample = 8;
         },
         true, 15, 30, 32032},
    };
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec = SmallReelSpec();
        c.change(spec);
        const auto movie = ParseMovie(spec);
        const CStoredSampleUnit2* unit = MoviePrivateAccess::GetStoredSampleUnit(*movie);
        EXPECT_EQ(movie->IsValid(), c.unit);
        ASSERT_EQ(unit != nullptr, c.unit);
        if (unit == nullptr) {
            EXPECT_EQ(movie->GetVideoFrameCount(), 0u);
            continue;
        }
        EXPECT_TRUE(unit->valid);
        EXPECT_EQ(unit->creatorVersion, movie->GetCreatorVersion());
        EXPECT_TRUE(unit->videoFormat.valid);
        EXPECT_TRUE(unit->videoFormat.frameRate == CFrameRateInfo2(spec.timeScale, spec.frameDuration));
        EXPECT_EQ(unit->videoFormat.groupOfPicture, c.groupOfPicture);
        EXPECT_EQ(unit->framesPerUnit, c.framesPerUnit);
        EXPECT_EQ(unit->soundSamplesPerUnit, c.soundSamplesPerUnit);
        EXPECT_TRUE(movie->GetFrameRateInfo() == unit->videoFormat.frameRate);
    }
}

}
}
