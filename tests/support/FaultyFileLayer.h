#ifndef CLIPREEL_TESTS_SUPPORT_FAULTY_FILE_LAYER_H
#define CLIPREEL_TESTS_SUPPORT_FAULTY_FILE_LAYER_H

#include "platform/FileLayer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// The kinds of file operation a fault can strike. Opening covers reading
// and creating; a size query covers the open file and the lookup by path.
enum class FileOperation { Open, Read, Write, Seek, Size, Close };
constexpr std::size_t FileOperationCount = 6;

// How the struck operation fails. Short: a read or write moves only half of
// the bytes asked for and reports success (only for reads and writes).
enum class FaultKind { DiskFull, IoError, Interrupted, Permission, Short };
constexpr std::size_t FaultKindCount = 5;

const char* NameOf(FileOperation operation);
const char* NameOf(FaultKind kind);
bool Applies(FaultKind kind, FileOperation operation);

// The system's file layer, counting every operation by kind, with the n-th
// operation of one kind made to fail one way. n = 0 strikes nothing, so a
// first run counts the operations a whole job makes. A struck close still
// releases the handle, as the systems do.
class FaultyFileLayer : public platform::FileLayer {
public:
    FaultyFileLayer() = default;
    FaultyFileLayer(FileOperation operation, std::size_t n, FaultKind kind)
        : target(operation), strikeAt(n), fault(kind) {}

    // One operation as made: its kind and the path of the file it concerns.
    struct Call {
        FileOperation operation;
        std::wstring path;
        bool byPath;  // a size looked up by path, not asked of an open file
    };

    std::size_t Count(FileOperation operation) const { return counts[static_cast<std::size_t>(operation)]; }
    bool Struck() const { return struck; }
    // Every operation in the order made, the struck one included.
    const std::vector<Call>& Trace() const { return trace; }
    // Handles opened through this layer and not closed yet.
    std::size_t OpenHandleCount() const { return openPaths.size(); }

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
    // Counts and records the operation; true when this one is to fail.
    bool Strikes(FileOperation operation, const std::wstring& path, bool byPath = false);
    bool Strikes(FileOperation operation, const wchar_t* path, bool byPath = false);
    std::wstring PathOf(platform::FileHandle handle) const;
    platform::FileHandle Opened(platform::FileHandle handle, const wchar_t* path);

    std::array<std::size_t, FileOperationCount> counts{};
    std::vector<Call> trace;
    std::map<platform::FileHandle, std::wstring> openPaths;
    FileOperation target = FileOperation::Open;
    std::size_t strikeAt = 0;
    FaultKind fault = FaultKind::IoError;
    bool struck = false;
};

// The system's error number for a failure kind.
platform::ErrorNumber ErrorNumberOf(FaultKind kind);

}
}

#endif
