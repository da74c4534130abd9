#ifndef CLIPREEL_SOURCE_TIME_TO_SAMPLE_TABLE_H
#define CLIPREEL_SOURCE_TIME_TO_SAMPLE_TABLE_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstdint>

namespace clipreel {

// One run of a time-to-sample table: sampleCount samples of sampleDuration
// each, in the media's time scale.
struct TimeToSampleEntry {
    std::uint32_t sampleCount = 0;
    std::uint32_t sampleDuration = 0;
};

// A time-to-sample table ('stts') over the bytes of its whole atom.
class TimeToSampleTable {
public:
    explicit TimeToSampleTable(const ByteReader& tableAtom) : atom(tableAtom) {}

    std::uint32_t Count() const;
    bool HoldsEntries() const;
    // False past the count or the atom's end.
    bool Entry(std::uint32_t index, TimeToSampleEntry& entry) const;

    // Sets one run's sample count in a table written in full at table.
    static bool SetSampleCount(ByteWriter& table, std::uint32_t index, std::uint32_t sampleCount);

private:
    ByteReader atom;
};

}

#endif
