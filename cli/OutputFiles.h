#ifndef CLIPREEL_CLI_OUTPUT_FILES_H
#define CLIPREEL_CLI_OUTPUT_FILES_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// The file operations behind SafeOutput, one backend per system. Each
// failure gives the system's own words for its reason ("Permission denied").

using NativeChar = std::filesystem::path::value_type;

// Creates a new, empty file; fails (exists true) when the name is taken.
bool CreateNewFile(const std::filesystem::path& path, std::string& reason, bool& exists);

// Renames from to to. With replace, an existing to is replaced in one step;
// without, an existing to fails the move (exists true) and stays as it is.
bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
              std::string& reason, bool& exists);

// Writes the bytes as the whole content of an existing or new file.
bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& reason);

// For a signal or console handler: no allocation, no error report. The move
// never replaces an existing file.
void RemoveFileNow(const NativeChar* path);
void MoveFileNow(const NativeChar* from, const NativeChar* to);

}
}

#endif
