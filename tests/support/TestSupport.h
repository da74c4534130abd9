#ifndef CLIPREEL_TESTS_SUPPORT_TEST_SUPPORT_H
#define CLIPREEL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// A fresh folder for one test's files, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    std::filesystem::path File(const std::string& name) const { return root / name; }
    // The file's path as the library's wide path.
    std::wstring WideFile(const std::string& name) const { return File(name).wstring(); }

private:
    std::filesystem::path root;
};

// Collects the library's debug lines while it lives.
class DebugLineCapture {
public:
    DebugLineCapture();
    ~DebugLineCapture();
    DebugLineCapture(const DebugLineCapture&) = delete;
    DebugLineCapture& operator=(const DebugLineCapture&) = delete;

    const std::vector<std::string>& lines() const { return captured; }
    void clear() { captured.clear(); }

private:
    static void Sink(const char* line, void* self);
    std::vector<std::string> captured;
};

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
// A tool's output as its non-empty lines.
std::vector<std::string> NonEmptyLines(const std::string& text);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// True when the tests run as Windows programs (under wine here).
constexpr bool RunningOnWindows() {
#if defined(_WIN32)
    return true;
#else
    return false;
#endif
}

}
}

#endif
