#include "editor/copiers/VideoMediaSampleTableAtomCopier.h"

#include "ClipreelMovie.h"
#include "bytes/FourCC.h"

#include <algorithm>

namespace clipreel {

namespace {
constexpr std::uint32_t FirstSampleCountOffset = 16;  // of the first time-to-sample entry
constexpr std::uint32_t SyncCountOffset = 12;
constexpr std::uint32_t SampleSizeCountOffset = 16;
constexpr std::uint32_t ChunkCountOffset = 12;
}

VideoMediaSampleTableAtomCopier::~VideoMediaSampleTableAtomCopier() = default;

std::uint32_t VideoMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    return copyWithField(dst, src, FourCC("stts"), FirstSampleCountOffset, reel().GetTotalFrameCount());
}

std::uint32_t VideoMediaSampleTableAtomCopier::copySyncSample(ByteWriter& dst, ByteReader& src) {
    std::uint32_t type = 0;
    if (!peekType(src, type) || type != FourCC("stss")) return 0;
    ByteReader table;
    if (!takeAtom(src, table)) return 0;
    std::uint32_t sourceCount = 0;
    if (!table.PeekU32BE(SyncCountOffset, sourceCount)) return fail();
    const std::uint32_t count = std::min<std::uint32_t>(reel().GetTotalIFrameCount(), sourceCount);
    const std::uint64_t size = 16 + 4 * std::uint64_t(count);
    ByteReader kept;
    if (size > table.size() || !table.Sub(0, static_cast<std::size_t>(size), kept)) return fail();
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(kept.data(), kept.size()) || !dst.PokeU32BE(start, static_cast<std::uint32_t>(size)) ||
        !dst.PokeU32BE(start + SyncCountOffset, count))
        return fail();
    return static_cast<std::uint32_t>(size);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copySampleSize(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stsz"), SampleSizeCountOffset, reel().GetTotalFrameCount(),
                        Entries::VideoFrames, false);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), ChunkCountOffset, reel().GetTotalFrameCount(),
                        Entries::VideoFrames, false);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), ChunkCountOffset, reel().GetTotalFrameCount(),
                        Entries::VideoFrames, true);
}

}
