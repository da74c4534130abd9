#ifndef CLIPREEL_SAMPLE_SOLID_COLOUR_JPEG_H
#define CLIPREEL_SAMPLE_SOLID_COLOUR_JPEG_H

#include <cstdint>
#include <vector>

namespace clipreel {
namespace sample {

// A baseline JPEG (SOI, JFIF APP0, DQT, SOF0, DHT, SOS, EOI) of one flat
// colour. Needs no codec library, so both platforms can paint a thumbnail in
// a unit's colour. width and height must be 1 to 65535.
std::vector<std::uint8_t> EncodeSolidColourJpeg(unsigned width, unsigned height, const std::uint8_t rgb[3]);

}
}

#endif
