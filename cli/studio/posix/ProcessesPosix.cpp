#include "cli/studio/Processes.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace clipreel {
namespace studio {

int CurrentProcessNumber() { return static_cast<int>(getpid()); }

bool ProcessRunning(int number) {
    if (number <= 0) return false;
    // Signal 0 only asks; EPERM means it runs under another user.
    return kill(static_cast<pid_t>(number), 0) == 0 || errno == EPERM;
}

}
}
