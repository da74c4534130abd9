#include "editor/FrameGrabberPool.h"

#include "ZentiMovFile.h"
#include "editor/MovieFrameGrabber.h"
#include "editor/ThumbnailMaker.h"

#include <algorithm>
#include <thread>

namespace clipreel {

FrameGrabberPool::FrameGrabberPool(const FileLocator& moviePath)
    : movie(moviePath), limit(std::max(1u, std::thread::hardware_concurrency())) {}

FrameGrabberPool::~FrameGrabberPool() = default;

std::unique_ptr<MovieFrameGrabber> FrameGrabberPool::Take() {
    std::unique_lock<std::mutex> guard(lock);
    if (!file) file = std::make_unique<CZentiMovFile>(movie);
    const CZentiMovie* parsed = file->GetZentiMovie();
    if (!file->IsValid() || parsed == nullptr) return nullptr;
    returned.wait(guard, [this] { return !idle.empty() || opened < limit; });
    if (!idle.empty()) {
        std::unique_ptr<MovieFrameGrabber> grabber = std::move(idle.back());
        idle.pop_back();
        return grabber;
    }
    ++opened;
    // Its decoder opens at its first grab, outside the lock.
    return std::make_unique<MovieFrameGrabber>(*parsed, movie);
}

void FrameGrabberPool::Give(std::unique_ptr<MovieFrameGrabber> grabber) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        idle.push_back(std::move(grabber));
    }
    returned.notify_one();
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
