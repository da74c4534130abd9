#ifndef CLIPREEL_SAMPLE_UNIT_PICTURE_H
#define CLIPREEL_SAMPLE_UNIT_PICTURE_H

#include <cstdint>
#include <vector>

namespace clipreel {
namespace sample {

// One 4:2:0 picture (planar Y, Cb, Cr; chroma at half size, rounded up).
struct Picture420 {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> y;
    std::vector<std::uint8_t> cb;
    std::vector<std::uint8_t> cr;
    unsigned ChromaWidth() const { return (width + 1) / 2; }
    unsigned ChromaHeight() const { return (height + 1) / 2; }
};

// Paints frame frameInUnit of unit unitIndex: the unit's colour, its number
// in large block digits, and a small square that moves from frame to frame.
void PaintUnitPicture(unsigned unitIndex, unsigned frameInUnit, Picture420& picture);

}
}

#endif
