#include "cli/Console.h"

#include <csignal>
#include <unistd.h>

namespace clipreel {
namespace cli {

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

void KeepRunningPastFileSizeLimit() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}
}
