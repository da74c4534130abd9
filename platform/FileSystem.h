#ifndef CLIPREEL_PLATFORM_FILE_SYSTEM_H
#define CLIPREEL_PLATFORM_FILE_SYSTEM_H

#include <cstdint>

namespace clipreel {
namespace platform {

// A native file handle: a Win32 HANDLE or a POSIX descriptor, widened.
using FileHandle = std::intptr_t;
constexpr FileHandle InvalidFileHandle = -1;

// The system error number of a failed call: GetLastError() or errno.
using ErrorNumber = std::uint32_t;

// Each call returns false (or InvalidFileHandle) on failure and stores the
// system error number in error.
FileHandle OpenForReading(const wchar_t* path, ErrorNumber& error);   // shares reading only
// The same, telling the system that the file will be read from start to end,
// so that it reads ahead further (FILE_FLAG_SEQUENTIAL_SCAN; POSIX_FADV_SEQUENTIAL).
FileHandle OpenForSequentialReading(const wchar_t* path, ErrorNumber& error);
FileHandle CreateForWriting(const wchar_t* path, ErrorNumber& error); // shares nothing, truncates
bool CloseFile(FileHandle handle, ErrorNumber& error);
bool GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error);
// Looks the path up without opening it. findFailed tells a failed lookup
// from a failed close of the lookup (the size is then still valid).
bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error);
// origin: 0 begin, 1 current, 2 end. newPosition may be null.
bool SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin,
                     std::uint64_t* newPosition, ErrorNumber& error);
bool ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                  ErrorNumber& error);
bool WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count,
                 std::uint32_t& bytesWritten, ErrorNumber& error);
// Moves up to count bytes from source's position to destination's position
// without passing them through this process (copy_file_range, or splice
// through a pipe), advancing both positions by moved. It may move fewer bytes
// than asked, and none at the source's end. False when the system refuses
// the pair or fails (another file system, a special file, no such call:
// always on Windows); nothing was moved then, and a read and a write can
// still do the copy and tell a read failure from a write failure.
bool CopyFileRange(FileHandle source, FileHandle destination, std::uint32_t count, std::uint32_t& moved,
                   ErrorNumber& error);
// The system's disk-full error (ERROR_DISK_FULL; ENOSPC or EDQUOT).
bool IsDiskFullError(ErrorNumber error);
// The system's file-not-found error (ERROR_FILE_NOT_FOUND; ENOENT).
ErrorNumber FileNotFoundError();
// Whether two paths name the same existing file (also through links or
// other spellings). False when either cannot be looked up.
bool IsSameFile(const wchar_t* a, const wchar_t* b);

}
}

#endif
