#ifndef CLIPREEL_PLATFORM_IMAGE_SCALER_H
#define CLIPREEL_PLATFORM_IMAGE_SCALER_H

#include "platform/HResult.h"
#include "platform/Image.h"

namespace clipreel {
namespace platform {

constexpr unsigned ThumbnailWidth = 160;
constexpr unsigned ThumbnailHeight = 120;
// A 16:9 frame is drawn into the band of rows 15 to 104 (160 x 90) and the
// rows above and below stay black.
constexpr unsigned WideBandTop = 15;
constexpr unsigned WideBandHeight = 90;

// Whether the frame is drawn into the 16:9 band: its height is exactly
// (width / 16) * 9, with integer division.
inline bool IsWideFrame(unsigned width, unsigned height) { return height == (width / 16) * 9; }

// Makes destination a black 160 x 120 picture and draws the whole source
// into it with an area-averaging filter: into the 16:9 band for a wide
// frame, else over the whole picture. E_FAIL for an empty source or a
// failed scale.
HResult scaleToThumbnail(const Image& source, Image& destination);

}
}

#endif
