#include "ClipreelReelOperations.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "bytes/FourCC.h"
#include "editor/EditorPrivateAccess.h"
#include "editor/ReelOperationRun.h"
#include "file/FileReader.h"
#include "source/FileCut.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"


using clipreel::MoviePrivateAccess;

namespace {

std::uint64_t SizeOfFile(const FileLocator& locator) {
    clipreel::FileReader reader(locator);
    if (!reader.Open()) return clipreel::InvalidFileSize;
    return reader.GetFileSize();
}
}

// The file is opened as any camera movie first; only when that fails, or
// the file was cut where an atom ends (which reads as whole), is it scanned
// again with the media data allowed to end early. Whatever cannot be told
// from the cut file (which units are whole) comes from the movie atom's own
// tables, through the reel.
CClipreelReelSalvager::CClipreelReelSalvager(const FileLocator& damaged)
    : file(std::make_unique<CZentiMovFile>(damaged)), truncated(clipreel::IsCutShort(*file)), unitCount(0),
      recoverable(0), callback(nullptr), userData(nullptr) {
    if (!file->IsValid() || truncated) MoviePrivateAccess::RescanAcceptingCutMediaData(*file);
    const clipreel::CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(*file);
    const bool haveMovieAtom = atoms != nullptr && atoms->Contains(clipreel::FourCC("moov"));
    const CZentiMovie* movie = file->GetZentiMovie();
    if (!haveMovieAtom) {
        refusal = "no whole movie atom: the file ends before its movie atom does";
        return;
    }
    if (movie != nullptr && movie->IsValid() && !atoms->Contains(clipreel::FourCC("mdat"))) {
        refusal = "no media data: the file ends before its media data begins";
        return;
    }
    if (movie == nullptr || !file->IsValid()) {
        refusal = "no camera data: the movie atom is not a camera movie's";
        return;
    }
    reel = std::make_unique<CClipreelMovie>(file.get());
    if (!reel->IsValid()) {
        refusal = "not a Clipreel movie: it has no shooting units to recover";
        return;
    }
    unitCount = reel->GetShootingUnitCount();
    const std::uint64_t fileSize = SizeOfFile(damaged);
    if (fileSize == clipreel::InvalidFileSize) {
        refusal = "the file cannot be read";
        return;
    }
    std::vector<unsigned> whole;
    for (unsigned i = 0; i < unitCount; ++i) {
        const CClipreelShootingUnit& unit = reel->GetShootingUnit(i);
        if (unit.GetFileOffset() + unit.GetSize() <= fileSize) whole.push_back(unit.GetOriginalIndex());
    }
    recoverable = static_cast<unsigned>(whole.size());
    if (recoverable == 0) {
        refusal = "no shooting unit lies wholly in the file";
        return;
    }
    if (recoverable < unitCount && !reel->SetEditingState(whole)) {
        recoverable = 0;
        refusal = "the reel refused the units that lie wholly in the file";
    }
}

CClipreelReelSalvager::~CClipreelReelSalvager() = default;

bool CClipreelReelSalvager::CanSalvage() const { return recoverable != 0; }

const std::string& CClipreelReelSalvager::GetRefusalReason() const { return refusal; }

bool CClipreelReelSalvager::IsTruncated() const { return truncated; }

unsigned CClipreelReelSalvager::GetShootingUnitCount() const { return unitCount; }

unsigned CClipreelReelSalvager::GetRecoverableShootingUnitCount() const { return recoverable; }

void CClipreelReelSalvager::SetProgressCallback(ClipreelProgressCallback progressCallback, void* data) {
    callback = progressCallback;
    userData = data;
}

CClipreelReelSalvager::ERROR_CREATEMOVFILE CClipreelReelSalvager::CreateSalvagedMovFile(
    const FileLocator& destination) {
    using E = CClipreelMovFileEditor;
    auto checks = [&]() { return CanSalvage() ? E::CREATEMOVFILE_SUCCESS : E::CREATEMOVFILE_INVALID_SOURCE; };
    // Always the rebuild, never the unchanged copy: even with every unit
    // whole the cut file's own atoms cannot be copied as they stand.
    auto work = [&]() {
        CClipreelMovFileEditor editor(*file);
        editor.SetProgressCallback(callback, userData);
        return clipreel::EditorPrivateAccess::createNewMovFile_standard(editor, destination, reel.get());
    };
    return clipreel::RunReelOperation(callback, userData, checks, work);
}
