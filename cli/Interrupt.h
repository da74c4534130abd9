#ifndef CLIPREEL_CLI_INTERRUPT_H
#define CLIPREEL_CLI_INTERRUPT_H

namespace clipreel {
namespace cli {

// The tool's answer to being stopped: Ctrl-C (SIGINT), SIGTERM, SIGHUP and
// SIGPIPE on POSIX; Ctrl-C, Ctrl-Break and closing the console on Windows.
//
// Outside a CooperativeCancel scope, and for any stop but a first Ctrl-C,
// the handler removes every live temporary output (cli/SafeOutput.h) and
// ends the process as the signal asks (the parent sees the signal). Inside
// one, a first Ctrl-C only raises the interrupt flag: the running save sees
// it between two writes, stops, and the command cleans up and exits with
// its "cancelled" code. A second Ctrl-C while that happens does not wait for
// it, and still removes the temporaries before ending the process.

// Installs the handlers; main calls it once before any command runs.
void InstallTerminationHandlers();

bool InterruptRequested();
void RequestInterrupt();
void ClearInterrupt();

// While one lives, a first Ctrl-C asks the running work to stop instead of
// ending the process. Scopes nest.
class CooperativeCancel {
public:
    CooperativeCancel();
    ~CooperativeCancel();
    CooperativeCancel(const CooperativeCancel&) = delete;
    CooperativeCancel& operator=(const CooperativeCancel&) = delete;
};

// For the handlers (async-signal-safe): whether a first Ctrl-C only asks.
bool CooperativeCancelActive();

}
}

#endif
