#include "editor/WrittenMovieCheck.h"

#include "ClipreelMovie.h"
#include "FileLocator.h"
#include "ZentiMovFile.h"
#include "editor/NewMoviePlan.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

namespace clipreel {

namespace {

bool SameUnit(const PlannedUnit& planned, const PlannedUnit& written, std::uint64_t fileSize) {
    return planned.blockSize == written.blockSize && written.blockOffset <= fileSize &&
           written.blockSize <= fileSize - written.blockOffset && planned.frameSizes == written.frameSizes &&
           planned.syncFrames == written.syncFrames && planned.soundChunkSamples == written.soundChunkSamples;
}

}

bool WrittenMovieMatchesPlan(const FileLocator& written, const NewMoviePlan& plan) {
    const CZentiMovFile file(written);
    const CZentiMovie* movie = file.GetZentiMovie();
    const CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(file);
    if (!file.IsValid() || movie == nullptr || atoms == nullptr || atoms->GetCount() == 0) return false;
    // A valid file is tiled exactly by its top-level atoms: the last one ends
    // where the file does.
    const TopLevelAtomInfo& last = atoms->GetAt(atoms->GetCount() - 1);
    const std::uint64_t fileSize = last.offset + last.size;
    const CClipreelMovie reel(&file);
    NewMoviePlan back;
    if (!reel.IsValid() || !BuildNewMoviePlan(*movie, &file, reel, back)) return false;
    if (back.units.size() != plan.units.size() || back.soundInFile != plan.soundInFile ||
        back.videoDuration != plan.videoDuration)
        return false;
    for (std::size_t i = 0; i < plan.units.size(); ++i)
        if (!SameUnit(plan.units[i], back.units[i], fileSize)) return false;
    return true;
}

}
