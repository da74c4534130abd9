#include "cli/Interrupt.h"
#include "cli/SafeOutput.h"

#include <csignal>
#include <signal.h>
#include <unistd.h>

namespace clipreel {
namespace cli {

namespace {

// SIGPIPE too: `clipreel ... | head` ends the tool when head has read
// enough, and that must not leave a temporary behind either.
const int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void OnStopSignal(int signalNumber) {
    if (signalNumber == SIGINT && CooperativeCancelActive() && !InterruptRequested()) {
        RequestInterrupt();
        return;
    }
    RequestInterrupt();
    CleanUpLiveTemporaries();
    // End as the signal itself would, so the parent learns which one.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signalNumber, &defaultAction, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signalNumber);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signalNumber);
    _exit(128 + signalNumber);
}

}

void InstallTerminationHandlers() {
    for (const int signalNumber : StopSignals) {
        struct sigaction current {};
        sigaction(signalNumber, nullptr, &current);
        // A stop the shell told the tool to ignore (nohup, a background job)
        // stays ignored.
        if (current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : StopSignals) sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESTART;
        sigaction(signalNumber, &action, nullptr);
    }
}

}
}
