#include "editor/copiers/MediaSampleTableAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/NewMoviePlan.h"
#include "source/AtomFields.h"

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

const NewMoviePlan& MediaSampleTableAtomCopier::plan() const { return *context()->plan; }

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

std::uint32_t MediaSampleTableAtomCopier::writeTable(ByteWriter& dst, ByteReader& src, std::uint32_t type,
                                                     std::uint32_t countOffset,
                                                     const std::vector<std::uint32_t>& entries) const {
    ByteReader table;
    if (!takeExpected(src, type, table)) return 0;
    ByteReader header;
    if (!table.Sub(0, countOffset, header)) return fail();
    const std::uint64_t newSize = std::uint64_t(countOffset) + 4 + 4 * std::uint64_t(entries.size());
    if (newSize > 0xFFFFFFFFu) return fail();
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(static_cast<std::uint32_t>(entries.size())) ||
        !dst.PokeU32BE(start, static_cast<std::uint32_t>(newSize)))
        return fail();
    for (const std::uint32_t entry : entries)
        if (!dst.WriteU32BE(entry)) return fail();
    return static_cast<std::uint32_t>(newSize);
}

bool MediaSampleTableAtomCopier::chunkOffsets(Entries entries, bool rebase, std::vector<std::uint32_t>& offsets) const {
    // Each kept block's place in the new media data is the size of the
    // blocks before it.
    std::uint64_t keptBefore = 0;
    for (const PlannedUnit& unit : plan().units) {
        const std::vector<std::uint64_t>& sourceOffsets =
            entries == Entries::VideoFrames ? unit.frameOffsets : unit.soundChunkOffsets;
        for (const std::uint64_t offset : sourceOffsets) {
            if (offset < unit.blockOffset) {
                fail();
                return false;
            }
            const std::uint64_t value = rebase ? keptBefore + (offset - unit.blockOffset) : offset;
            if (value > 0xFFFFFFFFu) {
                fail();
                return false;
            }
            offsets.push_back(static_cast<std::uint32_t>(value));
        }
        keptBefore += unit.blockSize;
    }
    return true;
}
}
