#include "platform/FileSystem.h"
#include "platform/FileLayer.h"

#include <windows.h>

namespace clipreel {
namespace platform {

namespace {

HANDLE ToHandle(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

FileHandle FromHandle(HANDLE handle) {
    return reinterpret_cast<FileHandle>(handle);
}

ErrorNumber LastError() { return static_cast<ErrorNumber>(GetLastError()); }

// FindFirstFileW takes '*' and '?' as wildcards and would report the size of
// whichever file matched first; no file's name holds them, so such a path
// names nothing. The "\\?\" prefix of long paths is not a wildcard.
bool HasWildcard(const wchar_t* path) {
    const wchar_t* p = path;
    if (p[0] == L'\\' && p[1] == L'\\' && p[2] == L'?' && p[3] == L'\\') p += 4;
    for (; *p != L'\0'; ++p) {
        if (*p == L'*' || *p == L'?') return true;
    }
    return false;
}

FileHandle OpenSharingReads(const wchar_t* path, DWORD flags, ErrorNumber& error) {
    const HANDLE handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = LastError();
        return InvalidFileHandle;
    }
    return FromHandle(handle);
}

}

// The system calls themselves; platform/FileSystem.cpp routes every call
// here unless a test layer stands in their place.
namespace native {

FileHandle OpenForReading(const wchar_t* path, ErrorNumber& error) {
    return OpenSharingReads(path, FILE_ATTRIBUTE_NORMAL, error);
}

FileHandle OpenForSequentialReading(const wchar_t* path, ErrorNumber& error) {
    return OpenSharingReads(path, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, error);
}

FileHandle CreateForWriting(const wchar_t* path, ErrorNumber& error) {
    const HANDLE handle = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = LastError();
        return InvalidFileHandle;
    }
    return FromHandle(handle);
}

bool CloseFile(FileHandle handle, ErrorNumber& error) {
    if (!CloseHandle(ToHandle(handle))) {
        error = LastError();
        return false;
    }
    return true;
}

bool GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(ToHandle(handle), &value)) {
        error = LastError();
        return false;
    }
    size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error) {
    findFailed = false;
    if (path == nullptr || HasWildcard(path)) {
        error = ERROR_INVALID_NAME;
        findFailed = true;
        return false;
    }
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(path, &data);
    if (find == INVALID_HANDLE_VALUE) {
        error = LastError();
        findFailed = true;
        return false;
    }
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (!FindClose(find)) {
        error = LastError();
        return false;
    }
    return true;
}

bool SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin,
                     std::uint64_t* newPosition, ErrorNumber& error) {
    DWORD method;
    switch (origin) {
    case 0: method = FILE_BEGIN; break;
    case 1: method = FILE_CURRENT; break;
    case 2: method = FILE_END; break;
    default:
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    LARGE_INTEGER move;
    move.QuadPart = distance;
    LARGE_INTEGER result;
    result.QuadPart = 0;
    if (!SetFilePointerEx(ToHandle(handle), move, newPosition != nullptr ? &result : nullptr, method)) {
        error = LastError();
        return false;
    }
    if (newPosition != nullptr) *newPosition = static_cast<std::uint64_t>(result.QuadPart);
    return true;
}

bool ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                  ErrorNumber& error) {
    DWORD done = 0;
    if (!ReadFile(ToHandle(handle), buffer, count, &done, nullptr)) {
        error = LastError();
        bytesRead = 0;
        return false;
    }
    bytesRead = done;
    return true;
}

bool WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count,
                 std::uint32_t& bytesWritten, ErrorNumber& error) {
    DWORD done = 0;
    if (!WriteFile(ToHandle(handle), buffer, count, &done, nullptr)) {
        error = LastError();
        bytesWritten = 0;
        return false;
    }
    bytesWritten = done;
    return true;
}

// Windows has no copy between two open handles that keeps their positions:
// the caller copies through its own buffer, in large sequential pieces.
bool CopyFileRange(FileHandle, FileHandle, std::uint32_t, std::uint32_t& moved, ErrorNumber& error) {
    moved = 0;
    error = ERROR_NOT_SUPPORTED;
    return false;
}

}

bool IsDiskFullError(ErrorNumber error) {
    return error == ERROR_DISK_FULL;
}

ErrorNumber FileNotFoundError() {
    return ERROR_FILE_NOT_FOUND;
}

bool IsSameFile(const wchar_t* a, const wchar_t* b) {
    if (a == nullptr || b == nullptr) return false;
    // Opened for no access with every sharing mode, so that files open
    // elsewhere (a reader of this library included) can still be compared.
    auto identify = [](const wchar_t* path, BY_HANDLE_FILE_INFORMATION& info) {
        const HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const BOOL known = GetFileInformationByHandle(handle, &info);
        CloseHandle(handle);
        return known != FALSE;
    };
    BY_HANDLE_FILE_INFORMATION infoA;
    BY_HANDLE_FILE_INFORMATION infoB;
    if (!identify(a, infoA) || !identify(b, infoB)) return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

}
}
