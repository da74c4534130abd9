#ifndef CLIPREEL_SAMPLE_PCM_H264_STREAM_H
#define CLIPREEL_SAMPLE_PCM_H264_STREAM_H

#include "sample/UnitPicture.h"

#include <cstdint>
#include <vector>

namespace clipreel {
namespace sample {

// The simplest H.264 stream any decoder plays: Baseline profile, key frames
// that carry their pictures uncoded (every macroblock I_PCM), and between
// them P frames whose macroblocks are all skipped, so they repeat the key
// frame. It lets builds without an H.264 encoder (the Windows build) write
// sample movies with real frames for their decoders to grab. Pictures of
// odd width or height are not supported.
class PcmH264Stream {
public:
    // Throws std::invalid_argument for an empty or odd-sized picture.
    PcmH264Stream(unsigned width, unsigned height);

    // Sequence and picture parameter sets, without start codes.
    const std::vector<std::uint8_t>& SequenceParameterSet() const { return sequenceParameterSet; }
    const std::vector<std::uint8_t>& PictureParameterSet() const { return pictureParameterSet; }

    // One IDR frame showing picture, as one NAL unit without start code.
    std::vector<std::uint8_t> KeyFrame(const Picture420& picture);
    // One P frame repeating the frame before it.
    std::vector<std::uint8_t> RepeatFrame();

private:
    unsigned widthInBlocks;
    unsigned heightInBlocks;
    unsigned frameNumber = 0;  // frame_num of the next frame
    unsigned keyFrames = 0;    // idr_pic_id of the next key frame
    std::vector<std::uint8_t> sequenceParameterSet;
    std::vector<std::uint8_t> pictureParameterSet;
};

}
}

#endif
