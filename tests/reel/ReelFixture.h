#ifndef CLIPREEL_TESTS_REEL_REEL_FIXTURE_H
#define CLIPREEL_TESTS_REEL_REEL_FIXTURE_H

#include "ClipreelMovie.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/SampleReel.h"
#include "tests/support/TestSupport.h"

#include <memory>
#include <utility>

namespace clipreel {
namespace test {

// A sample camera movie written to a fresh folder and a reel built over it.
// The source file object is released right after the reel is built: the
// reel must not need it any more.
struct StandaloneReel {
    explicit StandaloneReel(const sample::SampleMovieSpec& spec) {
        SampleReel source(dir, "reel.mov", spec);
        layout = source.layout;
        sourceValid = source.file->IsValid();
        reel = std::move(source.reel);
    }

    TempDir dir;
    sample::SampleMovieLayout layout;
    bool sourceValid = false;
    std::unique_ptr<CClipreelMovie> reel;
};

inline sample::SampleMovieSpec ReelSpec(unsigned units) {
    sample::SampleMovieSpec spec;
    spec.units = units;
    return spec;
}

}
}

#endif
