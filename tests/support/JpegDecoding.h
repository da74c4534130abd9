#ifndef CLIPREEL_TESTS_SUPPORT_JPEG_DECODING_H
#define CLIPREEL_TESTS_SUPPORT_JPEG_DECODING_H

#include "platform/Image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clipreel {
namespace test {

// Decodes a whole JPEG with a decoder independent of the library's encoder
// path (libjpeg-turbo's decompressor; WIC's decoder on Windows). False when
// it cannot be decoded.
bool DecodeJpeg(const void* jpeg, std::size_t size, platform::Image& image);

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
};

// The mean colour of the rows [top, bottom) over the whole width.
Colour AverageRows(const platform::Image& image, unsigned top, unsigned bottom);

// The largest difference of one channel between the two colours.
double ColourDistance(const Colour& a, const std::uint8_t rgb[3]);
double ColourDistance(const Colour& a, const Colour& b);

// The markers of the segments before the scan, in order (FF D8 excluded).
std::vector<std::uint16_t> JpegMarkers(const std::vector<std::uint8_t>& jpeg);

}
}

#endif
