#ifndef CLIPREEL_EDITOR_THUMBNAIL_MAKER_H
#define CLIPREEL_EDITOR_THUMBNAIL_MAKER_H

#include "platform/HResult.h"
#include "platform/Image.h"

#include <cstdint>
#include <vector>

class CZentiMovFile;

namespace clipreel {

// The time, in 100-nanosecond units, of the middle of video frame `frame`
// of a movie whose frames last frameDuration in timeScale: (frame + 0.5) *
// 10,000,000 / (timeScale / frameDuration), in floating point, truncated.
// 0 when the time scale or frame duration is not positive.
std::int64_t FrameMiddleTime(unsigned frame, std::int32_t timeScale, std::int32_t frameDuration);

// The first two steps of a thumbnail: grabs the frame shown at time from
// the movie at sourcePath and scales it into a 160 x 120 picture.
HResult makeThumbnailImage(const wchar_t* sourcePath, std::int64_t time, platform::Image& thumbnail);
// The same from a movie already read: its tables lead the grab to the
// frame's own bytes.
HResult makeThumbnailImage(const CZentiMovFile& source, std::int64_t time, platform::Image& thumbnail);

// Grabs the frame shown at time (100-nanosecond units) from the movie at
// sourcePath and returns it as a new 160 x 120 JPEG at the encoder's default
// quality, in a buffer allocated with malloc that the caller frees with
// free. The outputs are null and 0 first and on every failure, which is the
// negative result of the first failing step.
HResult makeThumbnailFromMovie(const wchar_t* sourcePath, std::int64_t time, void** jpeg, unsigned* jpegSize);

// Encodes the thumbnail at the default quality and, while its image data
// (from its first table marker to its end) is longer than room bytes,
// again at ever lower qualities. The first encoding that fits is returned
// as makeThumbnailFromMovie returns it; ThumbnailDoesNotFit when even the
// lowest quality does not.
constexpr HResult ThumbnailDoesNotFit = static_cast<HResult>(0x8007007Au);  // ERROR_INSUFFICIENT_BUFFER
HResult encodeThumbnailToFit(const platform::Image& thumbnail, unsigned room, void** jpeg, unsigned* jpegSize);
// The same into a byte vector, emptied first and left empty on failure.
HResult encodeThumbnailToFit(const platform::Image& thumbnail, unsigned room, std::vector<std::uint8_t>& jpeg);

}

#endif
