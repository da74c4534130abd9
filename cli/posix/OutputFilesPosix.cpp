#include "cli/OutputFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <tuple>
#include <unistd.h>

// A temporary is reached through descriptors only: the folder's, held from
// the creation to the placement, and the file's own. Names are looked up
// relative to the folder, and a name is never opened again, so a link or a
// rename swapped in meanwhile cannot send the bytes anywhere else.

namespace clipreel {
namespace cli {

namespace {

std::atomic<bool> namedOnly{false};

std::string Reason(int error) { return std::generic_category().message(error); }

template <typename Call>
int RetryingCall(Call call) {
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// link() refuses an existing name, so a move through it never replaces one;
// it fails on file systems without hard links (FAT), which then take a
// rename after a look that the name is free.
bool MoveWithoutReplacing(int fromFolder, const char* from, int toFolder, const char* to, int& error) {
    if (::linkat(fromFolder, from, toFolder, to, 0) == 0) {
        ::unlinkat(fromFolder, from, 0);
        return true;
    }
    error = errno;
    if (error == EEXIST) return false;
    struct stat taken {};
    if (::fstatat(toFolder, to, &taken, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
        error = EEXIST;
        return false;
    }
    if (::renameat(fromFolder, from, toFolder, to) == 0) return true;
    error = errno;
    return false;
}

// The errors of link() on a file system that has no hard links (FAT) or
// cannot make one from an open file.
bool NoHardLinks(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS || error == EXDEV;
}

bool WriteWhole(int fd, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            reason = Reason(written < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

std::uint32_t FreshTag() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint32_t>(generator());
}

#if defined(__linux__)
// The open file itself, as a path: opening it reopens this very file, and
// no one can turn it into another.
std::filesystem::path DescriptorPath(int fd) { return std::filesystem::path("/proc/self/fd/" + std::to_string(fd)); }
#endif

}

struct TemporaryFile::State {
    std::filesystem::path target;
    std::filesystem::path writePath;
    std::filesystem::path name;  // empty while it has none
    int folder = -1;
    int fd = -1;
    bool linkable = false;      // writePath reaches the open file (/proc/self/fd/N)
    bool fresh = false;         // name was linked from the open file just now
    bool sharesFolder = false;  // holds the folder's shared lock

    ~State() {
        if (fd >= 0) ::close(fd);
        if (folder >= 0) ::close(folder);  // releases the lock
    }

    // While a named temporary of this process lives, the folder is locked
    // shared; the clean-up of stale temporaries needs it exclusive. So a
    // clean-up never runs beside a live writer that may own one of the names
    // it would remove (a writer takes the lock before it makes a name). File
    // systems that cannot lock a folder get no clean-up.
    void ShareFolder() {
        if (sharesFolder) return;
        sharesFolder = RetryingCall([&] { return ::flock(folder, LOCK_SH); }) == 0;
    }

    // Removes the temporary's name, if it still names this file.
    void DropName() {
        if (name.empty()) return;
        struct stat named {};
        struct stat held {};
        const std::string entry = name.filename().native();
        if (::fstatat(folder, entry.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &held) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            ::unlinkat(folder, entry.c_str(), 0);
        }
        name.clear();
    }

    // Once per folder and process: a split into thousands of outputs reads
    // its folder once, not once per output. A folder is known by its path
    // and its identity, since a removed folder's number may return.
    bool FirstVisitOfFolder() {
        static std::mutex visitedLock;
        static std::set<std::tuple<dev_t, ino_t, std::string>> visited;
        struct stat status {};
        if (::fstat(folder, &status) != 0) return false;
        const std::lock_guard<std::mutex> hold(visitedLock);
        return visited.insert({status.st_dev, status.st_ino, target.parent_path().native()}).second;
    }

    void RemoveStaleTemporaries() {
        if (!FirstVisitOfFolder()) return;
        if (RetryingCall([&] { return ::flock(folder, LOCK_EX | LOCK_NB); }) != 0) return;
        const int scan = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (DIR* entries = scan >= 0 ? ::fdopendir(scan) : nullptr) {
            while (const dirent* entry = ::readdir(entries)) {
                if (!IsTemporaryName(entry->d_name)) continue;
                struct stat status {};
                if (::fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)) {
                    ::unlinkat(folder, entry->d_name, 0);
                }
            }
            ::closedir(entries);
        } else if (scan >= 0) {
            ::close(scan);
        }
        ::flock(folder, LOCK_UN);
    }

    bool CreateUnnamed() {
#if defined(__linux__) && defined(O_TMPFILE)
        if (namedOnly.load()) return false;
        fd = RetryingCall([&] { return ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666); });
        if (fd < 0) return false;
        writePath = DescriptorPath(fd);
        // Without /proc the file could be neither reopened nor named.
        linkable = ::access(writePath.c_str(), W_OK) == 0;
        if (linkable) return true;
        ::close(fd);
        fd = -1;
#endif
        return false;
    }

    // Makes a hidden name beside the target with make, trying fresh tags
    // while the name is taken; false with errno as the last try left it.
    template <typename Make>
    bool MakeFreshName(Make make, std::filesystem::path& made) {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate = TemporaryNameBeside(target, FreshTag());
            if (make(candidate.filename().native())) {
                made = candidate;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    // Links the open file itself under entry in the folder; never replaces.
    bool LinkOpenFile(const std::string& entry) const {
        return ::linkat(AT_FDCWD, writePath.c_str(), folder, entry.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    bool CreateNamed(std::string& reason) {
        ShareFolder();
        const auto create = [&](const std::string& entry) {
            fd = RetryingCall([&] {
                return ::openat(folder, entry.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            });
            return fd >= 0;
        };
        if (!MakeFreshName(create, name)) {
            reason = Reason(errno);
            return false;
        }
        writePath = name;
#if defined(__linux__)
        if (::access(DescriptorPath(fd).c_str(), W_OK) == 0) {
            writePath = DescriptorPath(fd);
            linkable = true;
        }
#endif
        return true;
    }
};

TemporaryFile::TemporaryFile(std::unique_ptr<State> opened) : state(std::move(opened)) {}

TemporaryFile::~TemporaryFile() = default;

std::unique_ptr<TemporaryFile> TemporaryFile::CreateBeside(const std::filesystem::path& target, std::string& reason) {
    auto state = std::make_unique<State>();
    state->target = target;
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    state->folder = RetryingCall([&] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (state->folder < 0) {
        reason = Reason(errno);
        return nullptr;
    }
    state->RemoveStaleTemporaries();
    if (!state->CreateUnnamed() && !state->CreateNamed(reason)) return nullptr;
    return std::unique_ptr<TemporaryFile>(new TemporaryFile(std::move(state)));
}

const std::filesystem::path& TemporaryFile::WritePath() const { return state->writePath; }

const std::filesystem::path& TemporaryFile::Name() const { return state->name; }

bool TemporaryFile::WriteAll(const std::vector<std::uint8_t>& bytes, std::string& reason) {
    if (::ftruncate(state->fd, 0) != 0 || ::lseek(state->fd, 0, SEEK_SET) != 0) {
        reason = Reason(errno);
        return false;
    }
    return WriteWhole(state->fd, bytes, reason);
}

std::vector<std::uint8_t> TemporaryFile::FirstBytes() const {
    std::vector<std::uint8_t> bytes(8);
    const ssize_t read = ::pread(state->fd, bytes.data(), bytes.size(), 0);
    bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return bytes;
}

std::string TemporaryFile::SizeLimitReason() const {
    struct rlimit limit {};
    struct stat status {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return {};
    if (::fstat(state->fd, &status) != 0 || static_cast<rlim_t>(status.st_size) < limit.rlim_cur) return {};
    return Reason(EFBIG);
}

bool TemporaryFile::Flush(std::string& reason) {
    if (RetryingCall([&] { return ::fsync(state->fd); }) != 0) {
        reason = Reason(errno);
        return false;
    }
    return true;
}

bool TemporaryFile::GiveHiddenName(std::string& reason) {
    if (!state->linkable) return true;  // its own name is the only way to it
    // A name made from the open file: the name it was created under may
    // have been swapped for a link since.
    state->ShareFolder();
    std::filesystem::path linked;
    if (state->MakeFreshName([&](const std::string& entry) { return state->LinkOpenFile(entry); }, linked)) {
        state->DropName();
        state->name = linked;
        state->fresh = true;
        return true;
    }
    // A file system without hard links (FAT) moves the name it was created
    // under.
    if (NoHardLinks(errno) && !state->name.empty()) {
        state->fresh = true;
        return true;
    }
    reason = Reason(errno);
    return false;
}

bool TemporaryFile::Place(const std::filesystem::path& target, bool replace, std::string& reason, bool& exists) {
    exists = false;
    const std::string entry = target.filename().native();
    int error = 0;
    if (replace) {
        if (state->name.empty() || (state->linkable && !state->fresh)) {
            error = EINVAL;  // GiveHiddenName first
        } else if (::renameat(state->folder, state->name.filename().c_str(), state->folder, entry.c_str()) != 0) {
            error = errno;
        }
    } else {
        // link() never replaces, and this one links the open file itself.
        int linkError = ENOTSUP;
        if (state->linkable) linkError = state->LinkOpenFile(entry) ? 0 : errno;
        if (linkError == 0) {
            state->DropName();
        } else if (!NoHardLinks(linkError) || state->name.empty()) {
            error = linkError;
        } else {
            // The name it was created under moves instead.
            MoveWithoutReplacing(state->folder, state->name.filename().c_str(), state->folder, entry.c_str(), error);
        }
    }
    if (error != 0) {
        exists = error == EEXIST;
        reason = Reason(error);
        return false;
    }
    state->name.clear();
    return true;
}

bool TemporaryFile::SyncFolder(std::string& reason) {
    // Some file systems cannot flush a folder (EINVAL): they keep names in
    // step with the data themselves.
    if (RetryingCall([&] { return ::fsync(state->folder); }) != 0 && errno != EINVAL) {
        reason = Reason(errno);
        return false;
    }
    return true;
}

void TemporaryFile::Remove() { state->DropName(); }

bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    const int fd = RetryingCall([&] { return ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC); });
    if (fd < 0) {
        reason = Reason(errno);
        return false;
    }
    if (!WriteWhole(fd, bytes, reason)) {
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        reason = Reason(errno);
        return false;
    }
    return true;
}

void UseNamedTemporariesOnly(bool only) { namedOnly.store(only); }

void RemoveFileNow(const NativeChar* path) { ::unlink(path); }

void MoveFileNow(const NativeChar* from, const NativeChar* to) {
    int error = 0;
    MoveWithoutReplacing(AT_FDCWD, from, AT_FDCWD, to, error);
}

void LinkFileNow(const NativeChar* writePath, const NativeChar* to) {
    ::linkat(AT_FDCWD, writePath, AT_FDCWD, to, AT_SYMLINK_FOLLOW);
}

}
}
