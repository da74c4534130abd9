#include "StudioCommand.h"

#include "StudioServer.h"
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace clipreel {
namespace cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnTerminate(int) {
    stopSignal = 1;
}

// While the studio serves, SIGTERM and SIGHUP (its terminal closed) ask for
// the same clean stop as the page's Quit (the player's folder removed), and
// a first Ctrl-C only raises the interrupt flag (a running save sees it
// too); a second Ctrl-C ends the process at once, removing any temporary
// output, as for every command.
class StopRequests {
public:
    StopRequests()
        : previousTerminate(std::signal(SIGTERM, OnTerminate)), previousHangUp(std::signal(SIGHUP, OnTerminate)) {}
    ~StopRequests() {
        std::signal(SIGTERM, previousTerminate == SIG_ERR ? SIG_DFL : previousTerminate);
        std::signal(SIGHUP, previousHangUp == SIG_ERR ? SIG_DFL : previousHangUp);
    }
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

    bool Requested() const { return stopSignal != 0 || InterruptRequested(); }

private:
    CooperativeCancel firstInterruptOnlyAsks;
    void (*previousTerminate)(int);
    void (*previousHangUp)(int);
};

}

int RunStudio(const StudioOptions& options) {
    std::vector<std::unique_ptr<studio::ReelSession>> reels;
    for (const std::string& path : options.reels) {
        std::string error;
        std::unique_ptr<studio::ReelSession> reel = studio::ReelSession::Open(ArgumentPath(path), error);
        if (!reel) {
            Complain(error);
            return EXIT_BAD_INPUT;
        }
        reels.push_back(std::move(reel));
    }
    if (options.port < 0 || options.port > 65535) {
        Complain("the port must be between 1 and 65535");
        return EXIT_USAGE;
    }
    studio::StudioServer server(std::move(reels), studio::AccessGuard(), options.heldSave);
    if (server.Bind(options.port) < 0) {
        Complain(server.BindFailure());
        return EXIT_FAILURE_OTHER;
    }
    KeepRunningPastFileSizeLimit();
    const StopRequests stop;
    std::printf("%s\n", server.PageAddress().c_str());
    std::fflush(stdout);

    // The signal handler only raises a flag; this watcher turns it, or the
    // page's Quit, into a clean stop of the server.
    std::atomic<bool> serving{true};
    std::thread watcher([&]() {
        while (serving && !stop.Requested() && !server.QuitRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // A stop asked for before the server has started listening would do
        // nothing and leave it serving.
        while (serving && !server.Listening()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        server.Stop();
    });
    const bool ran = server.Run();
    serving = false;
    watcher.join();
    if (!ran && !stop.Requested() && !server.QuitRequested()) {
        Complain("the server stopped unexpectedly");
        return EXIT_FAILURE_OTHER;
    }
    return EXIT_OK;
}

}
}
