#include "cli/CommandPaths.h"
#include "cli/Console.h"

#include <csignal>
#if defined(CLIPREEL_CLI_HAVE_FFMPEG)
extern "C" {
#include <libavutil/log.h>
}
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
    av_log_set_level(show ? AV_LOG_INFO : AV_LOG_QUIET);
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
