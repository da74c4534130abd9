#include "platform/DebugChannel.h"

#include <windows.h>

namespace clipreel {
namespace platform {

void SendSystemDebugLine(const char* line) {
    OutputDebugStringA(line);
}

}
}
