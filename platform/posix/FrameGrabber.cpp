#include "platform/FrameGrabber.h"

#include "platform/posix/FFmpegLibraries.h"
#include "platform/posix/RgbConverter.h"
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
        : ffmpeg(ff),
          decoderContext(decoder),
          targetTime(target),
          candidate(nullptr, FrameFree{&ff}),
          scratch(nullptr, FrameFree{&ff}) {}

    bool Init() {
        candidate.reset(ffmpeg.av_frame_alloc());
        scratch.reset(ffmpeg.av_frame_alloc());
        return candidate && scratch;
    }
    bool done() const { return finished; }
    bool found() const { return hasCandidate; }
    AVFrame* frame() const { return candidate.get(); }

    // Takes every frame the decoder has ready; false on a decoding failure.
    bool Drain() {
        while (!finished) {
            const int status = ffmpeg.avcodec_receive_frame(decoderContext, scratch.get());
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return true;
            if (status < 0) return false;
            std::int64_t shown = scratch->best_effort_timestamp;
            if (shown == AV_NOPTS_VALUE) shown = scratch->pts;
            if (hasCandidate && shown != AV_NOPTS_VALUE && shown > targetTime) {
                finished = true;
                ffmpeg.av_frame_unref(scratch.get());
                return true;
            }
            ffmpeg.av_frame_unref(candidate.get());
            ffmpeg.av_frame_move_ref(candidate.get(), scratch.get());
            hasCandidate = true;
            // A first frame already past the time (a seek that overshot) is
            // the nearest there is.
            if (shown != AV_NOPTS_VALUE && shown > targetTime) finished = true;
        }
        return true;
    }

private:
    const FFmpegLibraries& ffmpeg;
    AVCodecContext* decoderContext;
    std::int64_t targetTime;
    std::unique_ptr<AVFrame, FrameFree> candidate;
    std::unique_ptr<AVFrame, FrameFree> scratch;
    bool hasCandidate = false;
    bool finished = false;
};

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
    RgbConverter converter(ff);
    if (!converter.Convert(search.frame(), image)) return HResultFail;
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
