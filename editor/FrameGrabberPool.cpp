#include "editor/FrameGrabberPool.h"

#include "ZentiMovFile.h"
#include "editor/MovieFrameGrabber.h"
#include "editor/ThumbnailMaker.h"

#include <algorithm>
#include <thread>

namespace clipreel {

FrameGrabberPool::FrameGrabberPool(const FileLocator& movie_)
    : movie(movie_), idleLimit(std::max(1u, std::thread::hardware_concurrency())) {}

FrameGrabberPool::~FrameGrabberPool() = default;

std::unique_ptr<MovieFrameGrabber> FrameGrabberPool::Take() {
    const std::lock_guard<std::mutex> guard(lock);
    if (!file) file = std::make_unique<CZentiMovFile>(movie);
    if (!idle.empty()) {
        std::unique_ptr<MovieFrameGrabber> grabber = std::move(idle.back());
        idle.pop_back();
        return grabber;
    }
    const CZentiMovie* parsed = file->GetZentiMovie();
    if (!file->IsValid() || parsed == nullptr) return nullptr;
    // Its decoder opens at its first grab, outside the lock.
    return std::make_unique<MovieFrameGrabber>(*parsed, movie);
}

void FrameGrabberPool::Give(std::unique_ptr<MovieFrameGrabber> grabber) {
    const std::lock_guard<std::mutex> guard(lock);
    if (idle.size() < idleLimit) idle.push_back(std::move(grabber));
}

HResult FrameGrabberPool::GrabThumbnail(std::int64_t time, platform::Image& thumbnail) {
    std::unique_ptr<MovieFrameGrabber> grabber = Take();
    // A file the library cannot read as a movie is left to the system's
    // reading.
    if (!grabber) return makeThumbnailImage(movie, time, thumbnail);
    const HResult result = grabber->GrabThumbnail(time, thumbnail);
    Give(std::move(grabber));
    return result;
}

}
