#ifndef CLIPREEL_SAMPLE_MOVIE_PLAN_H
#define CLIPREEL_SAMPLE_MOVIE_PLAN_H

#include "sample/SampleMovieTypes.h"

#include <cstdint>
#include <vector>

namespace clipreel {
namespace sample {

// Everything the movie atom states about a sample movie, settled before a
// byte of it is written: frame sizes and key frames, sound chunks, and the
// absolute offsets of every frame and chunk in the final file.
struct MoviePlan {
    SampleMovieSpec spec;
    RecordKind recordKind = RecordKind::Short;
    bool h264 = false;
    std::vector<std::uint8_t> avcC;            // the decoder configuration of real H.264

    unsigned totalFrames = 0;                  // whole units' frames plus the extra ones
    std::vector<std::uint32_t> frameSizes;
    std::vector<std::uint8_t> keyFrames;       // 1 for a sync sample
    std::vector<std::uint64_t> frameOffsets;

    std::uint32_t soundSamplesPerUnit = 0;     // 0 without sound
    std::uint32_t soundBytesPerFrame = 0;
    std::vector<std::uint32_t> soundChunkSamples;  // one per whole unit
    std::vector<std::uint64_t> soundOffsets;

    std::uint64_t fileSize = 0;
    std::vector<std::uint8_t> thumbnailImage;  // the JPEG put behind the Exif segment

    bool HasSound() const { return spec.sound.present; }
    std::uint64_t TotalSoundSamples() const;
    std::uint64_t VideoDuration() const { return static_cast<std::uint64_t>(totalFrames) * spec.frameDuration; }
};

// The 'moov' atom of the plan; thumbnailOffset receives the offset of the
// 'ZTDA' payload inside it (0 without a thumbnail), thumbnailLayout where
// the record lies inside the thumbnail.
std::vector<std::uint8_t> BuildMovieAtom(const MoviePlan& plan, std::size_t* thumbnailOffset,
                                         std::vector<std::uint8_t>* thumbnail, ThumbnailLayout* thumbnailLayout);

}
}

#endif
