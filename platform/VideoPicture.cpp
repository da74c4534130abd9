#include "platform/VideoPicture.h"

#include <algorithm>

namespace clipreel {
namespace platform {

namespace {

std::uint8_t Clamped(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// BT.601 video range to full-range RGB, in 8.8 fixed point: what FFmpeg's
// scaler gives the POSIX grab for frames that name no colour matrix.
void StoreRgb(int y, int cb, int cr, std::uint8_t* out) {
    const int luma = 298 * (y - 16);
    const int u = cb - 128;
    const int v = cr - 128;
    out[0] = Clamped((luma + 409 * v + 128) >> 8);
    out[1] = Clamped((luma - 100 * u - 208 * v + 128) >> 8);
    out[2] = Clamped((luma + 516 * u + 128) >> 8);
}

// Whether rows [0, rows) of rowBytes bytes each, pitch apart, lie in size.
bool RowsFit(std::size_t size, std::size_t pitch, std::size_t rows, std::size_t rowBytes) {
    if (rows == 0) return true;
    if (rowBytes > pitch || rowBytes > size) return false;
    return (rows - 1) <= (size - rowBytes) / pitch;
}

bool ShownAreaUsable(const VideoPictureView& view) {
    return view.data != nullptr && view.width != 0 && view.height != 0 && view.width % 2 == 0 &&
           view.height % 2 == 0 && view.left % 2 == 0 && view.top % 2 == 0 && view.pitch != 0;
}

}

bool ConvertNv12Picture(const VideoPictureView& view, Image& image) {
    image = Image();
    if (!ShownAreaUsable(view)) return false;
    const std::size_t right = std::size_t{view.left} + view.width;
    const std::size_t bottom = std::size_t{view.top} + view.height;
    if (bottom > view.codedHeight || right > view.pitch) return false;
    // The chroma plane follows codedHeight luma rows.
    const std::size_t lumaBytes = view.pitch * view.codedHeight;
    if (lumaBytes / view.pitch != view.codedHeight || lumaBytes > view.size) return false;
    if (!RowsFit(view.size, view.pitch, bottom, right)) return false;
    if (!RowsFit(view.size - lumaBytes, view.pitch, (bottom + 1) / 2, right)) return false;
    const std::uint8_t* luma = view.data;
    const std::uint8_t* chroma = view.data + lumaBytes;
    image.Reset(view.width, view.height);
    for (unsigned y = 0; y < view.height; ++y) {
        const std::uint8_t* lumaRow = luma + (view.top + y) * view.pitch + view.left;
        const std::uint8_t* chromaRow = chroma + ((view.top + y) / 2) * view.pitch + view.left;
        std::uint8_t* out = image.pixels.data() + y * image.Stride();
        for (unsigned x = 0; x < view.width; ++x) {
            const std::uint8_t* pair = chromaRow + (x & ~1U);
            StoreRgb(lumaRow[x], pair[0], pair[1], out + x * Image::BytesPerPixel);
        }
    }
    return true;
}

bool ConvertYuy2Picture(const VideoPictureView& view, Image& image) {
    image = Image();
    if (!ShownAreaUsable(view)) return false;
    const std::size_t right = (std::size_t{view.left} + view.width) * 2;
    const std::size_t bottom = std::size_t{view.top} + view.height;
    if (!RowsFit(view.size, view.pitch, bottom, right)) return false;
    image.Reset(view.width, view.height);
    for (unsigned y = 0; y < view.height; ++y) {
        const std::uint8_t* row = view.data + (view.top + y) * view.pitch + std::size_t{view.left} * 2;
        std::uint8_t* out = image.pixels.data() + y * image.Stride();
        for (unsigned x = 0; x < view.width; ++x) {
            const std::uint8_t* group = row + (x & ~1U) * 2;  // Y0 Cb Y1 Cr
            StoreRgb(group[(x & 1U) * 2], group[1], group[3], out + x * Image::BytesPerPixel);
        }
    }
    return true;
}

}
}
