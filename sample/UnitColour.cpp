#include "sample/SampleMovieWriter.h"

#include <cmath>

namespace clipreel {
namespace sample {

// Hues a golden angle apart: neighbouring units never look alike, and the
// first dozen are far apart from each other.
void UnitColour(unsigned unitIndex, std::uint8_t rgb[3]) {
    const double hue = std::fmod(unitIndex * 137.50776405003785, 360.0) / 60.0;
    const double value = 0.9;
    const double saturation = 0.85;
    const double chroma = value * saturation;
    const double x = chroma * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
    double r = 0;
    double g = 0;
    double b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = chroma; g = x; break;
    case 1: r = x; g = chroma; break;
    case 2: g = chroma; b = x; break;
    case 3: g = x; b = chroma; break;
    case 4: r = x; b = chroma; break;
    default: r = chroma; b = x; break;
    }
    const double floor = value - chroma;
    rgb[0] = static_cast<std::uint8_t>(std::lround((r + floor) * 255.0));
    rgb[1] = static_cast<std::uint8_t>(std::lround((g + floor) * 255.0));
    rgb[2] = static_cast<std::uint8_t>(std::lround((b + floor) * 255.0));
}

}
}
