#ifndef CLIPREEL_TESTS_CLI_STUDIO_REEL_SUITE_H
#define CLIPREEL_TESTS_CLI_STUDIO_REEL_SUITE_H

#include "sample/SampleMovieWriter.h"
#include "tests/support/SampleFolderSuite.h"

namespace clipreel {
namespace test {

// A studio test suite whose folder holds "reel.mov": three shooting units
// with real H.264 frames (pictures to grab, units to play), written once.
class StudioReelSuite : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec spec;
        spec.units = 3;
        spec.frames = sample::FrameContent::H264;
        WriteReel("reel.mov", spec);
    }
};

}
}

#endif
