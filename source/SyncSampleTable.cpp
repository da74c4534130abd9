#include "source/SyncSampleTable.h"

#include "source/CountedTable.h"

namespace clipreel {

std::uint32_t SyncSampleTable::Count() const { return U32Table.Count(atom); }

bool SyncSampleTable::HoldsEntries() const { return U32Table.HoldsEntries(atom); }

bool SyncSampleTable::Sample(std::uint32_t index, std::uint32_t& number) const {
    return U32Table.U32(atom, index, number);
}

bool SyncSampleTable::Write(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& numbers,
                            std::uint32_t& size) {
    return U32Table.WriteU32s(dst, source, numbers, size);
}

}
