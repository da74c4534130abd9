#include "editor/copiers/SoundMediaSampleTableAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/NewMoviePlan.h"
#include "source/AtomFields.h"

#include <vector>

namespace clipreel {

using namespace atom_fields;

SoundMediaSampleTableAtomCopier::~SoundMediaSampleTableAtomCopier() = default;

// The samples of the kept units' chunks; none when the sound lies in
// another file. The plan's counts fit 32 bits.
std::uint32_t SoundMediaSampleTableAtomCopier::keptSampleCount() const {
    return static_cast<std::uint32_t>(plan().SoundSampleCount());
}

bool SoundMediaSampleTableAtomCopier::soundElsewhere() const { return !plan().soundInFile; }

std::uint32_t SoundMediaSampleTableAtomCopier::writeEmptyTable(ByteWriter& dst, ByteReader& src,
                                                               std::uint32_t type) const {
    constexpr std::uint32_t size = EntryCount + 4;
    ByteReader table;
    ByteReader header;
    if (!takeExpected(src, type, table)) return 0;
    if (!table.Sub(0, EntryCount, header)) return fail();
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(0) || !dst.PokeU32BE(start, size))
        return fail();
    return size;
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    if (soundElsewhere()) return writeEmptyTable(dst, src, FourCC("stts"));
    return copyWithField(dst, src, FourCC("stts"), FirstEntry, keptSampleCount());
}

std::uint32_t SoundMediaSampleTableAtomCopier::copySyncSample(ByteWriter&, ByteReader&) { return 0; }

std::uint32_t SoundMediaSampleTableAtomCopier::copySampleToChunk(ByteWriter& dst, ByteReader& src) {
    if (soundElsewhere()) return writeEmptyTable(dst, src, FourCC("stsc"));
    ByteReader table;
    ByteReader header;
    std::uint32_t description = 0;
    if (!takeExpected(src, FourCC("stsc"), table)) return 0;
    if (!table.Sub(0, EntryCount, header) || !table.PeekU32BE(FirstEntry + 8, description))
        return fail();

    struct Run {
        std::uint32_t firstChunk;
        std::uint32_t samples;
    };
    std::vector<Run> runs;
    std::uint32_t chunk = 1;
    for (const PlannedUnit& unit : plan().units) {
        for (const std::uint32_t samples : unit.soundChunkSamples) {
            if (samples == 0) return fail();
            if (runs.empty() || runs.back().samples != samples) runs.push_back({chunk, samples});
            ++chunk;
        }
    }
    const std::uint64_t size = std::uint64_t(FirstEntry) + 12 * std::uint64_t(runs.size());
    if (size > 0xFFFFFFFFu) return fail();
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(static_cast<std::uint32_t>(runs.size())) ||
        !dst.PokeU32BE(start, static_cast<std::uint32_t>(size)))
        return fail();
    for (const Run& run : runs) {
        if (!dst.WriteU32BE(run.firstChunk) || !dst.WriteU32BE(run.samples) || !dst.WriteU32BE(description))
            return fail();
    }
    return static_cast<std::uint32_t>(size);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copySampleSize(ByteWriter& dst, ByteReader& src) {
    // Only a constant sample size can be cut down to a count; a table of
    // sizes would be left describing samples that are gone.
    return copyConstantSampleSize(dst, src, keptSampleCount());
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) {
    return copyChunkOffsets(dst, src, false);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) {
    return copyChunkOffsets(dst, src, true);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsets(ByteWriter& dst, ByteReader& src, bool rebase) {
    if (soundElsewhere()) return writeEmptyTable(dst, src, FourCC("stco"));
    std::vector<std::uint32_t> offsets;
    if (!chunkOffsets(Entries::SoundChunks, rebase, offsets)) return 0;
    return writeTable(dst, src, FourCC("stco"), EntryCount, offsets);
}

}
