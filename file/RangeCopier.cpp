#include "file/RangeCopier.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace clipreel {

namespace {

std::atomic<bool> kernelCopiesAllowed{true};

// One system copy moves at most this much, below every system's limit of a
// single call.
constexpr std::uint32_t KernelPieceSize = 0x40000000;

// A range that runs past the end of a source of known size is refused before
// a byte of it is written, as when it was read whole first. Files whose size
// the system does not know (0: special files, devices) are copied until they
// end. A reader that is not open is left to fail at the read; an open one
// that cannot tell its position or size fails as its read would.
RangeCopyResult CheckRange(FileReader& source, std::uint64_t count) {
    if (!source.IsOpen()) return RangeCopyResult::Copied;
    const std::uint64_t position = source.GetPosition();
    if (position == InvalidFileSize) return RangeCopyResult::ReadFailed;
    const std::uint64_t size = source.GetFileSize();
    if (size == InvalidFileSize) return RangeCopyResult::ReadFailed;
    if (size == 0) return RangeCopyResult::Copied;
    if (position > size || count > size - position) return RangeCopyResult::SourceEnded;
    return RangeCopyResult::Copied;
}

}

RangeCopier::RangeCopier(std::uint32_t size) : bufferSize(std::max<std::uint32_t>(size, 1)) {}

RangeCopier::~RangeCopier() = default;

void RangeCopier::AllowKernelCopies(bool allowed) {
    kernelCopiesAllowed.store(allowed);
}

bool RangeCopier::KernelCopiesAllowed() {
    return kernelCopiesAllowed.load();
}

RangeCopyResult RangeCopier::Copy(FileReader& source, FileWriter& destination, std::uint64_t count) {
    const RangeCopyResult range = CheckRange(source, count);
    if (range != RangeCopyResult::Copied) return range;
    std::uint64_t left = count;
    while (left > 0 && KernelCopiesAllowed()) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, KernelPieceSize));
        std::uint32_t moved = 0;
        // Nothing moved: the source's end, or a file the system only
        // pretends to copy (such as one whose size it does not know).
        if (!destination.CopyInKernel(source, piece, moved) || moved == 0) break;
        left -= moved;
        kernelBytes += moved;
    }
    return CopyThroughBuffer(source, destination, left);
}

RangeCopyResult RangeCopier::CopyThroughBuffer(FileReader& source, FileWriter& destination, std::uint64_t count) {
    for (std::uint64_t left = count; left > 0;) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, bufferSize));
        std::uint8_t* bytes = Buffer();
        bool shortRead = false;
        if (!source.Read(bytes, piece, shortRead)) return RangeCopyResult::ReadFailed;
        if (shortRead) return RangeCopyResult::SourceEnded;
        bool diskFull = false;
        if (!destination.Write(bytes, piece, diskFull))
            return diskFull ? RangeCopyResult::DiskFull : RangeCopyResult::WriteFailed;
        left -= piece;
    }
    return RangeCopyResult::Copied;
}

std::uint8_t* RangeCopier::Buffer() {
    // malloc, not a vector: the buffer is filled by the next read, so
    // clearing it first would only cost time.
    if (!buffer) {
        buffer.reset(static_cast<std::uint8_t*>(std::malloc(bufferSize)));
        if (!buffer) throw std::bad_alloc();
    }
    return buffer.get();
}

}
