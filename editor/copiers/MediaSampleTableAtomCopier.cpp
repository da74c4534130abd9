#include "editor/copiers/MediaSampleTableAtomCopier.h"

#include "ClipreelMovie.h"
#include "bytes/FourCC.h"
#include "reel/ReelPrivateAccess.h"
#include "source/AtomFields.h"
#include "source/StoredSampleUnit.h"

namespace clipreel {

MediaSampleTableAtomCopier::~MediaSampleTableAtomCopier() = default;

std::uint32_t MediaSampleTableAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    std::uint32_t written = copySampleDescription(dst, src);
    if (!failed()) written += copyTimeToSample(dst, src);
    if (!failed()) written += copySyncSample(dst, src);
    if (!failed()) written += copySampleToChunk(dst, src);
    if (!failed()) written += copySampleSize(dst, src);
    if (!failed()) written += copyChunkOffset(dst, src);
    if (failed() || src.remaining() != 0) return fail();
    return written;
}

std::uint32_t MediaSampleTableAtomCopier::copySampleDescription(ByteWriter& dst, ByteReader& src) {
    ByteReader table;
    if (!takeExpected(src, FourCC("stsd"), table)) return 0;
    return writeUnchanged(dst, table);
}

std::uint32_t MediaSampleTableAtomCopier::copySampleToChunk(ByteWriter& dst, ByteReader& src) {
    ByteReader table;
    if (!takeExpected(src, FourCC("stsc"), table)) return 0;
    return writeUnchanged(dst, table);
}

std::uint32_t MediaSampleTableAtomCopier::copyChunkOffset(ByteWriter& dst, ByteReader& src) {
    const CopyContext& ctx = *context();
    if (ctx.aliasRecord == nullptr && ctx.rebaseChunkOffsets) return copyChunkOffsetRebased(dst, src);
    return copyChunkOffsetKeep(dst, src);
}

const CClipreelMovie& MediaSampleTableAtomCopier::reel() const { return *context()->reel; }

const CStoredSampleUnit2* MediaSampleTableAtomCopier::storedUnit() const {
    const CStoredSampleUnit2* unit = ReelPrivateAccess::GetStoredSampleUnit(reel());
    if (unit == nullptr) fail();
    return unit;
}

bool MediaSampleTableAtomCopier::takeExpected(ByteReader& src, std::uint32_t type, ByteReader& atom) const {
    std::uint32_t found = 0;
    if (!peekType(src, found) || found != type) {
        fail();
        return false;
    }
    return takeAtom(src, atom);
}

std::uint32_t MediaSampleTableAtomCopier::copyWithField(ByteWriter& dst, ByteReader& src, std::uint32_t type,
                                                         std::uint32_t offset, std::uint32_t value) const {
    ByteReader table;
    if (!takeExpected(src, type, table)) return 0;
    const std::size_t start = dst.position();
    const std::uint32_t size = writeUnchanged(dst, table);
    if (failed() || !patchU32(dst, start, size, offset, value)) return 0;
    return size;
}

std::uint32_t MediaSampleTableAtomCopier::copyConstantSampleSize(ByteWriter& dst, ByteReader& src,
                                                                  std::uint32_t count) const {
    // Size, type, version and flags, sample size, then the count: no table.
    constexpr std::uint32_t header = atom_fields::SampleCount;
    constexpr std::uint32_t atomSize = atom_fields::SampleSizeTable;
    ByteReader table;
    ByteReader kept;
    std::uint32_t sampleSize = 0;
    if (!takeExpected(src, FourCC("stsz"), table)) return 0;
    if (!table.Sub(0, header, kept) || !table.PeekU32BE(atom_fields::ConstantSampleSize, sampleSize) || sampleSize == 0) return fail();
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(kept.data(), kept.size()) || !dst.WriteU32BE(count) || !dst.PokeU32BE(start, atomSize))
        return fail();
    return atomSize;
}

std::uint32_t MediaSampleTableAtomCopier::rebuildTable(ByteWriter& dst, ByteReader& src, std::uint32_t type,
                                                        std::uint32_t countOffset, std::uint32_t total,
                                                        Entries entries, bool rebase) const {
    ByteReader table;
    if (!takeExpected(src, type, table)) return 0;
    const CStoredSampleUnit2* unit = storedUnit();
    if (unit == nullptr) return 0;
    std::uint32_t sourceCount = 0;
    ByteReader header;
    if (!table.PeekU32BE(countOffset, sourceCount) || !table.Sub(0, countOffset, header)) return fail();
    const std::uint64_t newSize = std::uint64_t(countOffset) + 4 + 4 * std::uint64_t(total);
    if (newSize > 0xFFFFFFFFu) return fail();

    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(total) ||
        !dst.PokeU32BE(start, static_cast<std::uint32_t>(newSize)))
        return fail();

    const CClipreelMovie& movie = reel();
    const std::size_t firstEntry = std::size_t(countOffset) + 4;
    std::uint64_t entriesWritten = 0;
    // The kept units' blocks follow one another in list order: each one's
    // place in the new media data is the size of those before it, summed as
    // the walk goes (asking the reel for it anew made long reels quadratic).
    std::uint64_t keptBefore = 0;
    for (unsigned i = 0; i < movie.GetShootingUnitCount(); ++i) {
        const unsigned original = ReelPrivateAccess::getOriginalIndex(movie, i);
        const CClipreelShootingUnit& kept = movie.GetShootingUnit(i);
        std::uint64_t count = kept.GetStoredSampleUnitCount();
        std::uint64_t first = 0;
        if (entries == Entries::VideoFrames) {
            count *= unit->framesPerUnit;
            first = ReelPrivateAccess::GetOriginalStartVideoSampleIndex(movie, original);
        } else {
            first = ReelPrivateAccess::GetOriginalStartSoundChunkIndex(movie, original);
        }
        if (first + count > sourceCount) return fail();
        const std::uint32_t delta =
            rebase ? static_cast<std::uint32_t>(keptBefore) - static_cast<std::uint32_t>(kept.GetFileOffset()) : 0;
        keptBefore += kept.GetSize();
        // Positions are computed in 64 bits and checked against the table
        // before they are narrowed, so that they cannot wrap on a 32-bit build.
        const std::uint64_t end = firstEntry + 4 * (first + count);
        if (end > table.size()) return fail();
        for (std::uint64_t k = 0; k < count; ++k) {
            std::uint32_t value = 0;
            if (!table.PeekU32BE(static_cast<std::size_t>(firstEntry + 4 * (first + k)), value) ||
                !dst.WriteU32BE(value + delta))
                return fail();
        }
        entriesWritten += count;
    }
    if (entriesWritten != total) return fail();
    return static_cast<std::uint32_t>(newSize);
}

}
