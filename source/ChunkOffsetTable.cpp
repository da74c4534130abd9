#include "source/ChunkOffsetTable.h"

#include "source/CountedTable.h"

namespace clipreel {

std::uint32_t ChunkOffsetTable::Count() const { return U32Table.Count(atom); }

bool ChunkOffsetTable::HoldsEntries() const { return U32Table.HoldsEntries(atom); }

bool ChunkOffsetTable::Offset(std::uint32_t index, std::uint32_t& offset) const {
    return U32Table.U32(atom, index, offset);
}

bool ChunkOffsetTable::SetOffset(ByteWriter& table, std::uint32_t index, std::uint32_t offset) {
    ByteWriter entry;
    return U32Table.Entry(table, index, entry) && entry.PokeU32BE(0, offset);
}

bool ChunkOffsetTable::Write(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& offsets,
                             std::uint32_t& size) {
    return U32Table.WriteU32s(dst, source, offsets, size);
}

}
