#ifndef CLIPREEL_FILE_DEBUG_LOG_H
#define CLIPREEL_FILE_DEBUG_LOG_H

#include <cstdint>

namespace clipreel {

// Formats one debug line with the system error number (a format such as
// "CreateFile Error : %u \n") into a 256-byte buffer, cut to 255 characters
// and always terminated, and sends it to the debug-output channel.
void WriteDebugLog(const char* format, std::uint32_t errorNumber);

}

#endif
