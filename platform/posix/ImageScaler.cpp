#include "platform/ImageScaler.h"

#include "platform/posix/FFmpegLibraries.h"

#include <memory>

namespace clipreel {
namespace platform {

namespace {

// Draws the whole source into the band of destination that starts at row
// top and is bandHeight rows high, averaging the source pixels each
// destination pixel covers.
bool DrawInto(const FFmpegLibraries& ff, const Image& source, Image& destination, unsigned top, unsigned bandHeight) {
    std::unique_ptr<SwsContext, ScalerFree> scaler(ff.sws_getContext(
        static_cast<int>(source.width), static_cast<int>(source.height), AV_PIX_FMT_RGB24,
        static_cast<int>(destination.width), static_cast<int>(bandHeight), AV_PIX_FMT_RGB24, SWS_AREA, nullptr,
        nullptr, nullptr),
        ScalerFree{&ff});
    if (!scaler) return false;
    const uint8_t* const sourcePlanes[1] = {source.pixels.data()};
    const int sourceStrides[1] = {static_cast<int>(source.Stride())};
    uint8_t* const destinationPlanes[1] = {destination.pixels.data() + top * destination.Stride()};
    const int destinationStrides[1] = {static_cast<int>(destination.Stride())};
    const int rows = ff.sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, static_cast<int>(source.height),
                               destinationPlanes, destinationStrides);
    return rows == static_cast<int>(bandHeight);
}

}

HResult scaleToThumbnail(const Image& source, Image& destination) {
    destination.Reset(ThumbnailWidth, ThumbnailHeight);
    if (source.IsEmpty() || source.pixels.size() != source.Stride() * source.height) return HResultFail;
    // swscale takes int dimensions and strides.
    if (source.width > 0x7FFFFFFFu / Image::BytesPerPixel || source.height > 0x7FFFFFFFu) return HResultFail;
    const FFmpegLibraries* ff = LoadFFmpegCodecs();
    if (ff == nullptr) return HResultFail;
    const bool wide = IsWideFrame(source.width, source.height);
    const bool drawn = wide ? DrawInto(*ff, source, destination, WideBandTop, WideBandHeight)
                            : DrawInto(*ff, source, destination, 0, ThumbnailHeight);
    if (!drawn) {
        destination.Reset(ThumbnailWidth, ThumbnailHeight);
        return HResultFail;
    }
    return HResultOk;
}

}
}
