#include "MovieFrames.h"

#include "editor/FrameGrabberPool.h"
#include "editor/ThumbnailMaker.h"
#include "platform/Image.h"
#include "platform/JpegEncoder.h"

#include <cstdlib>
#include <memory>

CMovieFrames::CMovieFrames(const FileLocator& movie) : grabbers(std::make_unique<clipreel::FrameGrabberPool>(movie)) {}

CMovieFrames::~CMovieFrames() = default;

std::int64_t CMovieFrames::FrameMiddleTime(unsigned frame, std::int32_t timeScale, std::int32_t frameDuration) {
    return clipreel::FrameMiddleTime(frame, timeScale, frameDuration);
}

bool CMovieFrames::GrabThumbnail(std::int64_t time, CRgbPicture& picture) const {
    picture = CRgbPicture();
    if (time < 0) return false;
    clipreel::platform::Image image;
    if (clipreel::Failed(grabbers->GrabThumbnail(time, image)) || image.IsEmpty()) return false;
    picture.width = image.width;
    picture.height = image.height;
    picture.pixels = std::move(image.pixels);
    return true;
}

bool CMovieFrames::EncodeJpeg(const CRgbPicture& picture, std::vector<std::uint8_t>& jpeg, int quality) {
    jpeg.clear();
    if (picture.width == 0 || picture.height == 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height * 3 ||
        quality < clipreel::platform::MinimumJpegQuality || quality > clipreel::platform::MaximumJpegQuality) {
        return false;
    }
    clipreel::platform::Image image;
    image.width = picture.width;
    image.height = picture.height;
    image.pixels = picture.pixels;
    const clipreel::HResult result = clipreel::platform::encodeJpeg(image, jpeg, quality);
    if (clipreel::Failed(result) || jpeg.empty()) {
        jpeg.clear();
        return false;
    }
    return true;
}
