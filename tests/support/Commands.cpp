#include "tests/support/Commands.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace clipreel {
namespace test {

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
#if defined(_WIN32)
    FILE* pipe = _popen(command.c_str(), "rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    if (pipe == nullptr) return result;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
#if defined(_WIN32)
    result.status = _pclose(pipe);
#else
    result.status = pclose(pipe);
#endif
    return result;
}

std::string RunCommand(const std::string& command, int& status) {
    CommandResult result = RunCommand(command);
    status = result.status;
    return std::move(result.output);
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

bool HaveTool(const char* tool) {
#if defined(_WIN32)
    (void)tool;
    return false;
#else
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

}
}
