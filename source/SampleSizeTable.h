#ifndef CLIPREEL_SOURCE_SAMPLE_SIZE_TABLE_H
#define CLIPREEL_SOURCE_SAMPLE_SIZE_TABLE_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstdint>
#include <vector>

namespace clipreel {

// A sample size table ('stsz') over the bytes of its whole atom: a constant
// sample size, which when not 0 stands for every sample and leaves out the
// table, the sample count, then one size per sample.
class SampleSizeTable {
public:
    explicit SampleSizeTable(const ByteReader& tableAtom) : atom(tableAtom) {}

    // 0 when the atom is too short to hold it.
    std::uint32_t ConstantSize() const;
    std::uint32_t SampleCount() const;
    // Whether the atom holds its header and, without a constant size, a size
    // for every counted sample.
    bool HoldsSizes() const;
    // The listed size of a sample, whatever the constant size says; false
    // past the count or the atom's end.
    bool Size(std::uint32_t index, std::uint32_t& size) const;

    // Writes at dst's position a table with the source table's constant
    // size (not 0) and sampleCount, without sizes; size is the bytes written.
    static bool WriteConstant(ByteWriter& dst, const ByteReader& source, std::uint32_t sampleCount,
                              std::uint32_t& size);
    // Writes a table listing every sample's size, its constant size 0.
    static bool WriteSizes(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& sizes,
                           std::uint32_t& size);

private:
    ByteReader atom;
};

}

#endif
