#ifndef CLIPREEL_SAMPLE_H264_ENCODER_H
#define CLIPREEL_SAMPLE_H264_ENCODER_H

#include "sample/SampleMovieTypes.h"

#include <cstdint>
#include <vector>

namespace clipreel {
namespace sample {

// Coded frames as a QuickTime 'avc1' track stores them: length-prefixed NAL
// units, with the decoder configuration record for 'avcC'.
struct EncodedVideo {
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> keyFrames;  // 1 for an IDR frame
    std::vector<std::uint8_t> avcC;
};

// Whether libavcodec with its libx264 encoder is in this build.
bool H264EncoderAvailable();

// Encodes frameCount frames of spec's size and rate: frame i shows unit
// i ÷ framesPerUnit in its colour with its number; closed GOPs of
// groupOfPicture frames, an IDR frame at each GOP and unit start, no
// B-frames. Throws std::runtime_error when the encoder fails.
EncodedVideo EncodeH264Frames(const SampleMovieSpec& spec, unsigned frameCount);

}
}

#endif
