#ifndef CLIPREEL_TESTS_SUPPORT_MEMORY_FILE_LAYER_H
#define CLIPREEL_TESTS_SUPPORT_MEMORY_FILE_LAYER_H

#include "platform/FileLayer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// Files held in memory, named by their wide paths, behind the platform file
// operations: what fuzzers and tests use when the disk would only slow them
// down. Sharing follows the system backends: readers share with readers, a
// writer with nobody.
class MemoryFileLayer : public platform::FileLayer {
public:
    using Bytes = std::vector<std::uint8_t>;

    void SetFile(const std::wstring& path, const std::uint8_t* data, std::size_t size);
    // Null when no such file exists.
    const Bytes* File(const std::wstring& path) const;
    // Forgets every file; handles still open are forgotten too.
    void Clear();
    std::size_t OpenHandleCount() const { return handles.size(); }

    platform::FileHandle OpenForReading(const wchar_t* path, platform::ErrorNumber& error) override;
    platform::FileHandle CreateForWriting(const wchar_t* path, platform::ErrorNumber& error) override;
    bool CloseFile(platform::FileHandle handle, platform::ErrorNumber& error) override;
    bool GetOpenFileSize(platform::FileHandle handle, std::uint64_t& size, platform::ErrorNumber& error) override;
    bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed,
                      platform::ErrorNumber& error) override;
    bool SetFilePosition(platform::FileHandle handle, std::int64_t distance, unsigned origin,
                         std::uint64_t* newPosition, platform::ErrorNumber& error) override;
    bool ReadFromFile(platform::FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                      platform::ErrorNumber& error) override;
    bool WriteToFile(platform::FileHandle handle, const void* buffer, std::uint32_t count,
                     std::uint32_t& bytesWritten, platform::ErrorNumber& error) override;

private:
    struct OpenFile {
        std::wstring path;
        std::uint64_t position = 0;
        bool writing = false;
    };
    OpenFile* Find(platform::FileHandle handle, platform::ErrorNumber& error);
    bool IsHeld(const std::wstring& path, bool byWriterOnly) const;

    std::map<std::wstring, Bytes> files;
    std::map<platform::FileHandle, OpenFile> handles;
    platform::FileHandle nextHandle = 0x40000000;
};

}
}

#endif
