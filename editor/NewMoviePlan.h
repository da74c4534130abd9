#ifndef CLIPREEL_EDITOR_NEW_MOVIE_PLAN_H
#define CLIPREEL_EDITOR_NEW_MOVIE_PLAN_H

#include <cstdint>
#include <vector>

class CClipreelMovie;
class CZentiMovFile;
class CZentiMovie;

namespace clipreel {

// One kept shooting unit as a new movie describes it: the block of the file
// that holds it, and its samples where they lie in that file.
struct PlannedUnit {
    // Null when the plan was made from a movie atom alone.
    const CZentiMovFile* file = nullptr;
    // The unit's place in its source reel, and its first frame's there.
    unsigned originalIndex = 0;
    std::uint32_t firstSourceFrame = 0;
    std::uint64_t blockOffset = 0;
    std::uint64_t blockSize = 0;
    // One frame per chunk.
    std::vector<std::uint64_t> frameOffsets;
    std::vector<std::uint32_t> frameSizes;
    // The unit's frames (counted from 0 within the unit) that were sync
    // samples in the source: every frame when the source lists none.
    std::vector<std::uint32_t> syncFrames;
    std::vector<std::uint64_t> soundChunkOffsets;
    std::vector<std::uint32_t> soundChunkSamples;
};

// Every kept unit of a new movie (edit, split, join, salvage, reference
// movie) in output order, with the samples its new tables list. The copiers
// write the tables from it, the writer copies its blocks, and the written
// file is read back against it.
struct NewMoviePlan {
    std::vector<PlannedUnit> units;
    // The kept units carry sound chunks in their blocks.
    bool soundInFile = false;
    // The kept frames' duration in the video media's time scale.
    std::uint32_t videoDuration = 0;
    std::int32_t videoTimeScale = 0;

    std::uint64_t FrameCount() const;
    std::uint64_t SyncSampleCount() const;
    std::uint64_t SoundChunkCount() const;
    std::uint64_t SoundSampleCount() const;
    std::uint64_t KeptBytes() const;
};

// One source of kept units: its parsed movie, the file it was read from (null
// when only the movie atom is at hand) and the reel whose editing list names
// the kept units, in order.
struct PlanSource {
    const CZentiMovie* movie = nullptr;
    const CZentiMovFile* file = nullptr;
    const CClipreelMovie* reel = nullptr;
};

// The one plan builder every new movie is made with: the sources' kept units
// one after another, each read from its movie's unit blocks (reel/UnitBlocks),
// with the sync samples of the frames it keeps. False when a reel is not
// valid or does not describe its movie, when the sources differ in whether
// their sound lies in the file, or when a count does not fit 32 bits.
bool BuildNewMoviePlan(const std::vector<PlanSource>& sources, NewMoviePlan& plan);

// The plan of one reel over its movie.
bool BuildNewMoviePlan(const CZentiMovie& movie, const CZentiMovFile* file, const CClipreelMovie& reel,
                       NewMoviePlan& plan);

}

#endif
