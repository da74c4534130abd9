#ifndef CLIPREEL_EDITOR_FRAME_GRABBER_POOL_H
#define CLIPREEL_EDITOR_FRAME_GRABBER_POOL_H

#include "FileLocator.h"
#include "platform/HResult.h"
#include "platform/Image.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CZentiMovFile;

namespace clipreel {

class MovieFrameGrabber;

// The frame grabbers of one movie for callers on any number of threads: a
// grab takes an idle grabber (its decoder still open from the last grab) or
// opens one, and puts it back after. At most as many are opened as the
// machine has cores; a caller beyond them waits for one to be put back, so
// the decoders' memory stays bounded however many threads ask (a server's
// pool, say). The movie's tables are read once, at the first grab.
class FrameGrabberPool {
public:
    explicit FrameGrabberPool(const FileLocator& moviePath);
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
    const std::size_t limit;
    std::mutex lock;
    std::condition_variable returned;
    std::unique_ptr<CZentiMovFile> file;  // read at the first grab
    std::vector<std::unique_ptr<MovieFrameGrabber>> idle;
    std::size_t opened = 0;
};

}

#endif
