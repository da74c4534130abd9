#ifndef CLIPREEL_PLATFORM_POSIX_FFMPEG_LIBRARIES_H
#define CLIPREEL_PLATFORM_POSIX_FFMPEG_LIBRARIES_H

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace clipreel {
namespace platform {

// Every function loaded, each with the library that defines it: one line
// here adds a function to the table and to the loading.
#define CLIPREEL_FFMPEG_FUNCTIONS(X)              \
    X(avformat, avformat_open_input)              \
    X(avformat, avformat_close_input)             \
    X(avformat, avformat_find_stream_info)        \
    X(avformat, av_find_best_stream)              \
    X(avformat, av_seek_frame)                    \
    X(avformat, av_read_frame)                    \
    X(avformat, avformat_alloc_output_context2)   \
    X(avformat, avformat_free_context)            \
    X(avformat, avformat_new_stream)              \
    X(avformat, avformat_write_header)            \
    X(avformat, av_interleaved_write_frame)       \
    X(avformat, av_write_trailer)                 \
    X(avformat, avio_open)                        \
    X(avformat, avio_closep)                      \
    X(avformat, avformat_index_get_entries_count) \
    X(avformat, avformat_index_get_entry)         \
    X(avcodec, avcodec_find_decoder)              \
    X(avcodec, avcodec_alloc_context3)            \
    X(avcodec, avcodec_free_context)              \
    X(avcodec, avcodec_parameters_to_context)     \
    X(avcodec, avcodec_parameters_copy)           \
    X(avcodec, avcodec_parameters_from_context)   \
    X(avcodec, avcodec_open2)                     \
    X(avcodec, avcodec_flush_buffers)             \
    X(avcodec, avcodec_send_packet)               \
    X(avcodec, avcodec_receive_frame)             \
    X(avcodec, avcodec_find_encoder_by_name)      \
    X(avcodec, avcodec_send_frame)                \
    X(avcodec, avcodec_receive_packet)            \
    X(avcodec, av_packet_alloc)                   \
    X(avcodec, av_packet_free)                    \
    X(avcodec, av_packet_unref)                   \
    X(avcodec, av_packet_rescale_ts)              \
    X(avcodec, av_new_packet)                     \
    X(avutil, av_frame_alloc)                     \
    X(avutil, av_frame_free)                      \
    X(avutil, av_frame_unref)                     \
    X(avutil, av_frame_move_ref)                  \
    X(avutil, av_rescale_q)                       \
    X(avutil, av_mallocz)                         \
    X(avutil, av_frame_get_buffer)                \
    X(avutil, av_frame_make_writable)             \
    X(avutil, av_opt_set)                         \
    X(avutil, av_channel_layout_default)          \
    X(avutil, av_dict_get)                        \
    X(avutil, av_dict_set)                        \
    X(avutil, av_dict_free)                       \
    X(swscale, sws_getContext)                    \
    X(swscale, sws_getCachedContext)              \
    X(swscale, sws_freeContext)                   \
    X(swscale, sws_scale)

// The FFmpeg functions the frame grab, the thumbnail scaling, the sample
// writer's H.264 encoder and the shareable export call. FFmpeg and the
// hundred-odd libraries its codecs bring take longer to load than a short
// save takes to write; a program that never grabs a frame (a save that keeps
// its first unit, a reader) should not wait for them. So they are loaded
// when first needed, by the names their headers give.
struct FFmpegLibraries {
#define CLIPREEL_FFMPEG_FIELD(library, function) decltype(&::function) function;
    CLIPREEL_FFMPEG_FUNCTIONS(CLIPREEL_FFMPEG_FIELD)
#undef CLIPREEL_FFMPEG_FIELD
};

// The functions, loaded at the first call and kept for the process; null
// when a library or a function is missing (the grab or scaling then fails
// as with a movie it cannot decode).
const FFmpegLibraries* LoadFFmpegLibraries();
// The same without the container library, libavformat, and the forty-odd
// libraries it brings (its functions stay null unless LoadFFmpegLibraries
// is called): for the decoder, scaler and encoder that are handed their
// data.
const FFmpegLibraries* LoadFFmpegCodecs();

// Free what the loaded functions allocate, for unique_ptr.
struct ScalerFree {
    const FFmpegLibraries* ff;
    void operator()(SwsContext* context) const { ff->sws_freeContext(context); }
};
struct CodecContextFree {
    const FFmpegLibraries* ff;
    void operator()(AVCodecContext* context) const { ff->avcodec_free_context(&context); }
};
struct FrameFree {
    const FFmpegLibraries* ff;
    void operator()(AVFrame* frame) const { ff->av_frame_free(&frame); }
};
struct PacketFree {
    const FFmpegLibraries* ff;
    void operator()(AVPacket* packet) const { ff->av_packet_free(&packet); }
};

struct InputCloser {
    const FFmpegLibraries* ff;
    void operator()(AVFormatContext* context) const { ff->avformat_close_input(&context); }
};

}
}

#endif
