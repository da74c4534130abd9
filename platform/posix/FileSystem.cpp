#include "platform/FileSystem.h"
#include "platform/FileLayer.h"

#include "platform/posix/SplicePipe.h"
#include "platform/posix/WidePath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

// The POSIX backend gives the results of the Win32 one. Sharing: a reader
// holds a shared whole-file lock, a writer an exclusive one; the locks belong
// to the open file description, so they separate two objects of one process
// as well as two processes. The lock attempt never waits: a conflicting open
// fails at once, as a sharing violation does.

namespace clipreel {
namespace platform {

namespace {

int ToDescriptor(FileHandle handle) {
    if (handle < 0 || handle > INT_MAX) return -1;
    return static_cast<int>(handle);
}

ErrorNumber LastError() { return static_cast<ErrorNumber>(errno); }

// Converts the path, or fails as the system does for a name it cannot hold.
bool SystemPath(const wchar_t* path, std::string& out, ErrorNumber& error) {
    if (WidePathToUtf8(path, out)) return true;
    error = static_cast<ErrorNumber>(path == nullptr ? EFAULT : EILSEQ);
    return false;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool LockRetrying(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Closes a descriptor that failed to open fully, keeping the first error.
void Abandon(int fd, ErrorNumber& error, ErrorNumber reason) {
    ::close(fd);
    error = reason;
}

}

// The system calls themselves; platform/FileSystem.cpp routes every call
// here unless a test layer stands in their place.
namespace native {

FileHandle OpenForReading(const wchar_t* path, ErrorNumber& error) {
    std::string systemPath;
    if (!SystemPath(path, systemPath, error)) return InvalidFileHandle;
    const int fd = OpenRetrying(systemPath.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        error = LastError();
        return InvalidFileHandle;
    }
    // A folder opens here but not as a Win32 file; it has no bytes to read.
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        Abandon(fd, error, LastError());
        return InvalidFileHandle;
    }
    if (S_ISDIR(info.st_mode)) {
        Abandon(fd, error, EISDIR);
        return InvalidFileHandle;
    }
    if (!LockRetrying(fd, LOCK_SH)) {
        Abandon(fd, error, LastError());
        return InvalidFileHandle;
    }
    return fd;
}

FileHandle OpenForSequentialReading(const wchar_t* path, ErrorNumber& error) {
    const FileHandle handle = OpenForReading(path, error);
    // Only a hint: a system that ignores it reads the same bytes.
    if (handle != InvalidFileHandle) ::posix_fadvise(ToDescriptor(handle), 0, 0, POSIX_FADV_SEQUENTIAL);
    return handle;
}

FileHandle CreateForWriting(const wchar_t* path, ErrorNumber& error) {
    std::string systemPath;
    if (!SystemPath(path, systemPath, error)) return InvalidFileHandle;
    // Not O_TRUNC: the bytes of a file that someone else holds open must stay
    // as they are, so the truncation waits until the exclusive lock is held.
    const int fd = OpenRetrying(systemPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = LastError();
        return InvalidFileHandle;
    }
    if (!LockRetrying(fd, LOCK_EX)) {
        Abandon(fd, error, LastError());
        return InvalidFileHandle;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        Abandon(fd, error, LastError());
        return InvalidFileHandle;
    }
    // Only a regular file has a length to cut; a device keeps its nature.
    // An empty file is left alone: some file systems (ext4) take a cut to
    // zero for a file being replaced and write all of it out when it is
    // closed, which would make the close of a new file wait for the disk.
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        int result;
        do {
            result = ::ftruncate(fd, 0);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            Abandon(fd, error, LastError());
            return InvalidFileHandle;
        }
    }
    return fd;
}

bool CloseFile(FileHandle handle, ErrorNumber& error) {
    // Not retried on EINTR: the descriptor is released either way on Linux,
    // and a second close could hit a descriptor opened meanwhile.
    if (::close(ToDescriptor(handle)) != 0 && errno != EINTR) {
        error = LastError();
        return false;
    }
    return true;
}

bool GetOpenFileSize(FileHandle handle, std::uint64_t& size, ErrorNumber& error) {
    struct stat info {};
    if (::fstat(ToDescriptor(handle), &info) != 0) {
        error = LastError();
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed, ErrorNumber& error) {
    findFailed = false;
    std::string systemPath;
    if (!SystemPath(path, systemPath, error)) {
        findFailed = true;
        return false;
    }
    struct stat info {};
    if (::stat(systemPath.c_str(), &info) != 0) {
        error = LastError();
        findFailed = true;
        return false;
    }
    // A folder's directory entry has no length of its own.
    size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool SetFilePosition(FileHandle handle, std::int64_t distance, unsigned origin,
                     std::uint64_t* newPosition, ErrorNumber& error) {
    int whence;
    switch (origin) {
    case 0: whence = SEEK_SET; break;
    case 1: whence = SEEK_CUR; break;
    case 2: whence = SEEK_END; break;
    default:
        error = EINVAL;
        return false;
    }
    const off_t result = ::lseek(ToDescriptor(handle), static_cast<off_t>(distance), whence);
    if (result == static_cast<off_t>(-1)) {
        error = LastError();
        return false;
    }
    if (newPosition != nullptr) *newPosition = static_cast<std::uint64_t>(result);
    return true;
}

// A single read(2) may stop early (a signal, the 2 GiB limit of one call);
// the loop stops only at the end of the file, so a short count means what it
// means on Windows.
bool ReadFromFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& bytesRead,
                  ErrorNumber& error) {
    bytesRead = 0;
    const int fd = ToDescriptor(handle);
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    do {
        const ssize_t result = ::read(fd, bytes + done, static_cast<size_t>(count - done));
        if (result < 0) {
            if (errno == EINTR) continue;
            error = LastError();
            return false;
        }
        if (result == 0) break;
        done += static_cast<std::uint32_t>(result);
    } while (done < count);
    bytesRead = done;
    return true;
}

// write(2) may move fewer bytes than asked; it is called again for the rest,
// so that a full disk shows as the ENOSPC of the next call.
bool WriteToFile(FileHandle handle, const void* buffer, std::uint32_t count,
                 std::uint32_t& bytesWritten, ErrorNumber& error) {
    bytesWritten = 0;
    const int fd = ToDescriptor(handle);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::uint32_t done = 0;
    do {
        const ssize_t result = ::write(fd, bytes + done, static_cast<size_t>(count - done));
        if (result < 0) {
            if (errno == EINTR) continue;
            error = LastError();
            return false;
        }
        if (result == 0) {
            error = ENOSPC;
            return false;
        }
        done += static_cast<std::uint32_t>(result);
    } while (done < count);
    bytesWritten = done;
    return true;
}

bool CopyFileRange(FileHandle source, FileHandle destination, std::uint32_t count, std::uint32_t& moved,
                   ErrorNumber& error) {
    moved = 0;
#if defined(__linux__)
    const int in = ToDescriptor(source);
    const int out = ToDescriptor(destination);
    const off_t from = ::lseek(in, 0, SEEK_CUR);
    const off_t to = ::lseek(out, 0, SEEK_CUR);
    if (from < 0 || to < 0) {
        error = LastError();
        return false;
    }
    // Linux moves the bytes page by page of the source. Where the two
    // positions differ within a page, copy_file_range writes every page of
    // the destination in two parts and runs slower than a read and a write;
    // the source's pages spliced through a large pipe are written once.
    constexpr off_t PageSize = 4096;
    if ((to - from) % PageSize != 0) return SpliceRange(in, from, out, to, count, moved, error);
    // It writes in runs of 64 KiB; runs that start on a 64 KiB boundary of
    // the destination fill whole pages of its cache, about a quarter faster.
    // A copy from elsewhere goes up to the next boundary.
    constexpr off_t RunSize = 0x10000;
    if (to % RunSize != 0) count = static_cast<std::uint32_t>(std::min<off_t>(count, RunSize - to % RunSize));
    ssize_t result;
    do {
        result = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(count), 0);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        error = LastError();
        return false;
    }
    moved = static_cast<std::uint32_t>(result);
    return true;
#else
    (void)source;
    (void)destination;
    (void)count;
    error = static_cast<ErrorNumber>(ENOSYS);
    return false;
#endif
}

}

bool IsDiskFullError(ErrorNumber error) {
    if (error == static_cast<ErrorNumber>(ENOSPC)) return true;
#ifdef EDQUOT
    if (error == static_cast<ErrorNumber>(EDQUOT)) return true;
#endif
    return false;
}

ErrorNumber FileNotFoundError() {
    return static_cast<ErrorNumber>(ENOENT);
}

bool IsSameFile(const wchar_t* a, const wchar_t* b) {
    std::string pathA;
    std::string pathB;
    if (!WidePathToUtf8(a, pathA) || !WidePathToUtf8(b, pathB)) return false;
    struct stat infoA {};
    struct stat infoB {};
    if (::stat(pathA.c_str(), &infoA) != 0 || ::stat(pathB.c_str(), &infoB) != 0) return false;
    return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

}
}
