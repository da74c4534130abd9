#ifndef CLIPREEL_EDITOR_COPIERS_COPY_CONTEXT_H
#define CLIPREEL_EDITOR_COPIERS_COPY_CONTEXT_H

#include <cstddef>
#include <cstdint>

namespace clipreel {

struct NewMoviePlan;

// What one copy of a movie atom needs to know everywhere in the tree: held by
// the root copier and read by every copier below it through its parents.
struct CopyContext {
    // Chunk offsets become offsets from the start of the kept media data.
    // Never applied while an alias record is given.
    bool rebaseChunkOffsets = false;
    // A flattened big-endian alias record that replaces every track's data
    // reference; null when the tracks keep their own references.
    const std::uint8_t* aliasRecord = nullptr;
    std::uint32_t aliasRecordSize = 0;
    // The kept units whose sample tables are rebuilt; null copies the tables.
    const NewMoviePlan* plan = nullptr;
    // Seconds since 1904-01-01 00:00 UTC.
    std::uint32_t modificationTime = 0;
    // The source movie header's time scale (0 when unknown): the durations
    // of the movie and track headers are counted in it.
    std::uint32_t movieTimeScale = 0;
    // Set by the first copier that meets bytes it cannot copy within bounds;
    // the driver then gives no movie.
    bool failed = false;

    // The kept units' total duration for the movie and track headers: the
    // plan counts in the video media's time scale, the headers in the movie's,
    // so the value is converted (64-bit, truncated) when the two differ.
    // Requires a plan.
    std::uint32_t headerDuration() const;
};

}

#endif
