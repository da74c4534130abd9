// Uses the installed library as an application does: the umbrella header
// and the exported classes only.
#include <ClipreelEditor.h>

#include <string>

namespace {
std::string lastLine;
void Remember(const char* line, void*) { lastLine = line; }
}

int main() {
    ClipreelSetDebugOutputSink(&Remember, nullptr);
    const CZentiMovFile movie(FileLocator(L"no-such-camera-movie.mov"));
    ClipreelSetDebugOutputSink(nullptr, nullptr);
    // A missing file is no movie, and its failed lookup or open was logged.
    return !movie.IsValid() && lastLine.find(" Error : 2 \n") != std::string::npos ? 0 : 1;
}
