#include "cli/CommandPaths.h"
#include "cli/Console.h"

#include <csignal>
#if defined(CLIPREEL_CLI_HAVE_FFMPEG)
extern "C" {
#include <libavutil/log.h>
#include <libavutil/macros.h>
#include <libavutil/version.h>
}
#include <dlfcn.h>
#endif
#include <unistd.h>

namespace clipreel {
namespace cli {

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

void KeepRunningPastFileSizeLimit() {
    std::signal(SIGXFSZ, SIG_IGN);
}
void ShowCodecLogs(bool show) {
#if defined(CLIPREEL_CLI_HAVE_FFMPEG)
    // The level lives in FFmpeg's utility library, which the library and the
    // sample writer load by the same name when they first need a codec: it
    // is loaded here (and never unloaded) so that they find the level set.
    void* const utilities = ::dlopen("libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
    void* const setLevel = utilities != nullptr ? ::dlsym(utilities, "av_log_set_level") : nullptr;
    if (setLevel != nullptr) {
        reinterpret_cast<decltype(&av_log_set_level)>(setLevel)(show ? AV_LOG_INFO : AV_LOG_QUIET);
    }
#else
    (void)show;
#endif
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // A POSIX name is bytes; they pass through as they are.
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
}

}
}
