#ifndef CLIPREEL_MOVIE_FRAMES_H
#define CLIPREEL_MOVIE_FRAMES_H

#include "ClipreelExport.h"
#include "FileLocator.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clipreel {
class FrameGrabberPool;
}

// An 8-bit RGB picture: rows top to bottom, width * 3 bytes each, no padding.
struct CLIPREEL_API CRgbPicture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> pixels;
};

// Pictures of a movie's frames for tools (contact sheets, previews), made
// with the same frame grab, 160 x 120 scaling and JPEG encoder as the
// thumbnail of a saved reel. The movie's tables are read at the first grab
// and its decoders kept open for the next, so grabs in series cost a decode
// each; grabs may come from several threads at once, each then decoding on
// a decoder of its own, up to one decoder per core (more threads wait their
// turn, which bounds the memory).
class CLIPREEL_API CMovieFrames {
public:
    enum { THUMBNAIL_WIDTH = 160, THUMBNAIL_HEIGHT = 120, DEFAULT_JPEG_QUALITY = 75 };

    explicit CMovieFrames(const FileLocator& movie);
    ~CMovieFrames();
    CMovieFrames(const CMovieFrames&) = delete;
    CMovieFrames& operator=(const CMovieFrames&) = delete;

    // The time, in 100-nanosecond units, of the middle of video frame
    // `frame` of a movie whose frames last frameDuration in timeScale; 0 when
    // either is not positive.
    static std::int64_t FrameMiddleTime(unsigned frame, std::int32_t timeScale, std::int32_t frameDuration);

    // The frame shown at time (100-nanosecond units), scaled into a 160 x 120
    // picture as a thumbnail is (a 16:9 frame in rows 15 to 104 over black).
    // False, with the picture emptied, when the frame cannot be decoded.
    bool GrabThumbnail(std::int64_t time, CRgbPicture& picture) const;

    // A baseline JPEG of the picture at quality 1 to 100. False, with jpeg
    // emptied, for an empty or inconsistent picture or a failed encoding.
    static bool EncodeJpeg(const CRgbPicture& picture, std::vector<std::uint8_t>& jpeg,
                           int quality = DEFAULT_JPEG_QUALITY);

private:
    std::unique_ptr<clipreel::FrameGrabberPool> grabbers;
};

#endif
