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
constexpr const char* avutilLibrary = CLIPREEL_FFMPEG_LIBRARY("avutil", LIBAVUTIL_VERSION_MAJOR);
constexpr const char* avcodecLibrary = CLIPREEL_FFMPEG_LIBRARY("avcodec", LIBAVCODEC_VERSION_MAJOR);
constexpr const char* avformatLibrary = CLIPREEL_FFMPEG_LIBRARY("avformat", LIBAVFORMAT_VERSION_MAJOR);
constexpr const char* swscaleLibrary = CLIPREEL_FFMPEG_LIBRARY("swscale", LIBSWSCALE_VERSION_MAJOR);
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

// Binds the functions of the container library (libavformat) or those of
// the others.
bool Load(FFmpegLibraries& f, bool containers) {
    Binder b;
#define CLIPREEL_BIND(library, function) \
    if ((library##Library == avformatLibrary) == containers) b.Bind(f.function, library##Library, #function);
    CLIPREEL_FFMPEG_FUNCTIONS(CLIPREEL_BIND)
#undef CLIPREEL_BIND
    return b.Complete();
}

FFmpegLibraries functions;

}

const FFmpegLibraries* LoadFFmpegCodecs() {
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = Load(functions, false); });
    return loaded ? &functions : nullptr;
}

const FFmpegLibraries* LoadFFmpegLibraries() {
    static bool loaded = false;
    static std::once_flag once;
    // The container functions are set once, beside codec functions other
    // threads may already be calling.
    std::call_once(once, [] { loaded = LoadFFmpegCodecs() != nullptr && Load(functions, true); });
    return loaded ? &functions : nullptr;
}

}
}
