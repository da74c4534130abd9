#include "cli/OutputFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace clipreel {
namespace cli {

namespace {

std::string Reason(int error) {
    return std::generic_category().message(error);
}

// link() refuses an existing name, so a move through it never replaces one;
// it fails on file systems without hard links, which then take a rename
// after a look that the name is free.
bool MoveWithoutReplacing(const char* from, const char* to, int& error) {
    if (::link(from, to) == 0) {
        ::unlink(from);
        return true;
    }
    error = errno;
    if (error == EEXIST) return false;
    if (::access(to, F_OK) == 0 || errno != ENOENT) {
        error = EEXIST;
        return false;
    }
    if (::rename(from, to) == 0) return true;
    error = errno;
    return false;
}

}

bool CreateNewFile(const std::filesystem::path& path, std::string& reason, bool& exists) {
    exists = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        exists = errno == EEXIST;
        reason = Reason(errno);
        return false;
    }
    ::close(fd);
    return true;
}

bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
              std::string& reason, bool& exists) {
    exists = false;
    int error = 0;
    if (replace) {
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
        error = errno;
    } else if (MoveWithoutReplacing(from.c_str(), to.c_str(), error)) {
        return true;
    }
    exists = error == EEXIST;
    reason = Reason(error);
    return false;
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = Reason(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            reason = Reason(written < 0 ? errno : ENOSPC);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    // A full disk may only show when the data reach it.
    if ((::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) ) {
        reason = Reason(errno);
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        reason = Reason(errno);
        return false;
    }
    return true;
}

void RemoveFileNow(const NativeChar* path) {
    ::unlink(path);
}

void MoveFileNow(const NativeChar* from, const NativeChar* to) {
    int error = 0;
    MoveWithoutReplacing(from, to, error);
}

}
}
