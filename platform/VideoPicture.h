#ifndef CLIPREEL_PLATFORM_VIDEO_PICTURE_H
#define CLIPREEL_PLATFORM_VIDEO_PICTURE_H

#include "platform/Image.h"

#include <cstddef>
#include <cstdint>

namespace clipreel {
namespace platform {

// A decoder's picture as the system hands it out, in the video range of
// BT.601 (luma 16-235), which the camera's and the sample writer's H.264
// frames use. Rows are pitch bytes apart; (left, top) is the first shown
// sample and width x height the shown size.
struct VideoPictureView {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;      // bytes at data
    std::size_t pitch = 0;     // bytes from one row to the next
    unsigned codedHeight = 0;  // rows of the luma plane, padding included (NV12)
    unsigned left = 0;
    unsigned top = 0;
    unsigned width = 0;
    unsigned height = 0;
};

// NV12: a luma plane of codedHeight rows, then one plane of interleaved Cb
// and Cr samples at half the size each way. False, image left empty, when
// the view does not fit in its bytes or shows an odd or empty area.
bool ConvertNv12Picture(const VideoPictureView& view, Image& image);

// YUY2: one plane of Y0 Cb Y1 Cr groups, chroma at half width.
bool ConvertYuy2Picture(const VideoPictureView& view, Image& image);

}
}

#endif
