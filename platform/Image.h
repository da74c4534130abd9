#ifndef CLIPREEL_PLATFORM_IMAGE_H
#define CLIPREEL_PLATFORM_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clipreel {
namespace platform {

// A decoded picture: 8-bit RGB triples, rows top to bottom with no padding
// between them (a row is width * 3 bytes).
struct Image {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> pixels;

    static constexpr unsigned BytesPerPixel = 3;

    std::size_t Stride() const { return static_cast<std::size_t>(width) * BytesPerPixel; }
    bool IsEmpty() const { return width == 0 || height == 0; }
    // Sized and filled with black.
    void Reset(unsigned newWidth, unsigned newHeight) {
        width = newWidth;
        height = newHeight;
        pixels.assign(Stride() * height, 0);
    }
    // Null when x or y lies outside the picture.
    const std::uint8_t* Pixel(unsigned x, unsigned y) const {
        if (x >= width || y >= height) return nullptr;
        return pixels.data() + static_cast<std::size_t>(y) * Stride() + static_cast<std::size_t>(x) * BytesPerPixel;
    }
};

}
}

#endif
