#include "editor/copiers/VideoMediaSampleTableAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/NewMoviePlan.h"
#include "source/AtomFields.h"
#include "source/SampleSizeTable.h"
#include "source/SyncSampleTable.h"

#include <vector>

namespace clipreel {

using namespace atom_fields;

VideoMediaSampleTableAtomCopier::~VideoMediaSampleTableAtomCopier() = default;

std::uint32_t VideoMediaSampleTableAtomCopier::copyTimeToSample(ByteWriter& dst, ByteReader& src) {
    return copyTimeToSampleWithCount(dst, src, static_cast<std::uint32_t>(plan().FrameCount()));
}

// Every kept frame that was a sync sample in its source, at its new place
// (sample numbers count from 1). A source without the table has every frame
// a sync sample and gets none: a kept frame that is not one could not be
// told apart.
std::uint32_t VideoMediaSampleTableAtomCopier::copySyncSample(ByteWriter& dst, ByteReader& src) {
    std::uint32_t type = 0;
    if (!peekType(src, type) || type != FourCC("stss")) {
        if (plan().SyncSampleCount() != plan().FrameCount()) return fail();
        return 0;
    }
    std::vector<std::uint32_t> sync;
    std::uint32_t outputStart = 1;
    for (const PlannedUnit& unit : plan().units) {
        for (const std::uint32_t frame : unit.syncFrames) sync.push_back(outputStart + frame);
        outputStart += static_cast<std::uint32_t>(unit.frameSizes.size());
    }
    ByteReader table;
    std::uint32_t size = 0;
    if (!takeExpected(src, FourCC("stss"), table)) return 0;
    if (!SyncSampleTable::Write(dst, table, sync, size)) return fail();
    return size;
}

// A constant sample size stands for every frame when every kept frame has
// it; otherwise each kept frame's size is listed.
std::uint32_t VideoMediaSampleTableAtomCopier::copySampleSize(ByteWriter& dst, ByteReader& src) {
    ByteReader header;
    if (!src.Sub(src.position(), SampleCount, header)) return fail();
    const std::uint32_t constantSize = SampleSizeTable(header).ConstantSize();
    std::vector<std::uint32_t> sizes;
    bool allConstant = constantSize != 0;
    for (const PlannedUnit& unit : plan().units) {
        for (const std::uint32_t size : unit.frameSizes) {
            sizes.push_back(size);
            allConstant = allConstant && size == constantSize;
        }
    }
    if (allConstant) return copyConstantSampleSize(dst, src, static_cast<std::uint32_t>(sizes.size()));
    ByteReader table;
    std::uint32_t size = 0;
    if (!takeExpected(src, FourCC("stsz"), table)) return 0;
    if (!SampleSizeTable::WriteSizes(dst, table, sizes, size)) return fail();
    return size;
}

std::uint32_t VideoMediaSampleTableAtomCopier::copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) {
    std::vector<std::uint32_t> offsets;
    if (!chunkOffsets(Entries::VideoFrames, false, offsets)) return 0;
    return writeChunkOffsets(dst, src, offsets);
}

std::uint32_t VideoMediaSampleTableAtomCopier::copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) {
    std::vector<std::uint32_t> offsets;
    if (!chunkOffsets(Entries::VideoFrames, true, offsets)) return 0;
    return writeChunkOffsets(dst, src, offsets);
}

}
