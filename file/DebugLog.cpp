#include "file/DebugLog.h"

#include "file/DebugOutputSink.h"

#include <cstdio>

namespace clipreel {

namespace {
constexpr std::size_t DebugLineBufferSize = 256;
}

void WriteDebugLog(const char* format, std::uint32_t errorNumber) {
    if (format == nullptr) return;
    char line[DebugLineBufferSize] = {};
    // snprintf cuts a longer line to 255 characters and always terminates it.
    const unsigned value = errorNumber;
    std::snprintf(line, sizeof line, format, value);
    line[DebugLineBufferSize - 1] = '\0';
    SendDebugLine(line);
}

}
