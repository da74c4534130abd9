#ifndef CLIPREEL_FILE_DEBUG_OUTPUT_SINK_H
#define CLIPREEL_FILE_DEBUG_OUTPUT_SINK_H

namespace clipreel {

// Sends one zero-terminated line to the application's sink when one is set
// (ClipreelSetDebugOutputSink), else to the system's debug-output channel.
void SendDebugLine(const char* line);

}

#endif
