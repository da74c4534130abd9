#include "platform/JpegEncoder.h"

#include <memory>
#include <new>
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

HResult encodeJpeg(const Image& image, std::vector<std::uint8_t>& jpeg, int quality) {
    jpeg.clear();
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

    try {
        jpeg.assign(encoded, encoded + encodedSize);
    } catch (const std::bad_alloc&) {
        return HResultOutOfMemory;
    }
    return HResultOk;
}

}
}
