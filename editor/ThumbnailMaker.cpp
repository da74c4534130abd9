#include "editor/ThumbnailMaker.h"

#include "editor/JpegImageData.h"
#include "file/DebugLog.h"
#include "platform/FrameGrabber.h"
#include "platform/ImageScaler.h"
#include "platform/JpegEncoder.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace clipreel {

namespace {

// The qualities tried, best first, when a thumbnail must be made smaller.
constexpr int FittingQualities[] = {platform::DefaultJpegQuality, 65, 55, 45, 35, 25, 15, 10, 5,
                                    platform::MinimumJpegQuality};

// Callers of the buffer-handing functions free what they get with free:
// the encoding is copied into a buffer from malloc.
HResult HandOut(const std::vector<std::uint8_t>& encoded, void** jpeg, unsigned* jpegSize) {
    void* buffer = std::malloc(encoded.size());
    if (buffer == nullptr) return HResultOutOfMemory;
    std::memcpy(buffer, encoded.data(), encoded.size());
    *jpeg = buffer;
    *jpegSize = static_cast<unsigned>(encoded.size());
    return HResultOk;
}

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
    if (Failed(grabbed)) {
        // The decoder's own result (a Media Foundation HRESULT on Windows)
        // tells why a movie that reads well shows no picture.
        WriteDebugLog("Frame grab Error : 0x%08X \n", static_cast<std::uint32_t>(grabbed));
        return grabbed;
    }
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
    std::vector<std::uint8_t> encoded;
    const HResult result = platform::encodeJpeg(thumbnail, encoded);
    if (Failed(result)) return result;
    return HandOut(encoded, jpeg, jpegSize);
}

HResult encodeThumbnailToFit(const platform::Image& thumbnail, unsigned room, std::vector<std::uint8_t>& jpeg) {
    jpeg.clear();
    for (const int quality : FittingQualities) {
        std::vector<std::uint8_t> encoded;
        const HResult result = platform::encodeJpeg(thumbnail, encoded, quality);
        if (Failed(result)) return result;
        unsigned imageData = 0;
        const bool found =
            findJpegImageData(encoded.data(), static_cast<unsigned>(encoded.size()), &imageData) != nullptr;
        if (found && imageData <= room) {
            jpeg.swap(encoded);
            return HResultOk;
        }
        // An encoding without image data does not get better at a lower quality.
        if (!found) return HResultFail;
    }
    return ThumbnailDoesNotFit;
}

HResult encodeThumbnailToFit(const platform::Image& thumbnail, unsigned room, void** jpeg, unsigned* jpegSize) {
    if (jpeg == nullptr || jpegSize == nullptr) return HResultPointer;
    *jpeg = nullptr;
    *jpegSize = 0;
    std::vector<std::uint8_t> encoded;
    const HResult result = encodeThumbnailToFit(thumbnail, room, encoded);
    if (Failed(result)) return result;
    return HandOut(encoded, jpeg, jpegSize);
}

}
