#ifndef CLIPREEL_REEL_UNIT_BLOCKS_H
#define CLIPREEL_REEL_UNIT_BLOCKS_H

#include <cstdint>
#include <vector>

class CZentiMovie;

namespace clipreel {

// The contiguous byte range of the source file that holds one shooting
// unit's media: its sound chunks (when the sound lies in the same file) and
// its video frames, in the camera's interleave.
struct UnitBlock {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct UnitBlocks {
    std::vector<UnitBlock> units;
    // The samples of each sound chunk, one chunk per stored sample unit, in
    // file order: a stored sample unit's samples, or fewer in the camera's
    // shorter last chunk (which has its own sample-to-chunk entry, and which
    // an edit may have moved). Empty without sound in the file.
    std::vector<std::uint32_t> soundChunkSamples;
    // Where each of those sound chunks lies in the file, in the same order.
    std::vector<std::uint64_t> soundChunkOffsets;
    // Every video frame of the units, in file order: where it lies and how
    // many bytes it holds (one frame per chunk).
    std::vector<std::uint64_t> frameOffsets;
    std::vector<std::uint32_t> frameSizes;
};

// The blocks of a Clipreel movie's shooting units, reading each table of the
// parsed movie once. False when the tables do not lay every unit out as one
// gap-free block: a sound chunk missing for a stored sample unit, a chunk
// whose size (its samples times the bytes per frame) does not reach the
// unit's first frame, frames that do not follow one another, or chunks of
// more samples than the stored sample unit's. The reel model and the
// editor's check that a reel belongs to its source both use this, so that
// the two can never disagree.
bool BuildUnitBlocks(const CZentiMovie& movie, unsigned storedUnitsPerShootingUnit, unsigned unitCount,
                     UnitBlocks& blocks);

}

#endif
