#include "platform/posix/FFmpegLibraries.h"

#include <mutex>
#include <vector>

#include <dlfcn.h>

namespace clipreel {
namespace platform {

namespace {

// The file names of the libraries these headers describe: their major
// versions are their binary interfaces.
#define CLIPREEL_FFMPEG_LIBRARY(name, major) "lib" name ".so." AV_STRINGIFY(major)
constexpr const char* AvUtil = CLIPREEL_FFMPEG_LIBRARY("avutil", LIBAVUTIL_VERSION_MAJOR);
constexpr const char* AvCodec = CLIPREEL_FFMPEG_LIBRARY("avcodec", LIBAVCODEC_VERSION_MAJOR);
constexpr const char* AvFormat = CLIPREEL_FFMPEG_LIBRARY("avformat", LIBAVFORMAT_VERSION_MAJOR);
constexpr const char* SwScale = CLIPREEL_FFMPEG_LIBRARY("swscale", LIBSWSCALE_VERSION_MAJOR);
#undef CLIPREEL_FFMPEG_LIBRARY

// Finds each function in the library that defines it, opening each library
// once; false at the first one missing.
class Binder {
public:
    template <typename Function>
    void Bind(Function& function, const char* library, const char* name) {
        function = nullptr;
        if (!complete) return;
        void* const handle = Open(library);
        void* const symbol = handle != nullptr ? ::dlsym(handle, name) : nullptr;
        if (symbol == nullptr) {
            complete = false;
            return;
        }
        function = reinterpret_cast<Function>(symbol);
    }
    bool Complete() const { return complete; }

private:
    // The libraries stay loaded for the process's life: the functions are
    // kept in a static table. The names are the constants above, so their
    // addresses tell them apart.
    void* Open(const char* library) {
        for (const Opened& opened : libraries)
            if (opened.name == library) return opened.handle;
        libraries.push_back({library, ::dlopen(library, RTLD_NOW | RTLD_LOCAL)});
        return libraries.back().handle;
    }

    struct Opened {
        const char* name;
        void* handle;
    };
    std::vector<Opened> libraries;
    bool complete = true;
};

bool Load(FFmpegLibraries& f) {
    Binder b;
#define CLIPREEL_BIND(library, function) b.Bind(f.function, library, #function)
    CLIPREEL_BIND(AvFormat, avformat_open_input);
    CLIPREEL_BIND(AvFormat, avformat_close_input);
    CLIPREEL_BIND(AvFormat, avformat_find_stream_info);
    CLIPREEL_BIND(AvFormat, av_find_best_stream);
    CLIPREEL_BIND(AvFormat, av_seek_frame);
    CLIPREEL_BIND(AvFormat, av_read_frame);
    CLIPREEL_BIND(AvCodec, avcodec_alloc_context3);
    CLIPREEL_BIND(AvCodec, avcodec_free_context);
    CLIPREEL_BIND(AvCodec, avcodec_parameters_to_context);
    CLIPREEL_BIND(AvCodec, avcodec_open2);
    CLIPREEL_BIND(AvCodec, avcodec_flush_buffers);
    CLIPREEL_BIND(AvCodec, avcodec_send_packet);
    CLIPREEL_BIND(AvCodec, avcodec_receive_frame);
    CLIPREEL_BIND(AvCodec, av_packet_alloc);
    CLIPREEL_BIND(AvCodec, av_packet_free);
    CLIPREEL_BIND(AvCodec, av_packet_unref);
    CLIPREEL_BIND(AvUtil, av_frame_alloc);
    CLIPREEL_BIND(AvUtil, av_frame_free);
    CLIPREEL_BIND(AvUtil, av_frame_unref);
    CLIPREEL_BIND(AvUtil, av_frame_move_ref);
    CLIPREEL_BIND(AvUtil, av_rescale_q);
    CLIPREEL_BIND(AvFormat, avformat_alloc_output_context2);
    CLIPREEL_BIND(AvFormat, avformat_free_context);
    CLIPREEL_BIND(AvFormat, avformat_new_stream);
    CLIPREEL_BIND(AvFormat, avformat_write_header);
    CLIPREEL_BIND(AvFormat, av_interleaved_write_frame);
    CLIPREEL_BIND(AvFormat, av_write_trailer);
    CLIPREEL_BIND(AvFormat, avio_open);
    CLIPREEL_BIND(AvFormat, avio_closep);
    CLIPREEL_BIND(AvFormat, avformat_index_get_entries_count);
    CLIPREEL_BIND(AvFormat, avformat_index_get_entry);
    CLIPREEL_BIND(AvCodec, avcodec_find_encoder_by_name);
    CLIPREEL_BIND(AvCodec, avcodec_parameters_copy);
    CLIPREEL_BIND(AvCodec, avcodec_parameters_from_context);
    CLIPREEL_BIND(AvCodec, avcodec_send_frame);
    CLIPREEL_BIND(AvCodec, avcodec_receive_packet);
    CLIPREEL_BIND(AvCodec, av_packet_rescale_ts);
    CLIPREEL_BIND(AvUtil, av_frame_get_buffer);
    CLIPREEL_BIND(AvUtil, av_channel_layout_default);
    CLIPREEL_BIND(AvUtil, av_dict_get);
    CLIPREEL_BIND(AvUtil, av_dict_set);
    CLIPREEL_BIND(AvUtil, av_dict_free);
    CLIPREEL_BIND(SwScale, sws_getContext);
    CLIPREEL_BIND(SwScale, sws_freeContext);
    CLIPREEL_BIND(SwScale, sws_scale);
#undef CLIPREEL_BIND
    return b.Complete();
}

}

const FFmpegLibraries* LoadFFmpegLibraries() {
    static FFmpegLibraries functions;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = Load(functions); });
    return loaded ? &functions : nullptr;
}

}
}
