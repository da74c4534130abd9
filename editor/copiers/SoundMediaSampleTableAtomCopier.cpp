#include "editor/copiers/SoundMediaSampleTableAtomCopier.h"

#include "ClipreelMovie.h"
#include "bytes/FourCC.h"
#include "reel/ReelPrivateAccess.h"
#include "source/AtomFields.h"
#include "source/StoredSampleUnit.h"

#include <vector>

namespace clipreel {

using namespace atom_fields;

SoundMediaSampleTableAtomCopier::~SoundMediaSampleTableAtomCopier() = default;

std::uint32_t SoundMediaSampleTableAtomCopier::keptSampleCount() const {
    const CStoredSampleUnit2* unit = storedUnit();
    if (unit == nullptr) return 0;
    return reel().GetTotalSoundSampleCount();
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    const std::uint32_t samples = keptSampleCount();
    if (failed()) return 0;
    return copyWithField(dst, src, FourCC("stts"), kFirstEntry, samples);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copySyncSample(ByteWriter&, ByteReader&) { return 0; }

std::uint32_t SoundMediaSampleTableAtomCopier::copySampleToChunk(ByteWriter& dst, ByteReader& src) {
    const CStoredSampleUnit2* unit = storedUnit();
    if (unit == nullptr) return 0;
    // Sound in another file has no samples in the stored sample unit: its
    // table is kept as it is.
    if (unit->soundSamplesPerUnit == 0) return MediaSampleTableAtomCopier::copySampleToChunk(dst, src);
    ByteReader table;
    ByteReader header;
    std::uint32_t description = 0;
    if (!takeExpected(src, FourCC("stsc"), table)) return 0;
    if (!table.Sub(0, kEntryCount, header) || !table.PeekU32BE(kFirstEntry + 8, description))
        return fail();

    struct Run {
        std::uint32_t firstChunk;
        std::uint32_t samples;
    };
    std::vector<Run> runs;
    const CClipreelMovie& movie = reel();
    std::uint32_t chunk = 1;
    for (unsigned i = 0; i < movie.GetShootingUnitCount(); ++i) {
        const CClipreelShootingUnit& kept = movie.GetShootingUnit(i);
        const unsigned chunks = kept.GetSoundChunkCount();
        for (unsigned k = 0; k < chunks; ++k, ++chunk) {
            const std::uint32_t samples = k + 1 == chunks
                                              ? ReelPrivateAccess::getLastChunkSoundSamples(movie, kept.GetOriginalIndex())
                                              : unit->soundSamplesPerUnit;
            if (runs.empty() || runs.back().samples != samples) runs.push_back({chunk, samples});
        }
    }
    const std::uint64_t size = std::uint64_t(kFirstEntry) + 12 * std::uint64_t(runs.size());
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
    const std::uint32_t samples = keptSampleCount();
    if (failed()) return 0;
    // Only a constant sample size can be cut down to a count; a table of
    // sizes would be left describing samples that are gone.
    return copyConstantSampleSize(dst, src, samples);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), kEntryCount, reel().GetTotalSoundChunkCount(),
                        Entries::SoundChunks, false);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) {
    // Sound in another file stays there: its offsets are positions in that
    // file, not in the kept media data.
    const CStoredSampleUnit2* unit = storedUnit();
    if (unit == nullptr) return 0;
    if (unit->soundSamplesPerUnit == 0) return copyChunkOffsetKeep(dst, src);
    return rebuildTable(dst, src, FourCC("stco"), kEntryCount, reel().GetTotalSoundChunkCount(),
                        Entries::SoundChunks, true);
}

}
