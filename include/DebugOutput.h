#ifndef CLIPREEL_DEBUG_OUTPUT_H
#define CLIPREEL_DEBUG_OUTPUT_H

#include "ClipreelExport.h"

// Every failed system call writes one line to the debug-output channel
// ("CreateFile Error : 2 \n" and the like). By default the line goes to
// OutputDebugStringA on Windows and to standard error elsewhere; an
// application may route the lines to a sink of its own. The sink is
// process-wide; a null sink restores the default.
typedef void (*ClipreelDebugOutputSink)(const char* line, void* userData);

CLIPREEL_API void ClipreelSetDebugOutputSink(ClipreelDebugOutputSink sink, void* userData);

#endif
