#ifndef CLIPREEL_PLATFORM_VIDEO_DECODER_H
#define CLIPREEL_PLATFORM_VIDEO_DECODER_H

#include "platform/HResult.h"
#include "platform/Image.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace clipreel {
namespace platform {

// How a movie's video frames are coded, as its sample description says.
struct VideoCoding {
    std::uint32_t format = 0;  // the description's data format: 'avc1', 'jpeg'
    unsigned width = 0;
    unsigned height = 0;
    // What the decoder needs before the first frame: the body of 'avcC' for
    // 'avc1', nothing for 'jpeg'.
    std::vector<std::uint8_t> configuration;
};

// One coded frame as the movie stores it.
using CodedFrame = std::vector<std::uint8_t>;
// Fills frame with the stored bytes of frame `index` of a run (0 is its key
// frame); false when they cannot be read.
using CodedFrameReader = std::function<bool(std::size_t index, CodedFrame& frame)>;

// A decoder kept open for one movie and handed that movie's frames as their
// stored bytes, one run at a time: no file is opened or probed per frame.
// One run starts at a key frame and ends at the frame wanted. One thread at
// a time; a program that grabs on several threads keeps one decoder each.
class VideoDecoder {
public:
    // Null where this system decodes frames only through its own reading of
    // the file (grabMovieFrame is then the way), or for a coding it does not
    // decode.
    static std::unique_ptr<VideoDecoder> Open(const VideoCoding& coding);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // What a run's picture is made into: the frame as it is, or the 160 x 120
    // thumbnail that scaleToThumbnail would make of it, scaled straight from
    // the decoder's output (a full-size RGB picture is never made).
    enum class Picture { Frame, Thumbnail };

    // Decodes a run of count frames, read one at a time in stored order (the
    // first a key frame), and returns the picture of its last frame in image.
    // A negative result leaves image empty; the decoder is ready for the
    // next run either way.
    HResult DecodeLast(std::size_t count, const CodedFrameReader& read, Picture picture, Image& image);

private:
    // The system's decoder and what it keeps between runs.
    struct Codec;
    explicit VideoDecoder(std::unique_ptr<Codec> codec);
    std::unique_ptr<Codec> codec;
};

}
}

#endif
