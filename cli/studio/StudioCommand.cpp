#include "StudioCommand.h"

#include "StudioServer.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace clipreel {
namespace cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) {
    stopSignal = 1;
}

}

int RunStudio(const StudioOptions& options) {
    std::vector<std::unique_ptr<studio::ReelSession>> reels;
    for (const std::string& path : options.reels) {
        std::string error;
        std::unique_ptr<studio::ReelSession> reel = studio::ReelSession::Open(std::filesystem::u8path(path), error);
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
    studio::StudioServer server(std::move(reels), studio::AccessGuard());
    if (server.Bind(options.port) < 0) {
        Complain("cannot listen on 127.0.0.1:" + std::to_string(options.port));
        return EXIT_FAILURE_OTHER;
    }
    KeepRunningPastFileSizeLimit();
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::printf("%s\n", server.PageAddress().c_str());
    std::fflush(stdout);

    // The signal handler only raises a flag; this watcher turns it, or the
    // page's Quit, into a clean stop of the server.
    std::atomic<bool> serving{true};
    std::thread watcher([&]() {
        while (serving && stopSignal == 0 && !server.QuitRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        server.Stop();
    });
    const bool ran = server.Run();
    serving = false;
    watcher.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (!ran && stopSignal == 0 && !server.QuitRequested()) {
        Complain("the server stopped unexpectedly");
        return EXIT_FAILURE_OTHER;
    }
    return EXIT_OK;
}

}
}
