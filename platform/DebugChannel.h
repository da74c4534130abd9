#ifndef CLIPREEL_PLATFORM_DEBUG_CHANNEL_H
#define CLIPREEL_PLATFORM_DEBUG_CHANNEL_H

namespace clipreel {
namespace platform {

// Sends one zero-terminated line to the system's debug-output channel:
// OutputDebugStringA on Windows, standard error elsewhere.
void SendSystemDebugLine(const char* line);

}
}

#endif
