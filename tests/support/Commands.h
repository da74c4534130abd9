#ifndef CLIPREEL_TESTS_SUPPORT_COMMANDS_H
#define CLIPREEL_TESTS_SUPPORT_COMMANDS_H

#include <string>

namespace clipreel {
namespace test {

// What a shell command wrote to its standard output, and its exit status as
// the system's pclose reports it (-1 when it could not be started).
struct CommandResult {
    int status = -1;
    std::string output;
};

// Runs a command through the shell.
CommandResult RunCommand(const std::string& command);
// The same, with the exit status going to status.
std::string RunCommand(const std::string& command, int& status);

// The text as one word for the POSIX shell, in single quotes.
std::string ShellQuoted(const std::string& text);

// True when the POSIX shell finds this program on the PATH; the Windows
// build runs no outside tools.
bool HaveTool(const char* tool);

}
}

#endif
