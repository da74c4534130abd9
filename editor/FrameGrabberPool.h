#ifndef CLIPREEL_EDITOR_FRAME_GRABBER_POOL_H
#define CLIPREEL_EDITOR_FRAME_GRABBER_POOL_H

#include "FileLocator.h"
#include "platform/HResult.h"
#include "platform/Image.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CZentiMovFile;

namespace clipreel {

class MovieFrameGrabber;

// The frame grabbers of one movie for callers on any number of threads: a
// grab takes an idle grabber (its decoder still open from the last grab) or
// opens one, and puts it back after. At most as many stay open as the
// machine has cores, which bounds the decoders' memory when the callers are
// more. The movie's tables are read once, at the first grab.
class FrameGrabberPool {
public:
    explicit FrameGrabberPool(const FileLocator& movie);
    ~FrameGrabberPool();
    FrameGrabberPool(const FrameGrabberPool&) = delete;
    FrameGrabberPool& operator=(const FrameGrabberPool&) = delete;

    // As MovieFrameGrabber::GrabThumbnail; safe to call from several threads
    // at once.
    HResult GrabThumbnail(std::int64_t time, platform::Image& thumbnail);

private:
    std::unique_ptr<MovieFrameGrabber> Take();
    void Give(std::unique_ptr<MovieFrameGrabber> grabber);

    const FileLocator movie;
    std::mutex lock;
    std::unique_ptr<CZentiMovFile> file;  // read at the first grab
    std::vector<std::unique_ptr<MovieFrameGrabber>> idle;
    const std::size_t idleLimit;
};

}

#endif
