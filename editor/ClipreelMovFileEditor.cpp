#include "ClipreelMovFileEditor.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "editor/CopyResult.h"
#include "editor/DestinationCheck.h"
#include "editor/OpenEndedAtom.h"
#include "editor/ReelSourceCheck.h"
#include "file/FileReader.h"
#include "file/RangeCopier.h"
#include "source/AtomHeader.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

using clipreel::FileReader;
using clipreel::FileWriter;
using clipreel::MoviePrivateAccess;

namespace {

// Every atom but the movie atom is copied in blocks of this size, with a
// progress report after each; only the movie atom is ever held whole.
constexpr std::uint32_t CopyBlockSize = 0xA00000;

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
        const CZentiMovie* sourceMovie = sourceFile->GetZentiMovie();
        if (!sourceFile->IsValid() || sourceMovie == nullptr || !sourceMovie->IsClipreelMovie(nullptr))
            return CREATEMOVFILE_INVALID_SOURCE;
        if (progress.callback != nullptr && progress.callback(PROGRESS_MESSAGE_START, 0.0, progress.userData) != 0)
            return CREATEMOVFILE_CANCELED;

        // A reel that is not valid or not editable is never edited, so it
        // leads to the unchanged copy.
        const bool edited = movie != nullptr && movie->IsEdited();
        // The rebuild reads the source's tables through the reel: a reel
        // made from another file would send it to samples that are not there.
        if (edited && !clipreel::ReelMatchesSource(*sourceFile, *movie)) return CREATEMOVFILE_INTERNAL_ERROR;
        // Creating the source itself for writing would truncate it.
        if (clipreel::DestinationIsSource(destination, sourceFile->GetFileLocator()))
            return CREATEMOVFILE_WRITE_ERROR;

        // The rebuild of an edited reel lives in createNewMovFile_standard.
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
    if (clipreel::DestinationIsSource(destination, sourceFile->GetFileLocator())) return CREATEMOVFILE_WRITE_ERROR;

    FileWriter writer(destination);
    if (!writer.Open()) return CREATEMOVFILE_WRITE_ERROR;

    const clipreel::CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(*sourceFile);
    if (atoms == nullptr) return CREATEMOVFILE_INVALID_SOURCE;

    auto writeFailure = [](bool diskFull) { return diskFull ? CREATEMOVFILE_DISK_FULL : CREATEMOVFILE_WRITE_ERROR; };
    auto report = [this, total](std::uint64_t copied) {
        const double fraction = total == 0 ? 1.0 : static_cast<double>(copied) / static_cast<double>(total);
        return progress.ReportProgress(fraction);
    };

    clipreel::RangeCopier copier;
    std::uint64_t copied = 0;
    for (unsigned index = 0; index < atoms->GetCount(); ++index) {
        const clipreel::TopLevelAtomInfo& atom = atoms->GetAt(index);
        bool shortRead = false;
        bool diskFull = false;
        // A failure part way through this atom leaves it open-ended rather
        // than claiming bytes the file does not hold. The output holds
        // exactly the bytes copied so far.
        const std::uint64_t atomStart = copied;
        auto fail = [&writer, atomStart](ERROR_CREATEMOVFILE result) {
            clipreel::MarkAtomOpenEnded(writer, atomStart);
            return result;
        };
        if (atom.type == clipreel::FourCC("moov")) {
            if (atom.size < clipreel::AtomHeaderSize || atom.size > 0xFFFFFFFFu)
                return CREATEMOVFILE_INVALID_SOURCE;
            const std::uint32_t size = static_cast<std::uint32_t>(atom.size);
            if (!reader.Seek(clipreel::SeekBegin, static_cast<std::int64_t>(atom.offset)))
                return CREATEMOVFILE_READ_ERROR;
            std::vector<std::uint8_t> moov(size);
            if (!reader.Read(moov.data(), size, shortRead)) return CREATEMOVFILE_READ_ERROR;
            if (shortRead) return CREATEMOVFILE_INVALID_SOURCE;
            // The movie copies as many bytes as the atom's own size field
            // says: a file that changed since it was opened must not make it
            // read past what was read here.
            const clipreel::ByteReader check(moov.data(), moov.size());
            std::uint32_t storedSize = 0;
            if (!check.PeekU32BE(0, storedSize) || storedSize != size) return CREATEMOVFILE_INVALID_SOURCE;
            std::unique_ptr<CZentiMovie> copy =
                MoviePrivateAccess::NewMovie(reinterpret_cast<const clipreel::AtomHeader*>(moov.data()), nullptr);
            MoviePrivateAccess::UpdateMovieResourceModificationTime(*copy);
            const std::uint32_t copySize = MoviePrivateAccess::GetAtomSize(*copy);
            if (!writer.Write(MoviePrivateAccess::GetAtomHeader(*copy), copySize, diskFull))
                return fail(writeFailure(diskFull));
            copied += copySize;
            if (report(copied) != 0) return CREATEMOVFILE_CANCELED;
        } else {
            std::uint64_t left = atom.size;
            while (left > 0) {
                const std::uint32_t count = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, CopyBlockSize));
                const ERROR_CREATEMOVFILE result = clipreel::SaveResultOf(copier.Copy(reader, writer, count));
                if (result != CREATEMOVFILE_SUCCESS) return fail(result);
                left -= count;
                copied += count;
                if (progress.callback != nullptr && report(copied) != 0) return CREATEMOVFILE_CANCELED;
            }
        }
    }
    reader.Close();
    // A close that fails may have lost bytes the writes took.
    if (!writer.Close()) return CREATEMOVFILE_WRITE_ERROR;
    return CREATEMOVFILE_SUCCESS;
}
