#include "platform/posix/RgbConverter.h"

#include "platform/ImageScaler.h"

namespace clipreel {
namespace platform {

RgbConverter::~RgbConverter() {
    if (scaler != nullptr) ffmpeg.sws_freeContext(scaler);
}

bool RgbConverter::Scale(const AVFrame* frame, int width, int height, int flags, std::uint8_t* pixels,
                         std::size_t stride) {
    if (frame->width <= 0 || frame->height <= 0) return false;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    // The cached context is freed by the call when it no longer fits.
    scaler = ffmpeg.sws_getCachedContext(scaler, frame->width, frame->height, format, width, height, AV_PIX_FMT_RGB24,
                                         flags, nullptr, nullptr, nullptr);
    if (scaler == nullptr) return false;
    uint8_t* const planes[1] = {pixels};
    const int strides[1] = {static_cast<int>(stride)};
    const int rows = ffmpeg.sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    return rows == height;
}

bool RgbConverter::Convert(const AVFrame* frame, Image& image) {
    if (frame->width <= 0 || frame->height <= 0) return false;
    image.Reset(static_cast<unsigned>(frame->width), static_cast<unsigned>(frame->height));
    return Scale(frame, frame->width, frame->height, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                 image.pixels.data(), image.Stride());
}

bool RgbConverter::ConvertToThumbnail(const AVFrame* frame, Image& thumbnail) {
    if (frame->width <= 0 || frame->height <= 0) return false;
    thumbnail.Reset(ThumbnailWidth, ThumbnailHeight);
    const bool wide = IsWideFrame(static_cast<unsigned>(frame->width), static_cast<unsigned>(frame->height));
    const unsigned top = wide ? WideBandTop : 0;
    const unsigned height = wide ? WideBandHeight : ThumbnailHeight;
    return Scale(frame, static_cast<int>(ThumbnailWidth), static_cast<int>(height),
                 SWS_AREA | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, thumbnail.pixels.data() + top * thumbnail.Stride(),
                 thumbnail.Stride());
}

}
}
