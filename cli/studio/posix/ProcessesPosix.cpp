#include "cli/studio/Processes.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

namespace clipreel {
namespace studio {

int CurrentProcessNumber() { return static_cast<int>(getpid()); }

bool ProcessRunning(int number) {
    if (number <= 0) return false;
    // Signal 0 only asks; EPERM means it runs under another user.
    if (kill(static_cast<pid_t>(number), 0) != 0 && errno != EPERM) return false;
    // A process that ended but was not yet waited for (a zombie, "Z" in
    // Linux's /proc) answers too; where /proc is missing it counts as
    // running.
    std::ifstream stat("/proc/" + std::to_string(number) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const std::size_t nameEnd = line.rfind(')');
    return nameEnd == std::string::npos || nameEnd + 2 >= line.size() || line[nameEnd + 2] != 'Z';
}

}
}
