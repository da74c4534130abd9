#include "platform/VideoDecoder.h"

#include <utility>

namespace clipreel {
namespace platform {

// Media Foundation reads the movie itself (grabMovieFrame): no decoder here
// takes a movie's stored frames.
struct VideoDecoder::Codec {};

std::unique_ptr<VideoDecoder> VideoDecoder::Open(const VideoCoding&) { return nullptr; }

VideoDecoder::VideoDecoder(std::unique_ptr<Codec> opened) : codec(std::move(opened)) {}

VideoDecoder::~VideoDecoder() = default;

HResult VideoDecoder::DecodeLast(std::size_t, const CodedFrameReader&, Picture, Image& image) {
    image = Image();
    return HResultNotImplemented;
}

}
}
