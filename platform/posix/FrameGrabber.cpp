#include "platform/FrameGrabber.h"

#include "platform/posix/FFmpegLibraries.h"
#include "platform/posix/WidePath.h"

#include <memory>
#include <string>

namespace clipreel {
namespace platform {

namespace {

// Decodes forward and keeps the last frame presented at or before target:
// the frame shown at that time. Frames leave the decoder in presentation
// order, so the first frame past target ends the search.
class FrameSearch {
public:
    FrameSearch(const FFmpegLibraries& ff, AVCodecContext* decoder, std::int64_t target)
        : ff_(ff), decoder_(decoder), target_(target), candidate_(nullptr, FrameFree{&ff}),
          scratch_(nullptr, FrameFree{&ff}) {}

    bool Init() {
        candidate_.reset(ff_.av_frame_alloc());
        scratch_.reset(ff_.av_frame_alloc());
        return candidate_ && scratch_;
    }
    bool done() const { return done_; }
    bool found() const { return found_; }
    AVFrame* frame() const { return candidate_.get(); }

    // Takes every frame the decoder has ready; false on a decoding failure.
    bool Drain() {
        while (!done_) {
            const int status = ff_.avcodec_receive_frame(decoder_, scratch_.get());
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return true;
            if (status < 0) return false;
            std::int64_t shown = scratch_->best_effort_timestamp;
            if (shown == AV_NOPTS_VALUE) shown = scratch_->pts;
            if (found_ && shown != AV_NOPTS_VALUE && shown > target_) {
                done_ = true;
                ff_.av_frame_unref(scratch_.get());
                return true;
            }
            ff_.av_frame_unref(candidate_.get());
            ff_.av_frame_move_ref(candidate_.get(), scratch_.get());
            found_ = true;
            // A first frame already past the time (a seek that overshot) is
            // the nearest there is.
            if (shown != AV_NOPTS_VALUE && shown > target_) done_ = true;
        }
        return true;
    }

private:
    const FFmpegLibraries& ff_;
    AVCodecContext* decoder_;
    std::int64_t target_;
    std::unique_ptr<AVFrame, FrameFree> candidate_;
    std::unique_ptr<AVFrame, FrameFree> scratch_;
    bool found_ = false;
    bool done_ = false;
};

bool ConvertToRgb(const FFmpegLibraries& ff, const AVFrame* frame, Image& image) {
    if (frame->width <= 0 || frame->height <= 0) return false;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    std::unique_ptr<SwsContext, ScalerFree> converter(ff.sws_getContext(
        frame->width, frame->height, format, frame->width, frame->height, AV_PIX_FMT_RGB24,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr),
        ScalerFree{&ff});
    if (!converter) return false;
    image.Reset(static_cast<unsigned>(frame->width), static_cast<unsigned>(frame->height));
    uint8_t* const planes[1] = {image.pixels.data()};
    const int strides[1] = {static_cast<int>(image.Stride())};
    const int rows = ff.sws_scale(converter.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return rows == frame->height;
}

HResult Grab(const FFmpegLibraries& ff, const std::string& path, std::int64_t time, Image& image) {
    AVFormatContext* opened = nullptr;
    if (ff.avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return HResultFail;
    std::unique_ptr<AVFormatContext, InputCloser> input(opened, InputCloser{&ff});
    if (ff.avformat_find_stream_info(input.get(), nullptr) < 0) return HResultFail;

    const AVCodec* codec = nullptr;
    const int streamIndex = ff.av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (streamIndex < 0 || codec == nullptr) return HResultFail;
    AVStream* stream = input->streams[streamIndex];

    std::unique_ptr<AVCodecContext, CodecContextFree> decoder(ff.avcodec_alloc_context3(codec), CodecContextFree{&ff});
    if (!decoder) return HResultOutOfMemory;
    if (ff.avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) return HResultFail;
    decoder->thread_count = 1;
    if (ff.avcodec_open2(decoder.get(), codec, nullptr) < 0) return HResultFail;

    std::int64_t target = ff.av_rescale_q(time, AVRational{1, 10000000}, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE) target += stream->start_time;
    // Backwards: the key frame at or before the time; when that fails the
    // reading simply starts from the beginning.
    if (ff.av_seek_frame(input.get(), streamIndex, target, AVSEEK_FLAG_BACKWARD) >= 0) {
        ff.avcodec_flush_buffers(decoder.get());
    }

    FrameSearch search(ff, decoder.get(), target);
    std::unique_ptr<AVPacket, PacketFree> packet(ff.av_packet_alloc(), PacketFree{&ff});
    if (!packet || !search.Init()) return HResultOutOfMemory;
    while (!search.done()) {
        const int status = ff.av_read_frame(input.get(), packet.get());
        if (status < 0) break;
        if (packet->stream_index == streamIndex) {
            const int sent = ff.avcodec_send_packet(decoder.get(), packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                ff.av_packet_unref(packet.get());
                return HResultFail;
            }
            if (!search.Drain()) {
                ff.av_packet_unref(packet.get());
                return HResultFail;
            }
        }
        ff.av_packet_unref(packet.get());
    }
    if (!search.done()) {
        // The end of the file: the frames the decoder still holds.
        if (ff.avcodec_send_packet(decoder.get(), nullptr) >= 0 && !search.Drain()) return HResultFail;
    }
    if (!search.found()) return HResultFail;
    if (!ConvertToRgb(ff, search.frame(), image)) return HResultFail;
    return HResultOk;
}

}

HResult grabMovieFrame(const wchar_t* sourcePath, std::int64_t time, Image& image) {
    image = Image();
    if (sourcePath == nullptr) return HResultPointer;
    if (time < 0) return HResultInvalidArg;
    std::string path;
    // FFmpeg opens files by their UTF-8 name.
    if (!WidePathToUtf8(sourcePath, path) || path.empty()) return HResultInvalidArg;
    const FFmpegLibraries* ff = LoadFFmpegLibraries();
    if (ff == nullptr) return HResultFail;
    const HResult result = Grab(*ff, path, time, image);
    if (Failed(result)) image = Image();
    return result;
}

}
}
