#include "platform/FileSystem.h"
#include "platform/FileLayer.h"

#include <atomic>

// Every file operation goes to the system's call, or, in a test or fuzz
// build, to the layer a test installed in its place.

namespace clipreel {
namespace platform {

#if CLIPREEL_TEST_FILE_LAYER
namespace {
std::atomic<FileLayer*> installedLayer{nullptr};
}

void InstallFileLayer(FileLayer* layer) {
    installedLayer.store(layer);
}

#define CLIPREEL_FILE_CALL(call)                                 \
    if (FileLayer* layer = installedLayer.load()) return layer->call; \
    return native::call
#else
#define CLIPREEL_FILE_CALL(call) return native::call
#endif

FileLayer::~FileLayer() = default;

FileHandle FileLayer::OpenForReading(const wchar_t* path, ErrorNumber& error) {
    return native::OpenForReading(path, error);
}

FileHandle FileLayer::OpenForSequentialReading(const wchar_t* path, ErrorNumber& error) {
    return OpenForReading(path, error);
}

FileHandle FileLayer::CreateForWriting(const wchar_t* path, ErrorNumber& error) {
    return native::CreateForWriting(path, error);
}

bool FileLayer::CloseFile(FileHandle handle, ErrorNumber& error) {
    return native::CloseFile(handle, error);
}

bool FileLayer::GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error) {
    return native::GetOpenFileSize(handle, size, error);
}

bool FileLayer::FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error) {
    return native::FindFileSize(path, size, findFailed, error);
}

bool FileLayer::SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin,
                                std::uint64_t* newPosition, ErrorNumber& error) {
    return native::SetFilePosition(handle, distance, origin, newPosition, error);
}

bool FileLayer::ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                             ErrorNumber& error) {
    return native::ReadFromFile(handle, buffer, count, bytesRead, error);
}

bool FileLayer::WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count,
                            std::uint32_t& bytesWritten, ErrorNumber& error) {
    return native::WriteToFile(handle, buffer, count, bytesWritten, error);
}

bool FileLayer::CopyFileRange(FileHandle, FileHandle, std::uint32_t, std::uint32_t& moved, ErrorNumber& error) {
    moved = 0;
    error = 0;  // declined, not failed: the caller reads and writes instead
    return false;
}

FileHandle OpenForReading(const wchar_t* path, ErrorNumber& error) {
    CLIPREEL_FILE_CALL(OpenForReading(path, error));
}

FileHandle OpenForSequentialReading(const wchar_t* path, ErrorNumber& error) {
    CLIPREEL_FILE_CALL(OpenForSequentialReading(path, error));
}

FileHandle CreateForWriting(const wchar_t* path, ErrorNumber& error) {
    CLIPREEL_FILE_CALL(CreateForWriting(path, error));
}

bool CloseFile(FileHandle handle, ErrorNumber& error) {
    CLIPREEL_FILE_CALL(CloseFile(handle, error));
}

bool GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error) {
    CLIPREEL_FILE_CALL(GetOpenFileSize(handle, size, error));
}

bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error) {
    CLIPREEL_FILE_CALL(FindFileSize(path, size, findFailed, error));
}

bool SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin, std::uint64_t* newPosition,
                     ErrorNumber& error) {
    CLIPREEL_FILE_CALL(SetFilePosition(handle, distance, origin, newPosition, error));
}

bool ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                  ErrorNumber& error) {
    CLIPREEL_FILE_CALL(ReadFromFile(handle, buffer, count, bytesRead, error));
}

bool WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count, std::uint32_t& bytesWritten,
                 ErrorNumber& error) {
    CLIPREEL_FILE_CALL(WriteToFile(handle, buffer, count, bytesWritten, error));
}

bool CopyFileRange(FileHandle source, FileHandle destination, std::uint32_t count, std::uint32_t& moved,
                   ErrorNumber& error) {
    CLIPREEL_FILE_CALL(CopyFileRange(source, destination, count, moved, error));
}

#undef CLIPREEL_FILE_CALL

}
}
