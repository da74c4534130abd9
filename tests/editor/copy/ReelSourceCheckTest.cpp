// Whether a reel was built from the file an editor writes from.
#include "editor/ReelSourceCheck.h"
#include "tests/editor/copy/CopyTestFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace clipreel {
namespace test {
namespace {

TEST(ReelSourceCheckTest, OnlyAReelOfTheSameFileMatches) {
    struct ReelCase {
        const char* name;
        sample::SampleMovieSpec spec;
        bool matches;
    };
    std::vector<ReelCase> cases;
    cases.push_back({"a reel written the same way", sample::SampleMovieSpec(), true});
    {
        sample::SampleMovieSpec spec;
        spec.units = 4;
        cases.push_back({"one more unit", spec, false});
    }
    {
        sample::SampleMovieSpec spec;
        spec.units = 6;
        spec.framesPerUnit = 15;
        cases.push_back({"as many frames in smaller units", spec, false});
    }
    {
        sample::SampleMovieSpec spec;
        spec.sound.present = false;
        cases.push_back({"no sound: blocks start and end elsewhere", spec, false});
    }
    {
        sample::SampleMovieSpec spec;
        sample::ExtraAtom extra;
        extra.payload.assign(64, 1);
        extra.afterMediaData = false;
        spec.extraAtoms.push_back(extra);
        cases.push_back({"the same units 72 bytes further on", spec, false});
    }
    {
        sample::SampleMovieSpec spec;
        spec.movieMode = 1;
        cases.push_back({"a reel that is not valid", spec, false});
    }

    TempDir dir;
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    ASSERT_TRUE(ReelMatchesSource(*source.file, *source.reel));
    for (const ReelCase& c : cases) {
        SCOPED_TRACE(c.name);
        SampleReel other(dir, std::string(c.name) + ".mov", c.spec);
        EXPECT_EQ(ReelMatchesSource(*source.file, *other.reel), c.matches);
        if (other.reel->IsValid() && other.reel->GetShootingUnitCount() > 1) {
            // Editing does not change which file a reel belongs to.
            ASSERT_TRUE(other.reel->RemoveShootingUnit(0));
            EXPECT_EQ(ReelMatchesSource(*source.file, *other.reel), c.matches);
        }
    }
}

}
}
}
