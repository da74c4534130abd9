#ifndef CLIPREEL_TESTS_SOURCE_SOURCE_FIXTURES_H
#define CLIPREEL_TESTS_SOURCE_SOURCE_FIXTURES_H

#include "ZentiMovie.h"
#include "bytes/FourCC.h"
#include "sample/SampleMovieWriter.h"
#include "source/MoviePrivateAccess.h"
#include "tests/support/AtomWalk.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// A small camera movie with dummy frames: 3 units of 30 frames at 29.97
// frames per second with 48 kHz 16-bit stereo sound, creator version 6.
inline sample::SampleMovieSpec SmallReelSpec() {
    sample::SampleMovieSpec spec;
    spec.units = 3;
    spec.framesPerUnit = 30;
    spec.groupOfPicture = 15;
    spec.timeScale = 30000;
    spec.frameDuration = 1001;
    spec.frames = sample::FrameContent::Dummy;
    spec.width = 64;
    spec.height = 48;
    return spec;
}

// A written movie in memory: the file's bytes and what the writer laid out.
struct BuiltMovie {
    std::vector<std::uint8_t> file;
    sample::SampleMovieLayout layout;

    const AtomHeader* MovieAtom() const { return reinterpret_cast<const AtomHeader*>(file.data() + layout.moovOffset); }
    std::vector<std::uint8_t> MovieAtomBytes() const {
        return std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(layout.moovOffset),
                                         file.begin() + static_cast<std::ptrdiff_t>(layout.moovOffset + layout.moovSize));
    }
};

inline BuiltMovie Build(const sample::SampleMovieSpec& spec) {
    BuiltMovie built;
    built.file = sample::BuildSampleMovie(spec, &built.layout);
    return built;
}

// A movie parsed from a movie atom's bytes, without a file behind it.
inline std::unique_ptr<CZentiMovie> ParseMovie(const std::vector<std::uint8_t>& moov) {
    return MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(moov.data()), nullptr);
}

inline std::unique_ptr<CZentiMovie> ParseMovie(const sample::SampleMovieSpec& spec) {
    return ParseMovie(Build(spec).MovieAtomBytes());
}

// The offset (inside bytes) of the atom reached by the path of types from
// the container at `container`; the n-th match of the first step when
// `index` is given. Throws when there is no such atom.
inline std::size_t FindAtom(const std::vector<std::uint8_t>& bytes, std::size_t container,
                            std::initializer_list<const char*> path, unsigned index = 0) {
    const AtomWalk walk(bytes, AtomWalk::MisfitEnds);
    Atom parent = walk.At(container, bytes.size());
    unsigned skip = index;
    for (const char* step : path) {
        Atom match;
        for (const Atom& child : walk.Children(parent)) {
            if (child.type != Code(step)) continue;
            if (skip == 0) {
                match = child;
                break;
            }
            --skip;
        }
        if (!match.found) throw std::runtime_error(std::string("no atom ") + step);
        parent = match;
        skip = 0;
    }
    return static_cast<std::size_t>(parent.offset);
}

}
}

#endif
