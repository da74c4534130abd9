#ifndef CLIPREEL_EDITOR_MOVIE_FRAME_GRABBER_H
#define CLIPREEL_EDITOR_MOVIE_FRAME_GRABBER_H

#include "FileLocator.h"
#include "file/FileReader.h"
#include "platform/HResult.h"
#include "platform/Image.h"
#include "platform/VideoDecoder.h"

#include <cstdint>
#include <memory>
#include <vector>

class CZentiMovie;

namespace clipreel {

// Grabs frames of one movie for as long as it lives, in series: the movie's
// tables say where every frame lies and which are key frames, so a grab
// reads the frames from the key frame at or before the one wanted up to it
// and hands their bytes to a decoder kept open between grabs. Where no such
// decoder exists (a system that decodes through its own reading of the
// file, an unknown coding) or the stored frames do not decode, the grab
// falls back to the system's reading of the file. The movie must outlive
// the grabber. One thread at a time.
class MovieFrameGrabber {
public:
    MovieFrameGrabber(const CZentiMovie& parsed, const FileLocator& locator);
    ~MovieFrameGrabber();
    MovieFrameGrabber(const MovieFrameGrabber&) = delete;
    MovieFrameGrabber& operator=(const MovieFrameGrabber&) = delete;

    // The video frame shown at time (100-nanosecond units from the movie's
    // start; the last frame past the end), full size, as grabMovieFrame
    // gives it.
    HResult Grab(std::int64_t time, platform::Image& frame);
    // The same frame as a 160 x 120 thumbnail, as scaleToThumbnail makes it.
    HResult GrabThumbnail(std::int64_t time, platform::Image& thumbnail);

private:
    using Picture = platform::VideoDecoder::Picture;
    HResult GrabPicture(std::int64_t time, Picture picture, platform::Image& image);
    bool GrabStored(unsigned wanted, Picture picture, platform::Image& image);
    unsigned KeyFrameAtOrBefore(unsigned wanted) const;
    bool ReadFrame(unsigned index, platform::CodedFrame& bytes);

    const CZentiMovie& movie;
    FileLocator path;
    FileReader reader;
    platform::VideoCoding coding;
    std::unique_ptr<platform::VideoDecoder> decoder;
    bool decoderTried = false;
    std::vector<std::uint32_t> keyFrames;  // 0-based, ascending; empty: none listed
    unsigned groupLength = 0;              // frames from one key frame to the next when none are listed
};

}

#endif
