#include "source/SampleSizeTable.h"

#include "source/AtomFields.h"
#include "source/CountedTable.h"

namespace clipreel {

namespace {

constexpr CountedTable Layout{atom_fields::SampleCount, atom_fields::FirstSampleSize, 4};

}

std::uint32_t SampleSizeTable::ConstantSize() const {
    std::uint32_t size = 0;
    return atom.PeekU32BE(atom_fields::ConstantSampleSize, size) ? size : 0;
}

std::uint32_t SampleSizeTable::SampleCount() const { return Layout.Count(atom); }

bool SampleSizeTable::HoldsSizes() const {
    if (atom.size() < atom_fields::FirstSampleSize) return false;
    return ConstantSize() != 0 || Layout.HoldsEntries(atom);
}

bool SampleSizeTable::Size(std::uint32_t index, std::uint32_t& size) const {
    ByteReader bytes;
    return Layout.Entry(atom, index, bytes) && bytes.PeekU32BE(0, size);
}

bool SampleSizeTable::WriteConstant(ByteWriter& dst, const ByteReader& source, std::uint32_t sampleCount,
                                    std::uint32_t& size) {
    if (SampleSizeTable(source).ConstantSize() == 0) return false;
    return Layout.Begin(dst, source, sampleCount, 0, size);
}

bool SampleSizeTable::WriteSizes(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& sizes,
                                 std::uint32_t& size) {
    const std::size_t start = dst.position();
    return Layout.WriteU32s(dst, source, sizes, size) && dst.PokeU32BE(start + atom_fields::ConstantSampleSize, 0);
}

}
