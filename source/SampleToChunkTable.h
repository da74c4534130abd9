#ifndef CLIPREEL_SOURCE_SAMPLE_TO_CHUNK_TABLE_H
#define CLIPREEL_SOURCE_SAMPLE_TO_CHUNK_TABLE_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstdint>
#include <vector>

namespace clipreel {

// One run of a sample-to-chunk table: from firstChunk (counted from 1) on,
// every chunk holds samplesPerChunk samples of sample description
// descriptionId, until the next run's first chunk.
struct SampleToChunkEntry {
    std::uint32_t firstChunk = 0;
    std::uint32_t samplesPerChunk = 0;
    std::uint32_t descriptionId = 0;
};

// A sample-to-chunk table ('stsc') over the bytes of its whole atom.
class SampleToChunkTable {
public:
    explicit SampleToChunkTable(const ByteReader& tableAtom) : atom(tableAtom) {}

    std::uint32_t Count() const;
    bool HoldsEntries() const;
    // False past the count or the atom's end.
    bool Entry(std::uint32_t index, SampleToChunkEntry& entry) const;

    // Writes a table of runs at dst's position, its header taken from the
    // source table; size is the bytes written.
    static bool Write(ByteWriter& dst, const ByteReader& source, const std::vector<SampleToChunkEntry>& runs,
                      std::uint32_t& size);

private:
    ByteReader atom;
};

}

#endif
