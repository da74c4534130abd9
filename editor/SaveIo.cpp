#include "editor/SaveIo.h"

#include "editor/OpenEndedAtom.h"

namespace clipreel {

namespace {
using E = CClipreelMovFileEditor;
}

SaveResult SaveResultOf(RangeCopyResult copy) {
    switch (copy) {
    case RangeCopyResult::Copied: return E::CREATEMOVFILE_SUCCESS;
    case RangeCopyResult::SourceEnded: return E::CREATEMOVFILE_INVALID_SOURCE;
    case RangeCopyResult::ReadFailed: return E::CREATEMOVFILE_READ_ERROR;
    case RangeCopyResult::WriteFailed: return E::CREATEMOVFILE_WRITE_ERROR;
    case RangeCopyResult::DiskFull: return E::CREATEMOVFILE_DISK_FULL;
    }
    return E::CREATEMOVFILE_INTERNAL_ERROR;
}

SaveResult WriteFailure(bool diskFull) {
    return diskFull ? E::CREATEMOVFILE_DISK_FULL : E::CREATEMOVFILE_WRITE_ERROR;
}

SaveResult ReadWhole(FileReader& source, void* bytes, std::uint32_t count) {
    bool shortRead = false;
    if (!source.Read(bytes, count, shortRead)) return E::CREATEMOVFILE_READ_ERROR;
    return shortRead ? E::CREATEMOVFILE_INVALID_SOURCE : E::CREATEMOVFILE_SUCCESS;
}

SaveResult WriteWhole(FileWriter& destination, const void* bytes, std::uint32_t count) {
    bool diskFull = false;
    return destination.Write(bytes, count, diskFull) ? E::CREATEMOVFILE_SUCCESS : WriteFailure(diskFull);
}

SaveResult WriteAtom(FileWriter& destination, std::uint64_t atomStart, const void* bytes, std::uint32_t count) {
    const SaveResult written = WriteWhole(destination, bytes, count);
    if (written != E::CREATEMOVFILE_SUCCESS) MarkAtomOpenEnded(destination, atomStart);
    return written;
}

SaveResult SeekOr(FileReader& file, std::uint64_t position, SaveResult failure) {
    return file.Seek(SeekBegin, static_cast<std::int64_t>(position)) ? E::CREATEMOVFILE_SUCCESS : failure;
}

SaveResult PositionOf(FileWriter& destination, std::uint64_t& position) {
    position = destination.GetPosition();
    return position == InvalidFileSize ? E::CREATEMOVFILE_WRITE_ERROR : E::CREATEMOVFILE_SUCCESS;
}

SaveResult CopyRangeAt(RangeCopier& copier, FileReader& source, std::uint64_t offset, FileWriter& destination,
                       std::uint64_t count) {
    const SaveResult sought = SeekOr(source, offset, E::CREATEMOVFILE_READ_ERROR);
    if (sought != E::CREATEMOVFILE_SUCCESS) return sought;
    return SaveResultOf(copier.Copy(source, destination, count));
}

SaveResult CopyAtom(RangeCopier& copier, FileReader& source, FileWriter& destination, std::uint64_t atomStart,
                    std::uint64_t count) {
    const SaveResult copied = SaveResultOf(copier.Copy(source, destination, count));
    if (copied != E::CREATEMOVFILE_SUCCESS) MarkAtomOpenEnded(destination, atomStart);
    return copied;
}

SaveResult CloseDestination(FileWriter& destination) {
    return destination.Close() ? E::CREATEMOVFILE_SUCCESS : E::CREATEMOVFILE_WRITE_ERROR;
}

}
