#ifndef CLIPREEL_PLATFORM_POSIX_FFMPEG_LIBRARIES_H
#define CLIPREEL_PLATFORM_POSIX_FFMPEG_LIBRARIES_H

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

namespace clipreel {
namespace platform {

// The FFmpeg functions the frame grab, the thumbnail scaling and the
// shareable export call. FFmpeg
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
    // The export: the MP4 writer, the AAC encoder, the source's sample index.
    decltype(&::avformat_alloc_output_context2) avformat_alloc_output_context2;
    decltype(&::avformat_free_context) avformat_free_context;
    decltype(&::avformat_new_stream) avformat_new_stream;
    decltype(&::avformat_write_header) avformat_write_header;
    decltype(&::av_interleaved_write_frame) av_interleaved_write_frame;
    decltype(&::av_write_trailer) av_write_trailer;
    decltype(&::avio_open) avio_open;
    decltype(&::avio_closep) avio_closep;
    decltype(&::avformat_index_get_entries_count) avformat_index_get_entries_count;
    decltype(&::avformat_index_get_entry) avformat_index_get_entry;
    decltype(&::avcodec_find_encoder_by_name) avcodec_find_encoder_by_name;
    decltype(&::avcodec_parameters_copy) avcodec_parameters_copy;
    decltype(&::avcodec_parameters_from_context) avcodec_parameters_from_context;
    decltype(&::avcodec_send_frame) avcodec_send_frame;
    decltype(&::avcodec_receive_packet) avcodec_receive_packet;
    decltype(&::av_packet_rescale_ts) av_packet_rescale_ts;
    decltype(&::av_frame_get_buffer) av_frame_get_buffer;
    decltype(&::av_channel_layout_default) av_channel_layout_default;
    decltype(&::av_dict_get) av_dict_get;
    decltype(&::av_dict_set) av_dict_set;
    decltype(&::av_dict_free) av_dict_free;
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

// The same for a demuxer's input, a codec context, a frame and a packet.
struct InputCloser {
    const FFmpegLibraries* ff;
    void operator()(AVFormatContext* context) const { ff->avformat_close_input(&context); }
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

}
}

#endif
