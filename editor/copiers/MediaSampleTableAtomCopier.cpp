#include "editor/copiers/MediaSampleTableAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/NewMoviePlan.h"
#include "source/ChunkOffsetTable.h"
#include "source/SampleSizeTable.h"
#include "source/TimeToSampleTable.h"

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

std::uint32_t MediaSampleTableAtomCopier::copyTimeToSampleWithCount(ByteWriter& dst, ByteReader& src,
                                                                     std::uint32_t sampleCount) const {
    ByteReader table;
    if (!takeExpected(src, FourCC("stts"), table)) return 0;
    const std::size_t start = dst.position();
    const std::uint32_t size = writeUnchanged(dst, table);
    if (failed()) return 0;
    ByteWriter written(dst.data() + start, size);
    if (!TimeToSampleTable::SetSampleCount(written, 0, sampleCount)) return fail();
    return size;
}

std::uint32_t MediaSampleTableAtomCopier::copyConstantSampleSize(ByteWriter& dst, ByteReader& src,
                                                                  std::uint32_t count) const {
    ByteReader table;
    std::uint32_t size = 0;
    if (!takeExpected(src, FourCC("stsz"), table)) return 0;
    if (!SampleSizeTable::WriteConstant(dst, table, count, size)) return fail();
    return size;
}

std::uint32_t MediaSampleTableAtomCopier::writeChunkOffsets(ByteWriter& dst, ByteReader& src,
                                                            const std::vector<std::uint32_t>& offsets) const {
    ByteReader table;
    std::uint32_t size = 0;
    if (!takeExpected(src, FourCC("stco"), table)) return 0;
    if (!ChunkOffsetTable::Write(dst, table, offsets, size)) return fail();
    return size;
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
