#ifndef CLIPREEL_SAMPLE_SAMPLE_MOVIE_WRITER_H
#define CLIPREEL_SAMPLE_SAMPLE_MOVIE_WRITER_H

#include "sample/SampleMovieTypes.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace clipreel {
namespace sample {

// True when this build can write real H.264 frames.
bool HaveH264();

// Writes a camera movie file; throws std::runtime_error when it cannot.
SampleMovieLayout WriteSampleMovie(const std::filesystem::path& path, const SampleMovieSpec& spec);

// The same file's bytes in memory (small movies: fuzz seeds, table tests).
std::vector<std::uint8_t> BuildSampleMovie(const SampleMovieSpec& spec, SampleMovieLayout* layout = nullptr);

// A small movie quick to write and read: 16x16 dummy frames, 6 to a unit
// at 30 frames per second, and 8-bit mono sound at 8 kHz.
SampleMovieSpec TinyMovieSpec(unsigned units);

// Adds a 'uuid' atom before the movie atom and a 'skip' atom after the media
// data, so that every kind of top-level atom is written.
void AddAtomsAroundMediaData(SampleMovieSpec& spec);

// The colour a unit's frames are painted with (RGB), so a decoded thumbnail
// or frame tells which unit it came from.
void UnitColour(unsigned unitIndex, std::uint8_t rgb[3]);

}
}

#endif
