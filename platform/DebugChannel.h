#ifndef CLIPREEL_PLATFORM_DEBUG_CHANNEL_H
#define CLIPREEL_PLATFORM_DEBUG_CHANNEL_H

namespace clipreel {
namespace platform {

// Sends one zero-terminated line to the system's debug-output channel
// (OutputDebugStringA; standard error), or to the application's sink when
// one is set.
void SendDebugLine(const char* line);

// The backend's own channel, used when no sink is set.
void SendSystemDebugLine(const char* line);

}
}

#endif
