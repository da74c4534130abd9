#include "source/SampleToChunkTable.h"

#include "source/AtomFields.h"
#include "source/CountedTable.h"

namespace clipreel {

namespace {

// Each entry: the first chunk, the samples per chunk, the description id.
constexpr std::size_t EntrySize = 12;
constexpr CountedTable Layout{atom_fields::EntryCount, atom_fields::FirstEntry, EntrySize};
constexpr std::size_t SamplesPerChunkAt = 4;
constexpr std::size_t DescriptionIdAt = 8;

}

std::uint32_t SampleToChunkTable::Count() const { return Layout.Count(atom); }

bool SampleToChunkTable::HoldsEntries() const { return Layout.HoldsEntries(atom); }

bool SampleToChunkTable::Entry(std::uint32_t index, SampleToChunkEntry& entry) const {
    ByteReader bytes;
    return Layout.Entry(atom, index, bytes) && bytes.PeekU32BE(0, entry.firstChunk) &&
           bytes.PeekU32BE(SamplesPerChunkAt, entry.samplesPerChunk) &&
           bytes.PeekU32BE(DescriptionIdAt, entry.descriptionId);
}

bool SampleToChunkTable::Write(ByteWriter& dst, const ByteReader& source, const std::vector<SampleToChunkEntry>& runs,
                               std::uint32_t& size) {
    if (!Layout.Begin(dst, source, static_cast<std::uint32_t>(runs.size()), EntrySize * std::uint64_t(runs.size()),
                      size))
        return false;
    for (const SampleToChunkEntry& run : runs) {
        if (!dst.WriteU32BE(run.firstChunk) || !dst.WriteU32BE(run.samplesPerChunk) ||
            !dst.WriteU32BE(run.descriptionId))
            return false;
    }
    return true;
}

}
