#ifndef CLIPREEL_PLATFORM_JPEG_ENCODER_H
#define CLIPREEL_PLATFORM_JPEG_ENCODER_H

#include "platform/HResult.h"
#include "platform/Image.h"

#include <cstdint>
#include <vector>

namespace clipreel {
namespace platform {

// The encoder's own default quality (libjpeg's 75; WIC's 0.75).
constexpr int DefaultJpegQuality = 75;
constexpr int MinimumJpegQuality = 1;
constexpr int MaximumJpegQuality = 100;

// Encodes image as a baseline JPEG at quality (1 to 100) into jpeg, which is
// emptied first and stays empty on failure: E_OUTOFMEMORY when the bytes
// cannot be held, another negative result when the image cannot be encoded.
// An encoding fits the 32-bit sizes the movie's records use.
HResult encodeJpeg(const Image& image, std::vector<std::uint8_t>& jpeg, int quality = DefaultJpegQuality);

}
}

#endif
