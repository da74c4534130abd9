#include "platform/JpegEncoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <turbojpeg.h>

namespace clipreel {
namespace platform {

namespace {

struct CompressorCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct TurboBufferFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

}

HResult encodeJpeg(void** jpeg, unsigned* jpegSize, const Image& image, int quality) {
    if (jpeg == nullptr || jpegSize == nullptr) return HResultPointer;
    *jpeg = nullptr;
    *jpegSize = 0;
    if (image.IsEmpty() || image.pixels.size() != image.Stride() * image.height) return HResultInvalidArg;
    if (quality < MinimumJpegQuality || quality > MaximumJpegQuality) return HResultInvalidArg;
    // A JPEG frame header holds 16-bit dimensions.
    if (image.width > 0xFFFFu || image.height > 0xFFFFu) return HResultInvalidArg;

    std::unique_ptr<void, CompressorCloser> compressor(tjInitCompress());
    if (!compressor) return HResultFail;

    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    // 4:2:0 sampling and the integer DCT are libjpeg's own defaults; the
    // result is a baseline JFIF stream.
    const int status = tjCompress2(compressor.get(), image.pixels.data(), static_cast<int>(image.width), 0,
                                   static_cast<int>(image.height), TJPF_RGB, &encoded, &encodedSize, TJSAMP_420,
                                   quality, 0);
    std::unique_ptr<unsigned char, TurboBufferFree> owned(encoded);
    if (status != 0 || encoded == nullptr || encodedSize == 0 || encodedSize > 0xFFFFFFFFul) return HResultFail;

    void* result = std::malloc(encodedSize);
    if (result == nullptr) return HResultOutOfMemory;
    std::memcpy(result, encoded, encodedSize);
    *jpeg = result;
    *jpegSize = static_cast<unsigned>(encodedSize);
    return HResultOk;
}

}
}
