#include "cli/Console.h"

#include <cstdio>
#include <io.h>

namespace clipreel {
namespace cli {

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

void KeepRunningPastFileSizeLimit() {
    // Windows has no file-size limit signal.
}

}
}
