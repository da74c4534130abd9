#ifndef CLIPREEL_EDITOR_COPIERS_VIDEO_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_VIDEO_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H

#include "editor/copiers/MediaSampleTableAtomCopier.h"

namespace clipreel {

// A video sample table: one entry per kept frame, each frame its own chunk.
class VideoMediaSampleTableAtomCopier : public MediaSampleTableAtomCopier {
public:
    using MediaSampleTableAtomCopier::MediaSampleTableAtomCopier;
    ~VideoMediaSampleTableAtomCopier() override;

    std::uint32_t copyTimeToSample(ByteWriter& dst, ByteReader& src) override;
    // Every kept frame that was a sync sample in its source; nothing when the
    // source table has no 'stss'.
    std::uint32_t copySyncSample(ByteWriter& dst, ByteReader& src) override;
    std::uint32_t copySampleSize(ByteWriter& dst, ByteReader& src) override;
    std::uint32_t copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) override;
    std::uint32_t copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) override;
};

}

#endif
