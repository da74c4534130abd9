#include "platform/posix/SplicePipe.h"

#if defined(__linux__)

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipreel {
namespace platform {

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

ErrorNumber LastError() { return static_cast<ErrorNumber>(errno); }

}

bool SpliceRange(int in, off_t from, int out, off_t to, std::uint32_t count, std::uint32_t& moved, ErrorNumber& error) {
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
}

#endif
