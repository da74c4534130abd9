#ifndef CLIPREEL_CLI_COMMAND_SUPPORT_H
#define CLIPREEL_CLI_COMMAND_SUPPORT_H

#include "FileLocator.h"
#include "ZentiMovFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// "clipreel: <message>" on standard error.
void Complain(const std::string& message);

// The library's wide path for a command-line path, made absolute.
std::wstring WidePath(const std::string& path);

// Opens a camera movie for a command. On failure complains in plain words
// ("cannot read X: no such file", "X is not a camera movie", "X is not a
// Clipreel movie") and returns null; exitCode is then the code to leave with.
std::unique_ptr<CZentiMovFile> OpenCameraMovie(const std::string& path, bool needClipreel, int& exitCode);

// Writes bytes to path, replacing it; false (with a complaint) when it cannot.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}
}

#endif
