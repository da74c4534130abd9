#ifndef CLIPREEL_CLI_COMMAND_PATHS_H
#define CLIPREEL_CLI_COMMAND_PATHS_H

#include "FileLocator.h"

#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// File names as the tool takes them: every argument is a std::string of
// UTF-8 (Windows: converted from the wide command line; POSIX: the name's
// own bytes, which need not be UTF-8). Use these to reach the file system
// and the library, and print the argument itself in messages.

// The program's arguments after its name, in order, as UTF-8 (or the POSIX
// bytes as given).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The file system's path for an argument (no conversion on POSIX; UTF-8 to
// wide on Windows).
std::filesystem::path ArgumentPath(const std::string& argument);

// The library's locator for a path, made absolute so that a reference
// movie's alias record finds its source from wherever it is opened.
FileLocator LocatorFor(const std::filesystem::path& path);
FileLocator LocatorFor(const std::string& argument);

// Whether the bytes are well-formed UTF-8 (a POSIX name need not be).
bool IsUtf8(const std::string& bytes);

// The system's words for an error number from std::error_code
// ("No such file or directory").
std::string SystemReason(const std::error_code& error);

}
}

#endif
