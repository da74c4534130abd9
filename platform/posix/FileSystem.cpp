#include "platform/FileSystem.h"
#include "platform/FileLayer.h"

#include "platform/posix/WidePath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
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

#if defined(__linux__)
namespace {

// Pipes hold 64 KiB unless asked for more; 1 MiB, the most an ordinary user
// may ask for, halves the system calls per byte and moves a gigabyte as fast
// as a copy between matching positions.
constexpr int SplicePipeSize = 0x100000;

// The two ends of a pipe sized for splicing, closed with it.
class Pipe {
public:
    Pipe() {
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            ends[0] = ends[1] = -1;
            return;
        }
        // A smaller pipe still works, only with more calls.
        (void)::fcntl(ends[1], F_SETPIPE_SZ, SplicePipeSize);
        const int held = ::fcntl(ends[1], F_GETPIPE_SZ);
        capacity = held > 0 ? static_cast<std::uint32_t>(held) : 0x10000;
    }
    ~Pipe() {
        for (const int end : ends)
            if (end >= 0) ::close(end);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool IsOpen() const { return ends[0] >= 0; }
    int ReadEnd() const { return ends[0]; }
    int WriteEnd() const { return ends[1]; }
    std::uint32_t Capacity() const { return capacity; }
    pid_t Owner() const { return owner; }

private:
    int ends[2];
    std::uint32_t capacity = 0;
    const pid_t owner = ::getpid();
};

// Each thread splices through one pipe, made at its first splice and kept
// empty between copies: making and sizing a pipe for every range cost as
// much as splicing a short unit through it. A process forked from this one
// makes its own: two processes splicing through one pipe would take each
// other's bytes.
thread_local std::unique_ptr<Pipe> splicePipe;

Pipe* ThreadPipe() {
    if (!splicePipe || splicePipe->Owner() != ::getpid()) {
        auto pipe = std::make_unique<Pipe>();
        if (!pipe->IsOpen()) return nullptr;
        splicePipe = std::move(pipe);
    }
    return splicePipe.get();
}

bool IsRegularFile(int descriptor) {
    struct stat status;
    return ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}

// Moves up to count bytes from in at from to out at to through the thread's
// pipe: the source's cached pages go into the pipe by reference and are
// copied once, into the destination's cache. Both offsets are given to the
// calls, so the file positions move only by what reached the destination, at
// the end: a failure halfway leaves nothing unaccounted for, and the bytes
// still in the pipe are dropped with it and read again by whoever copies
// the rest.
bool SpliceRange(int in, off_t from, int out, off_t to, std::uint32_t count, std::uint32_t& moved,
                 ErrorNumber& error) {
    moved = 0;
    if (!IsRegularFile(in) || !IsRegularFile(out)) {
        error = static_cast<ErrorNumber>(EINVAL);
        return false;
    }
    Pipe* const pipe = ThreadPipe();
    if (pipe == nullptr) {
        error = LastError();
        return false;
    }
    const std::uint32_t piece = pipe->Capacity();
    off_t readAt = from;
    off_t writeAt = to;
    int failure = 0;
    while (moved < count && failure == 0) {
        ssize_t filled;
        do {
            filled = ::splice(in, &readAt, pipe->WriteEnd(), nullptr, std::min(count - moved, piece), SPLICE_F_MOVE);
        } while (filled < 0 && errno == EINTR);
        if (filled < 0) failure = errno;
        if (filled <= 0) break;
        for (ssize_t pending = filled; pending > 0;) {
            ssize_t emptied;
            do {
                emptied =
                    ::splice(pipe->ReadEnd(), nullptr, out, &writeAt, static_cast<size_t>(pending), SPLICE_F_MOVE);
            } while (emptied < 0 && errno == EINTR);
            if (emptied <= 0) {
                // A destination that takes nothing without an error is full.
                failure = emptied < 0 ? errno : ENOSPC;
                splicePipe.reset();
                break;
            }
            pending -= emptied;
            moved += static_cast<std::uint32_t>(emptied);
        }
    }
    if (moved == 0) {
        error = static_cast<ErrorNumber>(failure);
        return failure == 0;
    }
    // What arrived counts; a failure shows again at the next call.
    if (::lseek(in, from + moved, SEEK_SET) < 0) {
        error = LastError();
        moved = 0;
        return false;
    }
    if (::lseek(out, to + moved, SEEK_SET) < 0) {
        error = LastError();
        (void)::lseek(in, from, SEEK_SET);
        moved = 0;
        return false;
    }
    return true;
}

}
#endif

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
