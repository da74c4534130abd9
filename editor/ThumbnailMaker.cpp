#include "editor/ThumbnailMaker.h"

#include "editor/JpegImageData.h"
#include "platform/FrameGrabber.h"
#include "platform/ImageScaler.h"
#include "platform/JpegEncoder.h"

#include <cmath>
#include <cstdlib>

namespace clipreel {

namespace {

// The qualities tried, best first, when a thumbnail must be made smaller.
constexpr int FittingQualities[] = {platform::DefaultJpegQuality, 65, 55, 45, 35, 25, 15, 10, 5,
                                    platform::MinimumJpegQuality};

}

std::int64_t FrameMiddleTime(unsigned frame, std::int32_t timeScale, std::int32_t frameDuration) {
    if (timeScale <= 0 || frameDuration <= 0) return 0;
    const double framesPerSecond = static_cast<double>(timeScale) / static_cast<double>(frameDuration);
    const double time = (static_cast<double>(frame) + 0.5) * 10000000.0 / framesPerSecond;
    return static_cast<std::int64_t>(std::trunc(time));
}

HResult makeThumbnailImage(const wchar_t* sourcePath, std::int64_t time, platform::Image& thumbnail) {
    thumbnail = platform::Image();
    platform::Image frame;
    const HResult grabbed = platform::grabMovieFrame(sourcePath, time, frame);
    if (Failed(grabbed)) return grabbed;
    const HResult scaled = platform::scaleToThumbnail(frame, thumbnail);
    if (Failed(scaled)) thumbnail = platform::Image();
    return scaled;
}

HResult makeThumbnailFromMovie(const wchar_t* sourcePath, std::int64_t time, void** jpeg, unsigned* jpegSize) {
    if (jpeg == nullptr || jpegSize == nullptr) return HResultPointer;
    *jpeg = nullptr;
    *jpegSize = 0;
    platform::Image thumbnail;
    const HResult made = makeThumbnailImage(sourcePath, time, thumbnail);
    if (Failed(made)) return made;
    return platform::encodeJpeg(jpeg, jpegSize, thumbnail);
}

HResult encodeThumbnailToFit(const platform::Image& thumbnail, unsigned room, void** jpeg, unsigned* jpegSize) {
    if (jpeg == nullptr || jpegSize == nullptr) return HResultPointer;
    *jpeg = nullptr;
    *jpegSize = 0;
    for (const int quality : FittingQualities) {
        void* encoded = nullptr;
        unsigned encodedSize = 0;
        const HResult result = platform::encodeJpeg(&encoded, &encodedSize, thumbnail, quality);
        if (Failed(result)) return result;
        unsigned imageData = 0;
        const bool found = findJpegImageData(encoded, encodedSize, &imageData) != nullptr;
        if (found && imageData <= room) {
            *jpeg = encoded;
            *jpegSize = encodedSize;
            return HResultOk;
        }
        std::free(encoded);
        // An encoding without image data does not get better at a lower quality.
        if (!found) return HResultFail;
    }
    return ThumbnailDoesNotFit;
}

}
