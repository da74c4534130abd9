#include "platform/DebugChannel.h"

#include <cstdio>

namespace clipreel {
namespace platform {

// Without a debugger channel the lines go to standard error, unbuffered.
void SendSystemDebugLine(const char* line) {
    std::fputs(line, stderr);
}

}
}
