#ifndef CLIPREEL_SOURCE_SYNC_SAMPLE_TABLE_H
#define CLIPREEL_SOURCE_SYNC_SAMPLE_TABLE_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstdint>
#include <vector>

namespace clipreel {

// A sync sample table ('stss') over the bytes of its whole atom: the numbers
// (counted from 1) of the samples a decoder can start at.
class SyncSampleTable {
public:
    explicit SyncSampleTable(const ByteReader& tableAtom) : atom(tableAtom) {}

    std::uint32_t Count() const;
    bool HoldsEntries() const;
    // False past the count or the atom's end.
    bool Sample(std::uint32_t index, std::uint32_t& number) const;

    // Writes a table of sample numbers at dst's position, its header taken
    // from the source table; size is the bytes written.
    static bool Write(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& numbers,
                      std::uint32_t& size);

private:
    ByteReader atom;
};

}

#endif
