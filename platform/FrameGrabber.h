#ifndef CLIPREEL_PLATFORM_FRAME_GRABBER_H
#define CLIPREEL_PLATFORM_FRAME_GRABBER_H

#include "platform/HResult.h"
#include "platform/Image.h"

#include <cstdint>

namespace clipreel {
namespace platform {

// Decodes the video frame shown at time (100-nanosecond units from the
// movie's start) of the movie file at sourcePath into image: the decoder
// seeks to the key frame at or before that time and decodes forward to the
// frame whose presentation interval holds it (the last frame when time lies
// past the end). A negative result leaves image empty.
HResult grabMovieFrame(const wchar_t* sourcePath, std::int64_t time, Image& image);

}
}

#endif
