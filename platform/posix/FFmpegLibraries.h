#ifndef CLIPREEL_PLATFORM_POSIX_FFMPEG_LIBRARIES_H
#define CLIPREEL_PLATFORM_POSIX_FFMPEG_LIBRARIES_H

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

namespace clipreel {
namespace platform {

// The FFmpeg functions the frame grab and the thumbnail scaling call. FFmpeg
// and the hundred-odd libraries its codecs bring take longer to load than a
// short save takes to write; a program that never grabs a frame (a save
// that keeps its first unit, a reader) should not wait for them. So they are
// loaded when first needed, by the names their headers give.
struct FFmpegLibraries {
    decltype(&::avformat_open_input) avformat_open_input;
    decltype(&::avformat_close_input) avformat_close_input;
    decltype(&::avformat_find_stream_info) avformat_find_stream_info;
    decltype(&::av_find_best_stream) av_find_best_stream;
    decltype(&::av_seek_frame) av_seek_frame;
    decltype(&::av_read_frame) av_read_frame;
    decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
    decltype(&::avcodec_free_context) avcodec_free_context;
    decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context;
    decltype(&::avcodec_open2) avcodec_open2;
    decltype(&::avcodec_flush_buffers) avcodec_flush_buffers;
    decltype(&::avcodec_send_packet) avcodec_send_packet;
    decltype(&::avcodec_receive_frame) avcodec_receive_frame;
    decltype(&::av_packet_alloc) av_packet_alloc;
    decltype(&::av_packet_free) av_packet_free;
    decltype(&::av_packet_unref) av_packet_unref;
    decltype(&::av_frame_alloc) av_frame_alloc;
    decltype(&::av_frame_free) av_frame_free;
    decltype(&::av_frame_unref) av_frame_unref;
    decltype(&::av_frame_move_ref) av_frame_move_ref;
    decltype(&::av_rescale_q) av_rescale_q;
    decltype(&::sws_getContext) sws_getContext;
    decltype(&::sws_freeContext) sws_freeContext;
    decltype(&::sws_scale) sws_scale;
};

// The functions, loaded at the first call and kept for the process; null
// when a library or a function is missing (the grab or scaling then fails
// as with a movie it cannot decode).
const FFmpegLibraries* LoadFFmpegLibraries();

// Frees a scaling context through the loaded functions, for unique_ptr.
struct ScalerFree {
    const FFmpegLibraries* ff;
    void operator()(SwsContext* context) const { ff->sws_freeContext(context); }
};

}
}

#endif
