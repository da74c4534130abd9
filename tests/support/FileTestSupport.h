#ifndef CLIPREEL_TESTS_SUPPORT_FILE_TEST_SUPPORT_H
#define CLIPREEL_TESTS_SUPPORT_FILE_TEST_SUPPORT_H

#include "file/RangeCopier.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// The file layer moves bytes and never looks at them, so its fixtures are
// plain byte runs whose every position differs from its neighbours.
inline std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint8_t seed = 1) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// The system error numbers the log lines carry, per backend.
#if defined(_WIN32)
constexpr unsigned FileNotFound = 2;        // ERROR_FILE_NOT_FOUND
constexpr unsigned SharingViolation = 32;   // ERROR_SHARING_VIOLATION
constexpr unsigned NotWritable = 5;         // ERROR_ACCESS_DENIED
constexpr unsigned NotReadable = 5;         // ERROR_ACCESS_DENIED
constexpr unsigned InvalidHandle = 6;       // ERROR_INVALID_HANDLE
constexpr unsigned NegativeSeek = 131;      // ERROR_NEGATIVE_SEEK
constexpr unsigned FolderAsFile = 5;        // ERROR_ACCESS_DENIED
constexpr unsigned WildcardName = 123;      // ERROR_INVALID_NAME
#else
constexpr unsigned FileNotFound = ENOENT;
constexpr unsigned SharingViolation = EWOULDBLOCK;
constexpr unsigned NotWritable = EBADF;
constexpr unsigned NotReadable = EBADF;
constexpr unsigned InvalidHandle = EBADF;
constexpr unsigned NegativeSeek = EINVAL;
constexpr unsigned FolderAsFile = EISDIR;
constexpr unsigned WildcardName = ENOENT;
#endif

// Turns the copies inside the system on or off for one scope, so that a
// test can compare them with the copies through the copier's buffer.
class KernelCopies {
public:
    explicit KernelCopies(bool allowed) : before(RangeCopier::KernelCopiesAllowed()) {
        RangeCopier::AllowKernelCopies(allowed);
    }
    ~KernelCopies() { RangeCopier::AllowKernelCopies(before); }
    KernelCopies(const KernelCopies&) = delete;
    KernelCopies& operator=(const KernelCopies&) = delete;

private:
    bool before;
};

inline std::string LogLine(const char* call, unsigned error) {
    return std::string(call) + " Error : " + std::to_string(error) + " \n";
}

}
}

#endif
