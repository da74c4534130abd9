#include "editor/NewMovieFileWriter.h"

#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"
#include "editor/DestinationCheck.h"
#include "editor/EditorPrivateAccess.h"
#include "editor/NewMoviePlan.h"
#include "editor/SaveIo.h"
#include "editor/ThumbnailMaker.h"
#include "editor/WrittenMovieCheck.h"
#include "file/FileReader.h"
#include "file/RangeCopier.h"
#include "platform/Image.h"
#include "source/AtomHeader.h"
#include "source/MovieDesc.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

#include <memory>
#include <vector>

using clipreel::FileReader;
using clipreel::FileWriter;
using clipreel::MoviePrivateAccess;

namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
using E = CClipreelMovFileEditor;
constexpr Result Ok = E::CREATEMOVFILE_SUCCESS;

constexpr std::uint64_t Max32 = 0xFFFFFFFFu;

// The 'mdat' header for size bytes, header included; 0 means "to the end".
struct MediaDataHeader {
    explicit MediaDataHeader(std::uint32_t size) { clipreel::ByteWriter(bytes, sizeof bytes).PokeU32BE(0, size); }
    std::uint8_t bytes[clipreel::AtomHeaderSize] = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
};

// Writes the 'mdat' header at headerPosition again with the size of the data
// written after it so far, and returns to the end.
Result WriteMediaDataSize(FileWriter& writer, std::uint64_t headerPosition) {
    std::uint64_t end = 0;
    Result result = clipreel::PositionOf(writer, end);
    if (result == Ok) result = clipreel::SeekOr(writer, headerPosition, E::CREATEMOVFILE_WRITE_ERROR);
    const MediaDataHeader header(static_cast<std::uint32_t>(end - headerPosition));
    if (result == Ok) result = clipreel::WriteWhole(writer, header.bytes, sizeof header.bytes);
    if (result == Ok) result = clipreel::SeekOr(writer, end, E::CREATEMOVFILE_WRITE_ERROR);
    return result;
}

// Where the kept media data will start in the new file: every atom before
// the media data atom, the movie atom at its new size, plus the 8-byte
// 'mdat' header.
std::uint64_t MediaDataStart(const clipreel::CTopLevelAtoms& atoms, std::uint64_t newMovieSize) {
    std::uint64_t position = 0;
    for (unsigned i = 0; i < atoms.GetCount(); ++i) {
        const clipreel::TopLevelAtomInfo& atom = atoms.GetAt(i);
        if (atom.type == clipreel::FourCC("mdat")) return position + clipreel::AtomHeaderSize;
        position += atom.type == clipreel::FourCC("moov") ? newMovieSize : atom.size;
    }
    return position;
}

// Whether the kept bytes, after every atom before them and the movie atom at
// its new size, stay within what 32-bit chunk offsets and a 32-bit 'mdat'
// size can describe.
bool FitsChunkOffsets(const clipreel::CTopLevelAtoms& atoms, std::uint64_t newMovieSize, std::uint64_t keptBytes) {
    return keptBytes + clipreel::AtomHeaderSize <= Max32 && MediaDataStart(atoms, newMovieSize) + keptBytes <= Max32;
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
            size += clipreel::AtomHeaderSize + keptBytes;
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
    std::uint32_t pos = 0;
    if (!clipreel::ExifSegmentEnd(thumbnail, size, pos) || pos > size) return false;
    room = size - pos;
    return true;
}

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

namespace {

// One source file's reader, opened once for all the blocks it holds.
struct SourceReader {
    const CZentiMovFile* file;
    std::unique_ptr<FileReader> reader;
};

// The writing of one plan, step by step: the top-level atoms in source order
// (the movie atom first as a placeholder that reserves its room, the media
// data as the kept blocks, every other atom unchanged), then the camera data
// refresh and the movie atom a last time. Each step gives the save's result.
class NewMovieFileWriter {
public:
    NewMovieFileWriter(CClipreelMovFileEditor& savingEditor, const FileLocator& target,
                       const NewMovieFilePlan& filePlan, const CTopLevelAtoms& layout)
        : editor(savingEditor),
          destination(target),
          plan(filePlan),
          atoms(layout),
          writer(target),
          newMovieBytes(MoviePrivateAccess::GetAtomHeader(*filePlan.newMovie)),
          newMovieSize(MoviePrivateAccess::GetAtomSize(*filePlan.newMovie)) {}

    Result Run() {
        Result result = OpenFiles();
        // A failure part way through the first writing of an atom leaves it
        // open-ended rather than claiming bytes the file does not hold; the
        // 'mdat' header says 0 ("to the end") until its data is complete.
        for (unsigned index = 0; result == Ok && index < atoms.GetCount(); ++index) {
            const TopLevelAtomInfo& atom = atoms.GetAt(index);
            if (atom.type == FourCC("moov")) {
                result = WritePlaceholderMovieAtom();
            } else if (atom.type == FourCC("mdat")) {
                result = WriteMediaData();
            } else {
                result = CopyUnchangedAtom(atom);
            }
        }
        if (result != Ok) return result;
        for (SourceReader& source : readers) source.reader->Close();
        result = RefreshCameraData();
        if (result == Ok) result = WriteFinalMovieAtom();
        if (result == Ok) result = CloseDestination(writer);
        return result;
    }

private:
    // One reader per source of blocks, the layout source's first. Then the
    // destination, which is none of them.
    Result OpenFiles() {
        Result opened = OpenReader(plan.layoutSource);
        for (std::size_t i = 0; opened == Ok && i < Units().size(); ++i) opened = OpenReader(Units()[i].file);
        if (opened != Ok) return opened;
        std::vector<const CZentiMovFile*> sources;
        for (const SourceReader& source : readers) sources.push_back(source.file);
        opened = RefuseSourceAsDestination(destination, sources);
        if (opened != Ok) return opened;
        return writer.Open() ? Ok : E::CREATEMOVFILE_WRITE_ERROR;
    }

    Result OpenReader(const CZentiMovFile* file) {
        if (ReaderFor(file) != nullptr) return Ok;
        readers.push_back(SourceReader{file, std::make_unique<FileReader>(file->GetFileLocator())});
        return readers.back().reader->OpenSequential() ? Ok : E::CREATEMOVFILE_READ_ERROR;
    }

    FileReader* ReaderFor(const CZentiMovFile* file) {
        for (SourceReader& source : readers)
            if (source.file == file) return source.reader.get();
        return nullptr;
    }

    // The new movie atom where the source's stood, reserving its room; its
    // chunk offsets are still relative to the kept media data.
    Result WritePlaceholderMovieAtom() {
        Result result = PositionOf(writer, moovPosition);
        if (result == Ok) result = WriteAtom(writer, moovPosition, newMovieBytes, newMovieSize);
        if (result == Ok && Progress().RepeatProgress() != 0) result = E::CREATEMOVFILE_CANCELED;
        return result;
    }

    // The 'mdat' header, the movie atom again with chunk offsets from the
    // file's start, then the kept blocks, one at a time in the plan's order.
    Result WriteMediaData() {
        const MediaDataHeader openEnded(0);
        std::uint64_t headerPosition = 0;
        std::uint64_t dataStart = 0;
        Result result = PositionOf(writer, headerPosition);
        if (result == Ok) result = WriteWhole(writer, openEnded.bytes, sizeof openEnded.bytes);
        if (result == Ok) result = PositionOf(writer, dataStart);
        if (result != Ok) return result;
        MoviePrivateAccess::UpdateSampleChunkOffset(*plan.newMovie, static_cast<std::uint32_t>(dataStart));
        result = SeekOr(writer, moovPosition, E::CREATEMOVFILE_WRITE_ERROR);
        if (result == Ok) result = WriteWhole(writer, newMovieBytes, newMovieSize);
        if (result == Ok) result = SeekOr(writer, dataStart, E::CREATEMOVFILE_WRITE_ERROR);
        if (result != Ok) return result;

        const std::size_t blockCount = Units().size();
        for (std::size_t i = 0; i < blockCount; ++i) {
            const PlannedUnit& unit = Units()[i];
            const Result copied = CopyRangeAt(copier, *ReaderFor(unit.file), unit.blockOffset, writer, unit.blockSize);
            // Like a cancel, a source that ends early leaves a partial file
            // whose 'mdat' header holds the data written so far.
            if (copied == E::CREATEMOVFILE_INVALID_SOURCE) {
                WriteMediaDataSize(writer, headerPosition);
                return copied;
            }
            if (copied != Ok) return copied;
            if (Progress().ReportProgress(static_cast<double>(i + 1) / static_cast<double>(blockCount)) != 0)
                return E::CREATEMOVFILE_CANCELED;
        }
        return WriteMediaDataSize(writer, headerPosition);
    }

    Result CopyUnchangedAtom(const TopLevelAtomInfo& atom) {
        FileReader& reader = *ReaderFor(plan.layoutSource);
        std::uint64_t atomStart = 0;
        Result result = PositionOf(writer, atomStart);
        if (result == Ok) result = SeekOr(reader, atom.offset, E::CREATEMOVFILE_READ_ERROR);
        if (result == Ok) result = CopyAtom(copier, reader, writer, atomStart, atom.size);
        if (result == Ok && Progress().RepeatProgress() != 0) result = E::CREATEMOVFILE_CANCELED;
        return result;
    }

    // The camera record takes the new file's values, and the thumbnail the
    // new first unit's picture when the plan asks for one.
    Result RefreshCameraData() {
        std::uint64_t fileSize = 0;
        const Result position = PositionOf(writer, fileSize);
        if (position != Ok) return position;
        std::vector<std::uint8_t> jpeg;
        const PlannedUnit& first = Units().front();
        if (first.originalIndex != 0) {
            const CZentiMovie& movie = *first.file->GetZentiMovie();
            const std::int64_t time =
                FrameMiddleTime(first.firstSourceFrame, movie.GetVideoMediaTimeScale(), movie.GetVideoFrameDuration());
            platform::Image thumbnail;
            if (Failed(makeThumbnailImage(*first.file, time, thumbnail)))
                return E::CREATEMOVFILE_THUMBNAIL_ERROR;
            unsigned room = 0;
            if (!ThumbnailRoom(*plan.newMovie, room)) return E::CREATEMOVFILE_THUMBNAIL_ERROR;
            if (Failed(encodeThumbnailToFit(thumbnail, room, jpeg))) return E::CREATEMOVFILE_THUMBNAIL_ERROR;
        }
        const auto size = static_cast<std::int64_t>(fileSize);
        // No picture: the record alone is refreshed (a null thumbnail).
        const void* picture = jpeg.empty() ? nullptr : jpeg.data();
        if (!EditorPrivateAccess::updateTHMData(editor, plan.newMovie, size, picture,
                                                static_cast<unsigned>(jpeg.size())))
            return E::CREATEMOVFILE_THUMBNAIL_ERROR;
        return Ok;
    }

    // The movie atom over its placeholder, holding the refreshed camera data.
    Result WriteFinalMovieAtom() {
        // A failed seek back is told as a read error, as it always was.
        Result result = SeekOr(writer, moovPosition, E::CREATEMOVFILE_READ_ERROR);
        if (result == Ok) result = WriteWhole(writer, newMovieBytes, newMovieSize);
        if (result == Ok && Progress().RepeatProgress() != 0) result = E::CREATEMOVFILE_CANCELED;
        return result;
    }

    ProgressReporter& Progress() { return EditorPrivateAccess::Progress(editor); }
    const std::vector<PlannedUnit>& Units() const { return plan.units->units; }

    CClipreelMovFileEditor& editor;
    const FileLocator& destination;
    const NewMovieFilePlan& plan;
    const CTopLevelAtoms& atoms;
    std::vector<SourceReader> readers;
    FileWriter writer;
    RangeCopier copier;
    const void* newMovieBytes;
    std::uint32_t newMovieSize;
    std::uint64_t moovPosition = 0;
};

}

Result WriteNewMovieFile(CClipreelMovFileEditor& editor, const FileLocator& destination,
                         const NewMovieFilePlan& plan) {
    const CTopLevelAtoms* atoms =
        plan.layoutSource == nullptr ? nullptr : MoviePrivateAccess::GetTopLevelAtoms(*plan.layoutSource);
    if (atoms == nullptr || plan.newMovie == nullptr || plan.units == nullptr || plan.units->units.empty())
        return E::CREATEMOVFILE_INTERNAL_ERROR;
    if (!HasWritableLayout(*atoms)) return E::CREATEMOVFILE_INVALID_SOURCE;
    const std::uint32_t newMovieSize = MoviePrivateAccess::GetAtomSize(*plan.newMovie);
    for (const PlannedUnit& unit : plan.units->units) {
        if (unit.file == nullptr || unit.blockSize > Max32) return E::CREATEMOVFILE_INVALID_SOURCE;
    }
    const std::uint64_t keptBytes = plan.units->KeptBytes();

    // The 'mdat' size and every chunk offset are 32-bit: kept media data that
    // would reach 4 GiB in the new file cannot be described.
    if (!FitsChunkOffsets(*atoms, newMovieSize, keptBytes)) return E::CREATEMOVFILE_INVALID_SOURCE;
    if (!CameraRecordRefreshes(editor, *plan.newMovie, NewFileSize(*atoms, newMovieSize, keptBytes)))
        return E::CREATEMOVFILE_THUMBNAIL_ERROR;
    const Result written = NewMovieFileWriter(editor, destination, plan, *atoms).Run();
    if (written != E::CREATEMOVFILE_SUCCESS) return written;
    // The last line of defence: a file whose tables do not describe exactly
    // the planned units is never reported as written.
    return WrittenMovieMatchesPlan(destination, *plan.units) ? written : E::CREATEMOVFILE_INTERNAL_ERROR;
}

}
