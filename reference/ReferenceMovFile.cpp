#include "ClipreelMovFileEditor.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "editor/DestinationCheck.h"
#include "editor/ReelSourceCheck.h"
#include "editor/SaveIo.h"
#include "file/FileReader.h"
#include "reference/ReferenceMovieAtom.h"
#include "source/MoviePrivateAccess.h"

#include <memory>
#include <new>
#include <stdexcept>

// A file that holds nothing but a movie atom whose tracks read their media
// from the source file through an alias record. No progress is reported: the
// write is one movie atom.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE CClipreelMovFileEditor::CreateReferenceMovFile(
    const FileLocator& destination, const CClipreelMovie* movie) const {
    try {
        const CZentiMovie* sourceMovie = sourceFile->GetZentiMovie();
        if (!sourceFile->IsValid() || sourceMovie == nullptr || !sourceMovie->IsValid())
            return CREATEMOVFILE_INVALID_SOURCE;
        // A reel that is not valid describes no units: the whole source is
        // referenced, as without a reel.
        if (movie != nullptr && !movie->IsValid()) movie = nullptr;
        // The rebuilt tables are read through the reel: one made from another
        // file would send the copy to samples the source does not hold.
        if (movie != nullptr && !clipreel::ReelMatchesSource(*sourceFile, *movie))
            return CREATEMOVFILE_INTERNAL_ERROR;

        const std::unique_ptr<CZentiMovie> reference =
            clipreel::copyMovieAtomWithAlias(sourceFile->GetFileLocator(), *sourceMovie, movie);
        if (!reference) return CREATEMOVFILE_INTERNAL_ERROR;

        // Creating the source itself for writing would truncate the media the
        // reference points at.
        const ERROR_CREATEMOVFILE refused = clipreel::RefuseSourceAsDestination(destination, {sourceFile});
        if (refused != CREATEMOVFILE_SUCCESS) return refused;
        clipreel::FileWriter writer(destination);
        if (!writer.Open()) return CREATEMOVFILE_WRITE_ERROR;
        const ERROR_CREATEMOVFILE written =
            clipreel::WriteAtom(writer, 0, clipreel::MoviePrivateAccess::GetAtomHeader(*reference),
                                clipreel::MoviePrivateAccess::GetAtomSize(*reference));
        if (written != CREATEMOVFILE_SUCCESS) return written;
        return clipreel::CloseDestination(writer);
    } catch (const std::bad_alloc&) {
        return CREATEMOVFILE_OUT_OF_MEMORY;
    } catch (const std::runtime_error&) {
        return CREATEMOVFILE_INVALID_SOURCE;
    }
}
