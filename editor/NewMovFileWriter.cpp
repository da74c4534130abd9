#include "ClipreelMovFileEditor.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"
#include "editor/DestinationCheck.h"
#include "editor/MovieAtomCopy.h"
#include "editor/OpenEndedAtom.h"
#include "editor/ReelSourceCheck.h"
#include "editor/ThumbnailMaker.h"
#include "file/FileReader.h"
#include "platform/Image.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

using clipreel::FileReader;
using clipreel::FileWriter;
using clipreel::MoviePrivateAccess;

namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

// Atoms other than the movie and media data atoms are copied through a
// buffer of at most this size, so memory stays bounded by the largest unit.
constexpr std::uint32_t CopyBlockSize = 0xA00000;
constexpr std::uint64_t Max32 = 0xFFFFFFFFu;

struct MallocFree {
    void operator()(void* p) const { std::free(p); }
};

Result WriteFailure(bool diskFull) {
    return diskFull ? CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL : CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
}

// Writes the 'mdat' header at headerPosition again with the size of the data
// written after it so far, and returns to the end.
Result WriteMediaDataSize(FileWriter& writer, std::uint64_t headerPosition) {
    const std::uint64_t end = writer.GetPosition();
    if (end == clipreel::InvalidFileSize) return CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
    if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(headerPosition)))
        return CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
    std::uint8_t header[8] = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
    clipreel::ByteWriter(header, sizeof header).PokeU32BE(0, static_cast<std::uint32_t>(end - headerPosition));
    bool diskFull = false;
    if (!writer.Write(header, sizeof header, diskFull)) return WriteFailure(diskFull);
    if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(end)))
        return CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
    return CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS;
}

// The layout the writer depends on: the movie atom first, then exactly one
// media data atom; every atom copied through a 32-bit read.
bool HasWritableLayout(const clipreel::CTopLevelAtoms& atoms) {
    const std::uint32_t moov = clipreel::FourCC("moov");
    const std::uint32_t mdat = clipreel::FourCC("mdat");
    bool seenMovie = false;
    unsigned mediaData = 0;
    for (unsigned i = 0; i < atoms.GetCount(); ++i) {
        const clipreel::TopLevelAtomInfo& atom = atoms.GetAt(i);
        if (atom.type == moov) {
            if (seenMovie) return false;
            seenMovie = true;
        } else if (atom.type == mdat) {
            if (!seenMovie || ++mediaData > 1) return false;
        }
    }
    return seenMovie && mediaData == 1;
}

// Where the kept media data will start in the new file: every atom before
// the media data atom, the movie atom at its new size, plus the 8-byte
// 'mdat' header.
std::uint64_t MediaDataStart(const clipreel::CTopLevelAtoms& atoms, std::uint64_t newMovieSize) {
    std::uint64_t position = 0;
    for (unsigned i = 0; i < atoms.GetCount(); ++i) {
        const clipreel::TopLevelAtomInfo& atom = atoms.GetAt(i);
        if (atom.type == clipreel::FourCC("mdat")) return position + 8;
        position += atom.type == clipreel::FourCC("moov") ? newMovieSize : atom.size;
    }
    return position;
}

// The room the new image data has in the thumbnail: from the end of the old
// Exif segment to the end of the old payload. False when the segment does
// not lie inside the thumbnail.
bool ThumbnailRoom(CZentiMovie& movie, unsigned& room) {
    unsigned size = 0;
    const void* thumbnail = MoviePrivateAccess::GetTHMData(movie, size);
    const clipreel::ByteReader reader(thumbnail, thumbnail == nullptr ? 0 : size);
    std::uint16_t exifLength = 0;
    if (!reader.PeekU16BE(4, exifLength)) return false;
    const std::uint32_t pos = 4u + exifLength;
    if (pos > size) return false;
    room = size - pos;
    return true;
}

}

Result CClipreelMovFileEditor::createNewMovFile_standard(const FileLocator& destination,
                                                         const CClipreelMovie* movie) {
    // 1. The source, and the layout the writer depends on: all checked
    // before anything is written.
    const CZentiMovie* sourceMovie = sourceFile->GetZentiMovie();
    const clipreel::CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(*sourceFile);
    if (!sourceFile->IsValid() || sourceMovie == nullptr || atoms == nullptr ||
        !MoviePrivateAccess::IsValidStructure(*sourceMovie) || !MoviePrivateAccess::IsValidMedia(*sourceMovie))
        return CREATEMOVFILE_INVALID_SOURCE;
    if (!HasWritableLayout(*atoms)) return CREATEMOVFILE_INVALID_SOURCE;

    // 2. The reel.
    if (movie == nullptr || !movie->IsValid() || !clipreel::ReelMatchesSource(*sourceFile, *movie))
        return CREATEMOVFILE_INTERNAL_ERROR;
    const unsigned unitCount = movie->GetShootingUnitCount();
    if (unitCount == 0) return CREATEMOVFILE_INTERNAL_ERROR;
    const bool firstUnitChanged =
        movie->IsEditable() && movie->IsEdited() && movie->GetShootingUnit(0).GetOriginalIndex() != 0;
    std::uint64_t keptBytes = 0;
    for (unsigned i = 0; i < unitCount; ++i) keptBytes += movie->GetShootingUnit(i).GetSize();
    for (unsigned i = 0; i < atoms->GetCount(); ++i) {
        if (atoms->GetAt(i).size > Max32) return CREATEMOVFILE_INVALID_SOURCE;
    }

    // 3. The new movie atom, padded so that the 'mdat' header after it
    // starts on a 16-byte boundary, its chunk offsets relative to the kept
    // media data.
    clipreel::TopLevelAtomInfo moovInfo{};
    if (!atoms->FindMovieAtom(moovInfo)) return CREATEMOVFILE_INVALID_SOURCE;
    CMoovAtomAlignmentInfo alignment;
    alignment.alignment = 16;
    alignment.offset = static_cast<std::uint32_t>(moovInfo.offset);
    std::unique_ptr<CZentiMovie> newMovie = clipreel::copyMovieAtom(*sourceMovie, movie, &alignment, true);
    if (!newMovie) return CREATEMOVFILE_INTERNAL_ERROR;
    const std::uint32_t newMovieSize = MoviePrivateAccess::GetAtomSize(*newMovie);
    const void* newMovieBytes = MoviePrivateAccess::GetAtomHeader(*newMovie);

    // The 'mdat' size and every chunk offset are 32-bit: kept media data that
    // would reach 4 GiB in the new file cannot be described.
    if (keptBytes + 8 > Max32 || MediaDataStart(*atoms, newMovieSize) + keptBytes > Max32)
        return CREATEMOVFILE_INVALID_SOURCE;

    // 4. The files.
    FileReader reader(sourceFile->GetFileLocator());
    if (!reader.Open()) return CREATEMOVFILE_READ_ERROR;
    // A unit is read whole: one that reaches past the source's end would
    // take a buffer of its size only to find the read short.
    const std::uint64_t sourceSize = reader.GetFileSize();
    if (sourceSize == clipreel::InvalidFileSize) return CREATEMOVFILE_READ_ERROR;
    if (clipreel::DestinationIsSource(destination, sourceFile->GetFileLocator())) return CREATEMOVFILE_WRITE_ERROR;
    FileWriter writer(destination);
    if (!writer.Open()) return CREATEMOVFILE_WRITE_ERROR;

    // 5. Every top-level atom in source order. A failure part way through
    // the first writing of an atom leaves it open-ended rather than claiming
    // bytes the file does not hold; the 'mdat' header says 0 ("to the end")
    // until its data is complete.
    std::uint64_t moovPosition = 0;
    std::vector<std::uint8_t> buffer;
    bool diskFull = false;
    bool shortRead = false;
    for (unsigned index = 0; index < atoms->GetCount(); ++index) {
        const clipreel::TopLevelAtomInfo& atom = atoms->GetAt(index);
        if (atom.type == clipreel::FourCC("moov")) {
            // A placeholder that reserves the movie atom's room.
            moovPosition = writer.GetPosition();
            if (moovPosition == clipreel::InvalidFileSize) return CREATEMOVFILE_WRITE_ERROR;
            if (!writer.Write(newMovieBytes, newMovieSize, diskFull)) {
                clipreel::MarkAtomOpenEnded(writer, moovPosition);
                return WriteFailure(diskFull);
            }
            if (progress.RepeatProgress() != 0) return CREATEMOVFILE_CANCELED;
        } else if (atom.type == clipreel::FourCC("mdat")) {
            std::uint8_t header[8] = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
            const std::uint64_t headerPosition = writer.GetPosition();
            if (headerPosition == clipreel::InvalidFileSize) return CREATEMOVFILE_WRITE_ERROR;
            if (!writer.Write(header, sizeof header, diskFull)) return WriteFailure(diskFull);
            const std::uint64_t dataStart = writer.GetPosition();
            if (dataStart == clipreel::InvalidFileSize) return CREATEMOVFILE_WRITE_ERROR;
            MoviePrivateAccess::UpdateSampleChunkOffset(*newMovie, static_cast<std::uint32_t>(dataStart));
            if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(moovPosition)))
                return CREATEMOVFILE_WRITE_ERROR;
            if (!writer.Write(newMovieBytes, newMovieSize, diskFull)) return WriteFailure(diskFull);
            if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(dataStart)))
                return CREATEMOVFILE_WRITE_ERROR;

            // One kept unit at a time, in editing-list order.
            for (unsigned i = 0; i < unitCount; ++i) {
                const CClipreelShootingUnit& unit = movie->GetShootingUnit(i);
                const auto size = static_cast<std::uint32_t>(unit.GetSize());
                if (unit.GetFileOffset() > sourceSize || size > sourceSize - unit.GetFileOffset()) {
                    WriteMediaDataSize(writer, headerPosition);
                    return CREATEMOVFILE_INVALID_SOURCE;
                }
                buffer.resize(size);
                if (!reader.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(unit.GetFileOffset())))
                    return CREATEMOVFILE_READ_ERROR;
                if (!reader.Read(buffer.data(), size, shortRead)) return CREATEMOVFILE_READ_ERROR;
                // Like a cancel, a source that ends early leaves a partial
                // file whose 'mdat' header holds the data written so far.
                if (shortRead) {
                    WriteMediaDataSize(writer, headerPosition);
                    return CREATEMOVFILE_INVALID_SOURCE;
                }
                if (!writer.Write(buffer.data(), size, diskFull)) return WriteFailure(diskFull);
                if (progress.ReportProgress(static_cast<double>(i + 1) / static_cast<double>(unitCount)) != 0)
                    return CREATEMOVFILE_CANCELED;
            }
            std::vector<std::uint8_t>().swap(buffer);

            const Result sized = WriteMediaDataSize(writer, headerPosition);
            if (sized != CREATEMOVFILE_SUCCESS) return sized;
        } else {
            const std::uint64_t atomStart = writer.GetPosition();
            if (atomStart == clipreel::InvalidFileSize) return CREATEMOVFILE_WRITE_ERROR;
            auto fail = [&writer, atomStart](Result result) {
                clipreel::MarkAtomOpenEnded(writer, atomStart);
                return result;
            };
            if (!reader.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(atom.offset)))
                return CREATEMOVFILE_READ_ERROR;
            std::uint64_t left = atom.size;
            buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, CopyBlockSize)));
            while (left > 0) {
                const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, CopyBlockSize));
                if (!reader.Read(buffer.data(), count, shortRead)) return fail(CREATEMOVFILE_READ_ERROR);
                if (shortRead) return fail(CREATEMOVFILE_INVALID_SOURCE);
                if (!writer.Write(buffer.data(), count, diskFull)) return fail(WriteFailure(diskFull));
                left -= count;
            }
            std::vector<std::uint8_t>().swap(buffer);
            if (progress.RepeatProgress() != 0) return CREATEMOVFILE_CANCELED;
        }
    }

    // 6.
    reader.Close();

    // 7. The camera record, and a new thumbnail when the first unit changed;
    // then the movie atom a last time.
    const std::uint64_t fileSize = writer.GetPosition();
    if (fileSize == clipreel::InvalidFileSize) return CREATEMOVFILE_WRITE_ERROR;
    std::unique_ptr<void, MallocFree> jpeg;
    unsigned jpegSize = 0;
    if (firstUnitChanged) {
        const unsigned firstFrame = movie->GetShootingUnit(0).GetOriginalStartVideoSampleIndex();
        const std::int64_t time = clipreel::FrameMiddleTime(firstFrame, sourceMovie->GetVideoMediaTimeScale(),
                                                            sourceMovie->GetVideoFrameDuration());
        clipreel::platform::Image thumbnail;
        if (clipreel::Failed(clipreel::makeThumbnailImage(sourceFile->GetFileLocator(), time, thumbnail)))
            return CREATEMOVFILE_THUMBNAIL_ERROR;
        unsigned room = 0;
        if (!ThumbnailRoom(*newMovie, room)) return CREATEMOVFILE_THUMBNAIL_ERROR;
        void* encoded = nullptr;
        if (clipreel::Failed(clipreel::encodeThumbnailToFit(thumbnail, room, &encoded, &jpegSize)))
            return CREATEMOVFILE_THUMBNAIL_ERROR;
        jpeg.reset(encoded);
    }
    if (!updateTHMData(newMovie.get(), static_cast<std::int64_t>(fileSize), jpeg.get(), jpegSize))
        return CREATEMOVFILE_THUMBNAIL_ERROR;
    if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(moovPosition))) return CREATEMOVFILE_READ_ERROR;
    if (!writer.Write(newMovieBytes, newMovieSize, diskFull)) return WriteFailure(diskFull);
    if (progress.RepeatProgress() != 0) return CREATEMOVFILE_CANCELED;

    // 8. A close that fails may have lost bytes the writes took.
    if (!writer.Close()) return CREATEMOVFILE_WRITE_ERROR;
    return CREATEMOVFILE_SUCCESS;
}
