#include "source/TimeToSampleTable.h"

#include "source/AtomFields.h"
#include "source/CountedTable.h"

namespace clipreel {

namespace {

// Each entry: the sample count, then the sample duration.
constexpr CountedTable Layout{atom_fields::EntryCount, atom_fields::FirstEntry, 8};
constexpr std::size_t SampleDurationAt = 4;

}

std::uint32_t TimeToSampleTable::Count() const { return Layout.Count(atom); }

bool TimeToSampleTable::HoldsEntries() const { return Layout.HoldsEntries(atom); }

bool TimeToSampleTable::Entry(std::uint32_t index, TimeToSampleEntry& entry) const {
    ByteReader bytes;
    return Layout.Entry(atom, index, bytes) && bytes.PeekU32BE(0, entry.sampleCount) &&
           bytes.PeekU32BE(SampleDurationAt, entry.sampleDuration);
}

bool TimeToSampleTable::SetSampleCount(ByteWriter& table, std::uint32_t index, std::uint32_t sampleCount) {
    ByteWriter entry;
    return Layout.Entry(table, index, entry) && entry.PokeU32BE(0, sampleCount);
}

}
