#include "ClipreelMovFileEditor.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "editor/DestinationCheck.h"
#include "editor/MovieAtomCopy.h"
#include "editor/NewMovieFileWriter.h"
#include "editor/NewMoviePlan.h"
#include "editor/ReelSourceCheck.h"
#include "editor/SaveIo.h"
#include "file/FileReader.h"
#include "file/RangeCopier.h"
#include "source/AtomHeader.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

using clipreel::FileReader;
using clipreel::FileWriter;
using clipreel::MoviePrivateAccess;

namespace {

using clipreel::SaveResult;
using E = CClipreelMovFileEditor;

// The source's movie atom, read whole, as a movie with a new modification
// time. It is as many bytes as the atom's own size field says: a file that
// changed since it was opened must not make the copy reach past what was
// read here.
SaveResult ReadMovieAtom(FileReader& reader, const clipreel::TopLevelAtomInfo& atom,
                         std::unique_ptr<CZentiMovie>& movie) {
    if (atom.size < clipreel::AtomHeaderSize || atom.size > 0xFFFFFFFFu)
        return E::CREATEMOVFILE_INVALID_SOURCE;
    const std::uint32_t size = static_cast<std::uint32_t>(atom.size);
    const SaveResult sought = clipreel::SeekOr(reader, atom.offset, E::CREATEMOVFILE_READ_ERROR);
    if (sought != E::CREATEMOVFILE_SUCCESS) return sought;
    std::vector<std::uint8_t> moov(size);
    const SaveResult read = clipreel::ReadWhole(reader, moov.data(), size);
    if (read != E::CREATEMOVFILE_SUCCESS) return read;
    const clipreel::ByteReader check(moov.data(), moov.size());
    std::uint32_t storedSize = 0;
    if (!check.PeekU32BE(0, storedSize) || storedSize != size) return E::CREATEMOVFILE_INVALID_SOURCE;
    movie = MoviePrivateAccess::NewMovie(reinterpret_cast<const clipreel::AtomHeader*>(moov.data()), nullptr);
    MoviePrivateAccess::UpdateMovieResourceModificationTime(*movie);
    return E::CREATEMOVFILE_SUCCESS;
}

}

CClipreelMovFileEditor::CClipreelMovFileEditor(const CZentiMovFile& source) : sourceFile(&source), progress() {}

CClipreelMovFileEditor::~CClipreelMovFileEditor() = default;

void CClipreelMovFileEditor::SetProgressCallback(ClipreelProgressCallback callback, void* userData) {
    progress.callback = callback;
    progress.userData = userData;
}

CClipreelMovFileEditor::ERROR_CREATEMOVFILE CClipreelMovFileEditor::CreateNewMovFile(const FileLocator& destination,
                                                                                   const CClipreelMovie* movie) {
    try {
        if (!clipreel::IsClipreelSource(*sourceFile)) return CREATEMOVFILE_INVALID_SOURCE;
        if (progress.callback != nullptr && progress.callback(PROGRESS_MESSAGE_START, 0.0, progress.userData) != 0)
            return CREATEMOVFILE_CANCELED;

        // A reel that is not valid or not editable is never edited, so it
        // leads to the unchanged copy.
        const bool edited = movie != nullptr && movie->IsEdited();
        // The rebuild reads the source's tables through the reel: a reel
        // made from another file would send it to samples that are not there.
        if (edited && !clipreel::ReelMatchesSource(*sourceFile, *movie)) return CREATEMOVFILE_INTERNAL_ERROR;

        // The rebuild of an edited reel lives in createNewMovFile_standard.
        // Either way the writer refuses a destination that names the source
        // before it creates it.
        const ERROR_CREATEMOVFILE result =
            edited ? createNewMovFile_standard(destination, movie) : copyMovFile(destination);
        if (result != CREATEMOVFILE_SUCCESS) return result;

        if (progress.callback != nullptr) progress.callback(PROGRESS_MESSAGE_END, 1.0, progress.userData);
        return CREATEMOVFILE_SUCCESS;
    } catch (const std::bad_alloc&) {
        return CREATEMOVFILE_OUT_OF_MEMORY;
    } catch (const std::runtime_error&) {
        return CREATEMOVFILE_INVALID_SOURCE;
    }
}

CClipreelMovFileEditor::ERROR_CREATEMOVFILE CClipreelMovFileEditor::copyMovFile(const FileLocator& destination) {
    FileReader reader(sourceFile->GetFileLocator());
    if (!reader.OpenSequential()) return CREATEMOVFILE_READ_ERROR;
    const std::uint64_t total = reader.GetFileSize();
    if (total == clipreel::InvalidFileSize) return CREATEMOVFILE_READ_ERROR;
    const SaveResult refused = clipreel::RefuseSourceAsDestination(destination, {sourceFile});
    if (refused != CREATEMOVFILE_SUCCESS) return refused;

    FileWriter writer(destination);
    if (!writer.Open()) return CREATEMOVFILE_WRITE_ERROR;

    const clipreel::CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(*sourceFile);
    if (atoms == nullptr) return CREATEMOVFILE_INVALID_SOURCE;

    auto report = [this, total](std::uint64_t copied) {
        const double fraction = total == 0 ? 1.0 : static_cast<double>(copied) / static_cast<double>(total);
        return progress.ReportProgress(fraction);
    };

    // Every atom but the movie atom goes through unchanged in steps, with a
    // progress report after each; only the movie atom is ever held whole.
    // A failure part way through an atom leaves it open-ended; the output
    // holds exactly the bytes copied so far.
    clipreel::RangeCopier copier;
    std::uint64_t copied = 0;
    for (unsigned index = 0; index < atoms->GetCount(); ++index) {
        const clipreel::TopLevelAtomInfo& atom = atoms->GetAt(index);
        const std::uint64_t atomStart = copied;
        if (atom.type == clipreel::FourCC("moov")) {
            std::unique_ptr<CZentiMovie> copy;
            const SaveResult read = ReadMovieAtom(reader, atom, copy);
            if (read != CREATEMOVFILE_SUCCESS) return read;
            const std::uint32_t copySize = MoviePrivateAccess::GetAtomSize(*copy);
            const SaveResult written =
                clipreel::WriteAtom(writer, atomStart, MoviePrivateAccess::GetAtomHeader(*copy), copySize);
            if (written != CREATEMOVFILE_SUCCESS) return written;
            copied += copySize;
            if (report(copied) != 0) return CREATEMOVFILE_CANCELED;
        } else {
            const SaveResult result =
                clipreel::CopyAtomInSteps(copier, reader, writer, atomStart, atom.size, [&](std::uint32_t step) {
                    copied += step;
                    return report(copied);
                });
            if (result != CREATEMOVFILE_SUCCESS) return result;
        }
    }
    reader.Close();
    return clipreel::CloseDestination(writer);
}

CClipreelMovFileEditor::ERROR_CREATEMOVFILE CClipreelMovFileEditor::createNewMovFile_standard(
    const FileLocator& destination, const CClipreelMovie* movie) {
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
    if (movie->GetShootingUnitCount() == 0) return CREATEMOVFILE_INTERNAL_ERROR;

    // 3. The new movie atom, padded so that the 'mdat' header after it
    // starts on a 16-byte boundary, its chunk offsets relative to the kept
    // media data.
    clipreel::TopLevelAtomInfo moovInfo{};
    if (!atoms->FindMovieAtom(moovInfo)) return CREATEMOVFILE_INVALID_SOURCE;
    CMoovAtomAlignmentInfo alignment;
    alignment.alignment = 16;
    alignment.offset = static_cast<std::uint32_t>(moovInfo.offset);
    clipreel::NewMoviePlan units;
    if (!clipreel::BuildNewMoviePlan(*sourceMovie, sourceFile, *movie, units)) return CREATEMOVFILE_INTERNAL_ERROR;
    clipreel::MovieAtomCopyRequest request;
    request.plan = &units;
    request.alignment = &alignment;
    request.rebaseChunkOffsets = true;
    std::unique_ptr<CZentiMovie> newMovie = clipreel::CopyMovieAtom(*sourceMovie, request);
    if (!newMovie) return CREATEMOVFILE_INTERNAL_ERROR;

    clipreel::NewMovieFilePlan plan;
    plan.layoutSource = sourceFile;
    plan.newMovie = newMovie.get();
    plan.units = &units;
    return clipreel::WriteNewMovieFile(*this, destination, plan);
}
