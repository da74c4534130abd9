#ifndef CLIPREEL_PLATFORM_POSIX_RGB_CONVERTER_H
#define CLIPREEL_PLATFORM_POSIX_RGB_CONVERTER_H

#include "platform/Image.h"
#include "platform/posix/FFmpegLibraries.h"

namespace clipreel {
namespace platform {

// Turns decoded frames into RGB pictures: full size, or the 160 x 120
// thumbnail scaleToThumbnail makes (averaged straight from the decoder's
// planes, which is the same picture but for rounding). The scaling context
// is kept from one frame to the next while their size and format stay.
class RgbConverter {
public:
    explicit RgbConverter(const FFmpegLibraries& ff) : ffmpeg(ff) {}
    ~RgbConverter();
    RgbConverter(const RgbConverter&) = delete;
    RgbConverter& operator=(const RgbConverter&) = delete;

    bool Convert(const AVFrame* frame, Image& image);
    bool ConvertToThumbnail(const AVFrame* frame, Image& thumbnail);

private:
    const FFmpegLibraries& ffmpeg;
    bool Scale(const AVFrame* frame, int width, int height, int flags, std::uint8_t* pixels, std::size_t stride);

    SwsContext* scaler = nullptr;
};

}
}

#endif
