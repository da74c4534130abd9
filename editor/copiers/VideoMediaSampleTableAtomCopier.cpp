#include "editor/copiers/VideoMediaSampleTableAtomCopier.h"

#include "ClipreelMovie.h"
#include "bytes/FourCC.h"
#include "source/AtomFields.h"

#include <algorithm>
#include <vector>

namespace clipreel {

using namespace atom_fields;

VideoMediaSampleTableAtomCopier::~VideoMediaSampleTableAtomCopier() = default;

std::uint32_t VideoMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    return copyWithField(dst, src, FourCC("stts"), FirstEntry, reel().GetTotalFrameCount());
}

// The kept frames' own sync samples: the source's entries that fall in each
// kept unit, moved to where that unit's frames now stand. A unit that is not
// a whole number of groups of pictures keeps its key frames where the encoder
// put them. The count stays within the reel's key frame count and the
// source's.
std::uint32_t VideoMediaSampleTableAtomCopier::copySyncSample(ByteWriter& dst, ByteReader& src) {
    std::uint32_t type = 0;
    if (!peekType(src, type) || type != FourCC("stss")) return 0;
    ByteReader table;
    if (!takeAtom(src, table)) return 0;
    std::uint32_t sourceCount = 0;
    ByteReader header;
    if (!table.PeekU32BE(EntryCount, sourceCount) || !table.Sub(0, EntryCount, header) ||
        FirstEntry + 4 * std::uint64_t(sourceCount) > table.size())
        return fail();
    std::vector<std::uint32_t> sync(sourceCount);
    for (std::uint32_t i = 0; i < sourceCount; ++i) {
        if (!table.PeekU32BE(FirstEntry + std::size_t(i) * 4, sync[i])) return fail();
    }
    const std::uint32_t cap = std::min<std::uint32_t>(reel().GetTotalIFrameCount(), sourceCount);

    const CClipreelMovie& movie = reel();
    std::vector<std::uint32_t> kept;
    std::uint32_t outputStart = 0;
    for (unsigned i = 0; i < movie.GetShootingUnitCount() && kept.size() < cap; ++i) {
        const CClipreelShootingUnit& unit = movie.GetShootingUnit(i);
        // Sample numbers count from 1.
        const std::uint32_t first = unit.GetOriginalStartVideoSampleIndex() + 1;
        const std::uint32_t frames = unit.GetFrameCount();
        auto at = std::lower_bound(sync.begin(), sync.end(), first);
        for (; at != sync.end() && *at < first + frames && kept.size() < cap; ++at)
            kept.push_back(*at - first + 1 + outputStart);
        outputStart += frames;
    }

    const std::uint64_t size = FirstEntry + 4 * std::uint64_t(kept.size());
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(static_cast<std::uint32_t>(kept.size())) ||
        !dst.PokeU32BE(start, static_cast<std::uint32_t>(size)))
        return fail();
    for (const std::uint32_t sample : kept) {
        if (!dst.WriteU32BE(sample)) return fail();
    }
    return static_cast<std::uint32_t>(size);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copySampleSize(ByteWriter& dst, ByteReader& src) {
    // A constant sample size stands for every frame: only the count changes.
    ByteReader table;
    std::uint32_t constantSize = 0;
    if (src.Sub(src.position(), SampleCount, table) && table.PeekU32BE(ConstantSampleSize, constantSize) && constantSize != 0)
        return copyConstantSampleSize(dst, src, reel().GetTotalFrameCount());
    return rebuildTable(dst, src, FourCC("stsz"), SampleCount, reel().GetTotalFrameCount(),
                        Entries::VideoFrames, false);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), EntryCount, reel().GetTotalFrameCount(),
                        Entries::VideoFrames, false);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) {
    return rebuildTable(dst, src, FourCC("stco"), EntryCount, reel().GetTotalFrameCount(),
                        Entries::VideoFrames, true);
}

}
