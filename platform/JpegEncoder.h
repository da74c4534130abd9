#ifndef CLIPREEL_PLATFORM_JPEG_ENCODER_H
#define CLIPREEL_PLATFORM_JPEG_ENCODER_H

#include "platform/HResult.h"
#include "platform/Image.h"

namespace clipreel {
namespace platform {

// The encoder's own default quality (libjpeg's 75; WIC's 0.75).
constexpr int DefaultJpegQuality = 75;
constexpr int MinimumJpegQuality = 1;
constexpr int MaximumJpegQuality = 100;

// Encodes image as a baseline JPEG at quality (1 to 100) into a new buffer
// allocated with malloc; the caller frees it with free. The outputs are set
// to null and 0 first; E_OUTOFMEMORY when the buffer cannot be allocated,
// another negative result when the image cannot be encoded.
HResult encodeJpeg(void** jpeg, unsigned* jpegSize, const Image& image, int quality = DefaultJpegQuality);

}
}

#endif
