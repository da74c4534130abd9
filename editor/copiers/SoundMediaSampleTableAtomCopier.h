#ifndef CLIPREEL_EDITOR_COPIERS_SOUND_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_SOUND_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H

#include "editor/copiers/MediaSampleTableAtomCopier.h"

namespace clipreel {

// A sound sample table: constant-size samples, one chunk per kept stored
// sample unit.
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
};

}

#endif
