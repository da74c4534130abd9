#include "tests/support/FaultyFileLayer.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#endif

namespace clipreel {
namespace test {

const char* NameOf(FileOperation operation) {
    static const char* const names[] = {"open", "read", "write", "seek", "size", "close"};
    return names[static_cast<std::size_t>(operation)];
}

const char* NameOf(FaultKind kind) {
    static const char* const names[] = {"disk full", "I/O error", "interrupted", "permission", "short"};
    return names[static_cast<std::size_t>(kind)];
}

bool Applies(FaultKind kind, FileOperation operation) {
    return kind != FaultKind::Short || operation == FileOperation::Read || operation == FileOperation::Write;
}

platform::ErrorNumber ErrorNumberOf(FaultKind kind) {
#if defined(_WIN32)
    static const platform::ErrorNumber numbers[] = {ERROR_DISK_FULL, ERROR_IO_DEVICE, ERROR_OPERATION_ABORTED,
                                                    ERROR_ACCESS_DENIED, ERROR_HANDLE_EOF};
#else
    static const platform::ErrorNumber numbers[] = {ENOSPC, EIO, EINTR, EACCES, EIO};
#endif
    return numbers[static_cast<std::size_t>(kind)];
}

std::wstring FaultyFileLayer::PathOf(platform::FileHandle handle) const {
    const auto found = openPaths.find(handle);
    return found == openPaths.end() ? std::wstring() : found->second;
}

platform::FileHandle FaultyFileLayer::Opened(platform::FileHandle handle, const wchar_t* path) {
    if (handle != platform::InvalidFileHandle) openPaths[handle] = path == nullptr ? L"" : path;
    return handle;
}

bool FaultyFileLayer::Strikes(FileOperation operation, const wchar_t* path, bool byPath) {
    return Strikes(operation, std::wstring(path == nullptr ? L"" : path), byPath);
}

bool FaultyFileLayer::Strikes(FileOperation operation, const std::wstring& path, bool byPath) {
    trace.push_back(Call{operation, path, byPath});
    const std::size_t n = ++counts[static_cast<std::size_t>(operation)];
    if (operation != target || n != strikeAt || !Applies(fault, operation)) return false;
    struck = true;
    return true;
}

platform::FileHandle FaultyFileLayer::OpenForReading(const wchar_t* path, platform::ErrorNumber& error) {
    if (Strikes(FileOperation::Open, path)) {
        error = ErrorNumberOf(fault);
        return platform::InvalidFileHandle;
    }
    return Opened(FileLayer::OpenForReading(path, error), path);
}

platform::FileHandle FaultyFileLayer::CreateForWriting(const wchar_t* path, platform::ErrorNumber& error) {
    if (Strikes(FileOperation::Open, path)) {
        error = ErrorNumberOf(fault);
        return platform::InvalidFileHandle;
    }
    return Opened(FileLayer::CreateForWriting(path, error), path);
}

bool FaultyFileLayer::CloseFile(platform::FileHandle handle, platform::ErrorNumber& error) {
    const bool strikes = Strikes(FileOperation::Close, PathOf(handle));
    openPaths.erase(handle);
    const bool closed = FileLayer::CloseFile(handle, error);
    if (!strikes) return closed;
    error = ErrorNumberOf(fault);
    return false;
}

bool FaultyFileLayer::GetOpenFileSize(platform::FileHandle handle, std::uint64_t& size,
                                      platform::ErrorNumber& error) {
    if (Strikes(FileOperation::Size, PathOf(handle))) {
        error = ErrorNumberOf(fault);
        return false;
    }
    return FileLayer::GetOpenFileSize(handle, size, error);
}

bool FaultyFileLayer::FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed,
                                   platform::ErrorNumber& error) {
    if (Strikes(FileOperation::Size, path, true)) {
        findFailed = true;
        error = ErrorNumberOf(fault);
        return false;
    }
    return FileLayer::FindFileSize(path, size, findFailed, error);
}

bool FaultyFileLayer::SetFilePosition(platform::FileHandle handle, std::int64_t distance, unsigned origin,
                                      std::uint64_t* newPosition, platform::ErrorNumber& error) {
    if (Strikes(FileOperation::Seek, PathOf(handle))) {
        error = ErrorNumberOf(fault);
        return false;
    }
    return FileLayer::SetFilePosition(handle, distance, origin, newPosition, error);
}

bool FaultyFileLayer::ReadFromFile(platform::FileHandle handle, void* buffer, std::uint32_t count,
                                   std::uint32_t& bytesRead, platform::ErrorNumber& error) {
    if (!Strikes(FileOperation::Read, PathOf(handle)))
        return FileLayer::ReadFromFile(handle, buffer, count, bytesRead, error);
    bytesRead = 0;
    if (fault == FaultKind::Short) return FileLayer::ReadFromFile(handle, buffer, count / 2, bytesRead, error);
    error = ErrorNumberOf(fault);
    return false;
}

bool FaultyFileLayer::WriteToFile(platform::FileHandle handle, const void* buffer, std::uint32_t count,
                                  std::uint32_t& bytesWritten, platform::ErrorNumber& error) {
    if (!Strikes(FileOperation::Write, PathOf(handle)))
        return FileLayer::WriteToFile(handle, buffer, count, bytesWritten, error);
    bytesWritten = 0;
    if (fault == FaultKind::Short) return FileLayer::WriteToFile(handle, buffer, count / 2, bytesWritten, error);
    error = ErrorNumberOf(fault);
    return false;
}

}
}
