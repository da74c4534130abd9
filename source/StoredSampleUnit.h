#ifndef CLIPREEL_SOURCE_STORED_SAMPLE_UNIT_H
#define CLIPREEL_SOURCE_STORED_SAMPLE_UNIT_H

#include "FrameRateInfo.h"

#include <cstdint>

namespace clipreel {

struct VideoFormat {
    bool valid = false;
    CFrameRateInfo2 frameRate;
    std::uint32_t groupOfPicture = 0;  // frames per group of pictures, a 16-bit value
};

// The shape of one stored sample unit of a camera movie: a fixed number of
// consecutive video frames (each its own chunk) and, with sound in the same
// file, one sound chunk of the same stretch of time, stored sound first.
class CStoredSampleUnit2 {
public:
    bool valid = false;
    std::uint32_t creatorVersion = 0;
    VideoFormat videoFormat;
    std::uint32_t framesPerUnit = 0;       // a 16-bit value, never 0 in a valid unit
    std::uint32_t soundSamplesPerUnit = 0; // 0 without sound in the movie's own file
};

}

#endif
