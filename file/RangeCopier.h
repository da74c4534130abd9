#ifndef CLIPREEL_FILE_RANGE_COPIER_H
#define CLIPREEL_FILE_RANGE_COPIER_H

#include "file/FileReader.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace clipreel {

// How the copy of one byte range ended.
enum class RangeCopyResult { Copied, SourceEnded, ReadFailed, WriteFailed, DiskFull };

// Copies byte ranges unchanged from a reader's position to a writer's, for
// one whole operation. The bytes move inside the system where it can
// (FileWriter::CopyInKernel); otherwise through one buffer that lives as
// long as the copier, is allocated at its first use, is never cleared, and
// bounds the memory whatever a range's size. Once the system refuses a copy
// or moves nothing, the rest of the range goes through the buffer, where a
// short read finds the source's end and a failure is told as a read or a
// write failure. Nothing but the buffer's allocation throws
// (std::bad_alloc).
class RangeCopier {
public:
    // Pieces of a few MiB and more run several times slower on Linux than
    // 1 MiB ones (they no longer stay in the processor's caches).
    static constexpr std::uint32_t DefaultBufferSize = 0x100000;

    explicit RangeCopier(std::uint32_t size = DefaultBufferSize);
    ~RangeCopier();
    RangeCopier(const RangeCopier&) = delete;
    RangeCopier& operator=(const RangeCopier&) = delete;

    // Copies count bytes and advances both positions by them. SourceEnded:
    // the source ends first; nothing is written when its size said so
    // before the copy, else the pieces before the short one are.
    RangeCopyResult Copy(FileReader& source, FileWriter& destination, std::uint64_t count);
    // The bytes this copier moved inside the system.
    std::uint64_t KernelBytes() const { return kernelBytes; }

    // For the whole process: false sends every copier through its buffer,
    // as on a system without copies between files (tests compare the two).
    static void AllowKernelCopies(bool allowed);
    static bool KernelCopiesAllowed();

private:
    struct FreeBytes {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    RangeCopyResult CopyThroughBuffer(FileReader& source, FileWriter& destination, std::uint64_t count);
    std::uint8_t* Buffer();

    std::uint32_t bufferSize;
    std::unique_ptr<std::uint8_t, FreeBytes> buffer;
    std::uint64_t kernelBytes = 0;
};

}

#endif
