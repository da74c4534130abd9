#include "ClipreelMovFileEditor.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"
#include "editor/CopyResult.h"
#include "editor/DestinationCheck.h"
#include "editor/MovieAtomCopy.h"
#include "editor/NewMovieFilePlan.h"
#include "editor/EditorPrivateAccess.h"
#include "editor/OpenEndedAtom.h"
#include "editor/ReelSourceCheck.h"
#include "editor/ThumbnailMaker.h"
#include "file/FileReader.h"
#include "file/RangeCopier.h"
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

// The size of the new file: every atom copied, the movie atom at its new
// size, the media data atom holding the kept bytes.
std::uint64_t NewFileSize(const clipreel::CTopLevelAtoms& atoms, std::uint64_t newMovieSize, std::uint64_t keptBytes) {
    std::uint64_t size = 0;
    for (unsigned i = 0; i < atoms.GetCount(); ++i) {
        const clipreel::TopLevelAtomInfo& atom = atoms.GetAt(i);
        if (atom.type == clipreel::FourCC("moov")) {
            size += newMovieSize;
        } else if (atom.type == clipreel::FourCC("mdat")) {
            size += 8 + keptBytes;
        } else {
            size += atom.size;
        }
    }
    return size;
}

// Whether the new movie's camera record takes the new file's values: tried
// on a copy of the movie, so that a record that cannot be refreshed is
// refused before the destination is touched.
bool CameraRecordRefreshes(const CClipreelMovFileEditor& editor, const CZentiMovie& newMovie, std::uint64_t fileSize) {
    const std::unique_ptr<CZentiMovie> trial =
        MoviePrivateAccess::NewMovie(MoviePrivateAccess::GetAtomHeader(newMovie), nullptr);
    return clipreel::EditorPrivateAccess::updateTHMData(editor, trial.get(), static_cast<std::int64_t>(fileSize),
                                                        nullptr, 0);
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
    if (!clipreel::HasWritableLayout(*atoms)) return CREATEMOVFILE_INVALID_SOURCE;

    // 2. The reel.
    if (movie == nullptr || !movie->IsValid() || !clipreel::ReelMatchesSource(*sourceFile, *movie))
        return CREATEMOVFILE_INTERNAL_ERROR;
    const unsigned unitCount = movie->GetShootingUnitCount();
    if (unitCount == 0) return CREATEMOVFILE_INTERNAL_ERROR;
    const bool firstUnitChanged =
        movie->IsEditable() && movie->IsEdited() && movie->GetShootingUnit(0).GetOriginalIndex() != 0;

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

    clipreel::NewMovieFilePlan plan;
    plan.layoutSource = sourceFile;
    plan.newMovie = newMovie.get();
    for (unsigned i = 0; i < unitCount; ++i) {
        const CClipreelShootingUnit& unit = movie->GetShootingUnit(i);
        plan.blocks.push_back(clipreel::KeptMediaBlock{sourceFile, unit.GetFileOffset(), unit.GetSize()});
    }
    if (firstUnitChanged) {
        const unsigned firstFrame = movie->GetShootingUnit(0).GetOriginalStartVideoSampleIndex();
        plan.pictureSource = sourceFile;
        plan.pictureTime = clipreel::FrameMiddleTime(firstFrame, sourceMovie->GetVideoMediaTimeScale(),
                                                     sourceMovie->GetVideoFrameDuration());
    }
    return clipreel::WriteNewMovieFile(*this, destination, plan);
}

namespace clipreel {

bool HasWritableLayout(const CTopLevelAtoms& atoms) {
    const std::uint32_t moov = FourCC("moov");
    const std::uint32_t mdat = FourCC("mdat");
    bool seenMovie = false;
    unsigned mediaData = 0;
    for (unsigned i = 0; i < atoms.GetCount(); ++i) {
        const TopLevelAtomInfo& atom = atoms.GetAt(i);
        if (atom.size > Max32) return false;
        if (atom.type == moov) {
            if (seenMovie) return false;
            seenMovie = true;
        } else if (atom.type == mdat) {
            if (!seenMovie || ++mediaData > 1) return false;
        }
    }
    return seenMovie && mediaData == 1;
}

Result WriteNewMovieFile(CClipreelMovFileEditor& editor, const FileLocator& destination,
                         const NewMovieFilePlan& plan) {
    using E = CClipreelMovFileEditor;
    ProgressReporter& progress = EditorPrivateAccess::Progress(editor);
    const CTopLevelAtoms* atoms =
        plan.layoutSource == nullptr ? nullptr : MoviePrivateAccess::GetTopLevelAtoms(*plan.layoutSource);
    if (atoms == nullptr || plan.newMovie == nullptr || plan.blocks.empty()) return E::CREATEMOVFILE_INTERNAL_ERROR;
    if (!HasWritableLayout(*atoms)) return E::CREATEMOVFILE_INVALID_SOURCE;
    CZentiMovie* newMovie = plan.newMovie;
    const std::uint32_t newMovieSize = MoviePrivateAccess::GetAtomSize(*newMovie);
    const void* newMovieBytes = MoviePrivateAccess::GetAtomHeader(*newMovie);
    std::uint64_t keptBytes = 0;
    for (const KeptMediaBlock& block : plan.blocks) {
        if (block.file == nullptr || block.size > Max32) return E::CREATEMOVFILE_INVALID_SOURCE;
        keptBytes += block.size;
    }

    // The 'mdat' size and every chunk offset are 32-bit: kept media data that
    // would reach 4 GiB in the new file cannot be described.
    if (keptBytes + 8 > Max32 || MediaDataStart(*atoms, newMovieSize) + keptBytes > Max32)
        return E::CREATEMOVFILE_INVALID_SOURCE;
    if (!CameraRecordRefreshes(editor, *newMovie, NewFileSize(*atoms, newMovieSize, keptBytes)))
        return E::CREATEMOVFILE_THUMBNAIL_ERROR;

    // 4. The files: one reader per source of blocks, the layout source's
    // first; no source is ever the destination.
    std::vector<std::pair<const CZentiMovFile*, std::unique_ptr<FileReader>>> readers;
    auto readerFor = [&readers](const CZentiMovFile* file) -> FileReader* {
        for (auto& entry : readers)
            if (entry.first == file) return entry.second.get();
        return nullptr;
    };
    auto openReader = [&](const CZentiMovFile* file) {
        if (readerFor(file) != nullptr) return E::CREATEMOVFILE_SUCCESS;
        readers.emplace_back(file, std::make_unique<FileReader>(file->GetFileLocator()));
        if (!readers.back().second->OpenSequential()) return E::CREATEMOVFILE_READ_ERROR;
        if (DestinationIsSource(destination, file->GetFileLocator())) return E::CREATEMOVFILE_WRITE_ERROR;
        return E::CREATEMOVFILE_SUCCESS;
    };
    Result opened = openReader(plan.layoutSource);
    for (std::size_t i = 0; opened == E::CREATEMOVFILE_SUCCESS && i < plan.blocks.size(); ++i)
        opened = openReader(plan.blocks[i].file);
    if (opened != E::CREATEMOVFILE_SUCCESS) return opened;
    FileReader& reader = *readerFor(plan.layoutSource);
    FileWriter writer(destination);
    if (!writer.Open()) return E::CREATEMOVFILE_WRITE_ERROR;

    // 5. Every top-level atom in source order; the unit blocks and the
    // other atoms go to the new file unchanged, all through one copier. A
    // failure part way through the first writing of an atom leaves it
    // open-ended rather than claiming bytes the file does not hold; the
    // 'mdat' header says 0 ("to the end") until its data is complete.
    std::uint64_t moovPosition = 0;
    clipreel::RangeCopier copier;
    bool diskFull = false;
    for (unsigned index = 0; index < atoms->GetCount(); ++index) {
        const clipreel::TopLevelAtomInfo& atom = atoms->GetAt(index);
        if (atom.type == clipreel::FourCC("moov")) {
            // A placeholder that reserves the movie atom's room.
            moovPosition = writer.GetPosition();
            if (moovPosition == clipreel::InvalidFileSize) return E::CREATEMOVFILE_WRITE_ERROR;
            if (!writer.Write(newMovieBytes, newMovieSize, diskFull)) {
                clipreel::MarkAtomOpenEnded(writer, moovPosition);
                return WriteFailure(diskFull);
            }
            if (progress.RepeatProgress() != 0) return E::CREATEMOVFILE_CANCELED;
        } else if (atom.type == clipreel::FourCC("mdat")) {
            std::uint8_t header[8] = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
            const std::uint64_t headerPosition = writer.GetPosition();
            if (headerPosition == clipreel::InvalidFileSize) return E::CREATEMOVFILE_WRITE_ERROR;
            if (!writer.Write(header, sizeof header, diskFull)) return WriteFailure(diskFull);
            const std::uint64_t dataStart = writer.GetPosition();
            if (dataStart == clipreel::InvalidFileSize) return E::CREATEMOVFILE_WRITE_ERROR;
            MoviePrivateAccess::UpdateSampleChunkOffset(*newMovie, static_cast<std::uint32_t>(dataStart));
            if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(moovPosition)))
                return E::CREATEMOVFILE_WRITE_ERROR;
            if (!writer.Write(newMovieBytes, newMovieSize, diskFull)) return WriteFailure(diskFull);
            if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(dataStart)))
                return E::CREATEMOVFILE_WRITE_ERROR;

            // One kept block at a time, in the plan's order.
            const std::size_t blockCount = plan.blocks.size();
            for (std::size_t i = 0; i < blockCount; ++i) {
                const KeptMediaBlock& block = plan.blocks[i];
                FileReader& blockReader = *readerFor(block.file);
                if (!blockReader.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(block.offset)))
                    return E::CREATEMOVFILE_READ_ERROR;
                const clipreel::RangeCopyResult copy = copier.Copy(blockReader, writer, block.size);
                // Like a cancel, a source that ends early leaves a partial
                // file whose 'mdat' header holds the data written so far.
                if (copy == clipreel::RangeCopyResult::SourceEnded) {
                    WriteMediaDataSize(writer, headerPosition);
                    return E::CREATEMOVFILE_INVALID_SOURCE;
                }
                const Result copied = clipreel::SaveResultOf(copy);
                if (copied != E::CREATEMOVFILE_SUCCESS) return copied;
                if (progress.ReportProgress(static_cast<double>(i + 1) / static_cast<double>(blockCount)) != 0)
                    return E::CREATEMOVFILE_CANCELED;
            }

            const Result sized = WriteMediaDataSize(writer, headerPosition);
            if (sized != E::CREATEMOVFILE_SUCCESS) return sized;
        } else {
            const std::uint64_t atomStart = writer.GetPosition();
            if (atomStart == clipreel::InvalidFileSize) return E::CREATEMOVFILE_WRITE_ERROR;
            auto fail = [&writer, atomStart](Result result) {
                clipreel::MarkAtomOpenEnded(writer, atomStart);
                return result;
            };
            if (!reader.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(atom.offset)))
                return E::CREATEMOVFILE_READ_ERROR;
            const Result copied = clipreel::SaveResultOf(copier.Copy(reader, writer, atom.size));
            if (copied != E::CREATEMOVFILE_SUCCESS) return fail(copied);
            if (progress.RepeatProgress() != 0) return E::CREATEMOVFILE_CANCELED;
        }
    }

    // 6.
    for (auto& entry : readers) entry.second->Close();

    // 7. The camera record, and a new thumbnail when the first unit changed;
    // then the movie atom a last time.
    const std::uint64_t fileSize = writer.GetPosition();
    if (fileSize == clipreel::InvalidFileSize) return E::CREATEMOVFILE_WRITE_ERROR;
    std::unique_ptr<void, MallocFree> jpeg;
    unsigned jpegSize = 0;
    if (plan.pictureSource != nullptr) {
        clipreel::platform::Image thumbnail;
        if (clipreel::Failed(
                clipreel::makeThumbnailImage(plan.pictureSource->GetFileLocator(), plan.pictureTime, thumbnail)))
            return E::CREATEMOVFILE_THUMBNAIL_ERROR;
        unsigned room = 0;
        if (!ThumbnailRoom(*newMovie, room)) return E::CREATEMOVFILE_THUMBNAIL_ERROR;
        void* encoded = nullptr;
        if (clipreel::Failed(clipreel::encodeThumbnailToFit(thumbnail, room, &encoded, &jpegSize)))
            return E::CREATEMOVFILE_THUMBNAIL_ERROR;
        jpeg.reset(encoded);
    }
    if (!EditorPrivateAccess::updateTHMData(editor, newMovie, static_cast<std::int64_t>(fileSize), jpeg.get(), jpegSize))
        return E::CREATEMOVFILE_THUMBNAIL_ERROR;
    if (!writer.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(moovPosition))) return E::CREATEMOVFILE_READ_ERROR;
    if (!writer.Write(newMovieBytes, newMovieSize, diskFull)) return WriteFailure(diskFull);
    if (progress.RepeatProgress() != 0) return E::CREATEMOVFILE_CANCELED;

    // 8. A close that fails may have lost bytes the writes took.
    if (!writer.Close()) return E::CREATEMOVFILE_WRITE_ERROR;
    return E::CREATEMOVFILE_SUCCESS;
}

}
