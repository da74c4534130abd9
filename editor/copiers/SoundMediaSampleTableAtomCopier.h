#ifndef CLIPREEL_EDITOR_COPIERS_SOUND_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_SOUND_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H

#include "editor/copiers/MediaSampleTableAtomCopier.h"

namespace clipreel {

// A sound sample table: constant-size samples, one chunk per kept stored
// sample unit. A sound track whose media lies in another file keeps its
// description and no samples: the units have no sound of their own to cut, and
// its chunk offsets are positions in a file the new movie does not reach
// (readers that take every chunk from the movie's own file would read
// other bytes in their place).
class SoundMediaSampleTableAtomCopier : public MediaSampleTableAtomCopier {
public:
    using MediaSampleTableAtomCopier::MediaSampleTableAtomCopier;
    ~SoundMediaSampleTableAtomCopier() override;

    std::uint32_t copyTimeToSample(ByteWriter& dst, ByteReader& src) override;
    // Sound has no sync samples: reads and writes nothing.
    std::uint32_t copySyncSample(ByteWriter& dst, ByteReader& src) override;
    // One run per stretch of kept chunks that hold the same number of
    // samples: a shorter last chunk of the source may now sit anywhere.
    std::uint32_t copySampleToChunk(ByteWriter& dst, ByteReader& src) override;
    std::uint32_t copySampleSize(ByteWriter& dst, ByteReader& src) override;
    std::uint32_t copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) override;
    std::uint32_t copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) override;

private:
    std::uint32_t keptSampleCount() const;
    // Whether the sound lies in another file: the kept blocks hold none.
    bool soundElsewhere() const;
    // The kept units' chunks, their offsets kept or rebased.
    std::uint32_t copyChunkOffsets(ByteWriter& dst, ByteReader& src, bool rebase);
    // The table's header up to its entry count, and a count of 0.
    std::uint32_t writeEmptyTable(ByteWriter& dst, ByteReader& src, std::uint32_t type) const;
};

}

#endif
