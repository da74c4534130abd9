#include "editor/copiers/SoundMediaSampleTableAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/NewMoviePlan.h"
#include "source/CountedTable.h"
#include "source/SampleToChunkTable.h"

#include <vector>

namespace clipreel {

SoundMediaSampleTableAtomCopier::~SoundMediaSampleTableAtomCopier() = default;

// The samples of the kept units' chunks; none when the sound lies in
// another file. The plan's counts fit 32 bits.
std::uint32_t SoundMediaSampleTableAtomCopier::keptSampleCount() const {
    return static_cast<std::uint32_t>(plan().SoundSampleCount());
}

bool SoundMediaSampleTableAtomCopier::soundElsewhere() const { return !plan().soundInFile; }

std::uint32_t SoundMediaSampleTableAtomCopier::writeEmptyTable(ByteWriter& dst, ByteReader& src,
                                                               std::uint32_t type) const {
    ByteReader table;
    std::uint32_t size = 0;
    if (!takeExpected(src, type, table)) return 0;
    if (!WriteEmptyTable(dst, table, size)) return fail();
    return size;
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    if (soundElsewhere()) return writeEmptyTable(dst, src, FourCC("stts"));
    return copyTimeToSampleWithCount(dst, src, keptSampleCount());
}

std::uint32_t SoundMediaSampleTableAtomCopier::copySyncSample(ByteWriter&, ByteReader&) { return 0; }

std::uint32_t SoundMediaSampleTableAtomCopier::copySampleToChunk(ByteWriter& dst, ByteReader& src) {
    if (soundElsewhere()) return writeEmptyTable(dst, src, FourCC("stsc"));
    ByteReader table;
    SampleToChunkEntry first;
    if (!takeExpected(src, FourCC("stsc"), table)) return 0;
    // The runs keep the source's sample description.
    if (!SampleToChunkTable(table).Entry(0, first)) return fail();

    std::vector<SampleToChunkEntry> runs;
    std::uint32_t chunk = 1;
    for (const PlannedUnit& unit : plan().units) {
        for (const std::uint32_t samples : unit.soundChunkSamples) {
            if (samples == 0) return fail();
            if (runs.empty() || runs.back().samplesPerChunk != samples)
                runs.push_back({chunk, samples, first.descriptionId});
            ++chunk;
        }
    }
    std::uint32_t size = 0;
    if (!SampleToChunkTable::Write(dst, table, runs, size)) return fail();
    return size;
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
    return writeChunkOffsets(dst, src, offsets);
}

}
