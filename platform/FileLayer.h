#ifndef CLIPREEL_PLATFORM_FILE_LAYER_H
#define CLIPREEL_PLATFORM_FILE_LAYER_H

#include "platform/FileSystem.h"

#include <cstdint>

namespace clipreel {
namespace platform {

// The system's own file calls, one per operation of FileSystem.h that a
// layer may stand in for. Each backend defines them.
namespace native {
FileHandle OpenForReading(const wchar_t* path, ErrorNumber& error);
FileHandle OpenForSequentialReading(const wchar_t* path, ErrorNumber& error);
FileHandle CreateForWriting(const wchar_t* path, ErrorNumber& error);
bool CloseFile(FileHandle handle, ErrorNumber& error);
bool GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error);
bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error);
bool SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin,
                     std::uint64_t* newPosition, ErrorNumber& error);
bool ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                  ErrorNumber& error);
bool WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count,
                 std::uint32_t& bytesWritten, ErrorNumber& error);
bool CopyFileRange(FileHandle source, FileHandle destination, std::uint32_t count, std::uint32_t& moved,
                   ErrorNumber& error);
}

// A stand-in for the file operations of FileSystem.h, with the same
// contracts. Every operation passes to the system unless overridden, so a
// layer that injects one kind of failure overrides one operation and calls
// the base class for the rest. A new file operation is one more virtual
// here, one more forwarding function in FileSystem.cpp.
class FileLayer {
public:
    FileLayer() = default;
    virtual ~FileLayer();
    FileLayer(const FileLayer&) = delete;
    FileLayer& operator=(const FileLayer&) = delete;

    virtual FileHandle OpenForReading(const wchar_t* path, ErrorNumber& error);
    // Unless overridden, a layer's sequential open is its ordinary open, so
    // that a layer standing in for OpenForReading sees every open.
    virtual FileHandle OpenForSequentialReading(const wchar_t* path, ErrorNumber& error);
    virtual FileHandle CreateForWriting(const wchar_t* path, ErrorNumber& error);
    virtual bool CloseFile(FileHandle handle, ErrorNumber& error);
    virtual bool GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error);
    virtual bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error);
    virtual bool SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin,
                                 std::uint64_t* newPosition, ErrorNumber& error);
    virtual bool ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                              ErrorNumber& error);
    virtual bool WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count,
                             std::uint32_t& bytesWritten, ErrorNumber& error);
    // Unless overridden, a layer declines every copy inside the system, so
    // that the caller's read-and-write fallback goes through the layer's own
    // ReadFromFile and WriteToFile (its handles need not be the system's).
    virtual bool CopyFileRange(FileHandle source, FileHandle destination, std::uint32_t count,
                               std::uint32_t& moved, ErrorNumber& error);
};

#if CLIPREEL_TEST_FILE_LAYER
// Test and fuzz builds only (CMake option CLIPREEL_TEST_FILE_LAYER): every
// file operation of FileSystem.h goes to layer until this is called again
// with null. Not exported from the shared library.
void InstallFileLayer(FileLayer* layer);

// Installs a layer for the life of one scope.
class ScopedFileLayer {
public:
    explicit ScopedFileLayer(FileLayer& layer) { InstallFileLayer(&layer); }
    ~ScopedFileLayer() { InstallFileLayer(nullptr); }
    ScopedFileLayer(const ScopedFileLayer&) = delete;
    ScopedFileLayer& operator=(const ScopedFileLayer&) = delete;
};
#endif

}
}

#endif
