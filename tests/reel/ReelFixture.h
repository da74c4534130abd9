#ifndef CLIPREEL_TESTS_REEL_REEL_FIXTURE_H
#define CLIPREEL_TESTS_REEL_REEL_FIXTURE_H

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/TestSupport.h"

#include <memory>

namespace clipreel {
namespace test {

// A sample camera movie written to a fresh folder and a reel built over it.
// The source file object is released right after the reel is built: the
// reel must not need it any more.
struct SampleReel {
    explicit SampleReel(const sample::SampleMovieSpec& spec) {
        layout = sample::WriteSampleMovie(dir.File("reel.mov"), spec);
        const std::wstring path = dir.WideFile("reel.mov");
        auto file = std::make_unique<CZentiMovFile>(FileLocator(path.c_str()));
        sourceValid = file->IsValid();
        reel = std::make_unique<CClipreelMovie>(file.get());
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
