#include "editor/copiers/SoundMediaSampleTableAtomCopier.h"

#include "ClipreelMovie.h"
#include "bytes/FourCC.h"
#include "source/StoredSampleUnit.h"

namespace clipreel {

namespace {
constexpr std::uint32_t FirstSampleCountOffset = 16;  // of the first time-to-sample entry
constexpr std::uint32_t SampleSizeHeader = 16;        // size, type, version and flags, sample size
constexpr std::uint32_t SampleSizeAtomSize = 20;      // constant sample size: no table
constexpr std::uint32_t ChunkCountOffset = 12;
}

SoundMediaSampleTableAtomCopier::~SoundMediaSampleTableAtomCopier() = default;

std::uint32_t SoundMediaSampleTableAtomCopier::keptSampleCount() const {
    const CStoredSampleUnit2* unit = storedUnit();
    if (unit == nullptr) return 0;
    return reel().GetTotalSoundChunkCount() * unit->soundSamplesPerUnit;
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    const std::uint32_t samples = keptSampleCount();
    if (failed()) return 0;
    return copyWithField(dst, src, FourCC("stts"), FirstSampleCountOffset, samples);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copySyncSample(ByteWriter&, ByteReader&) { return 0; }

std::uint32_t SoundMediaSampleTableAtomCopier::copySampleSize(ByteWriter& dst, ByteReader& src) {
    const std::uint32_t samples = keptSampleCount();
    if (failed()) return 0;
    ByteReader table;
    ByteReader header;
    if (!takeExpected(src, FourCC("stsz"), table)) return 0;
    // Only a constant sample size can be cut down to a count; a table of
    // sizes would be left describing samples that are gone.
    std::uint32_t sampleSize = 0;
    if (!table.Sub(0, SampleSizeHeader, header) || !table.PeekU32BE(12, sampleSize) || sampleSize == 0)
        return fail();
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(samples) ||
        !dst.PokeU32BE(start, SampleSizeAtomSize))
        return fail();
    return SampleSizeAtomSize;
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), ChunkCountOffset, reel().GetTotalSoundChunkCount(),
                        Entries::SoundChunks, false);
}

std::uint32_t SoundMediaSampleTableAtomCopier::copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), ChunkCountOffset, reel().GetTotalSoundChunkCount(),
                        Entries::SoundChunks, true);
}

}
