#ifndef CLIPREEL_STUDIO_STUDIO_COMMAND_H
#define CLIPREEL_STUDIO_STUDIO_COMMAND_H

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

struct StudioOptions {
    std::vector<std::string> reels;
    int port = 0;  // 0: a free port
    // For tests, not in the help: saves to a file of this name wait at their
    // start until cancelled.
    std::string heldSave;
};

// clipreel studio: serves the editor page on 127.0.0.1 until SIGINT,
// SIGTERM or the page's Quit; the exit code (cli/ExitCode.h).
int RunStudio(const StudioOptions& options);

}
}

#endif
