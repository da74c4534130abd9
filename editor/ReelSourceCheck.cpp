#include "editor/ReelSourceCheck.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "reel/ReelPrivateAccess.h"
#include "reel/UnitBlocks.h"
#include "source/MoviePrivateAccess.h"


namespace clipreel {

bool IsClipreelSource(const CZentiMovFile& source) {
    const CZentiMovie* movie = source.GetZentiMovie();
    return source.IsValid() && movie != nullptr && movie->IsClipreelMovie(nullptr);
}

bool ReelMatchesSource(const CZentiMovFile& source, const CClipreelMovie& reel) {
    const CZentiMovie* movie = source.GetZentiMovie();
    CZentiMovie::ClipreelMovieInfo info{};
    // The parsed movie, not the file as it is on disk now: a source that grew
    // after it was opened still holds every unit the reel names.
    if (!reel.IsValid() || !source.IsValid() || movie == nullptr ||
        !MoviePrivateAccess::IsClipreelMovieAsParsed(*movie, &info))
        return false;

    const CStoredSampleUnit2* sourceUnit = MoviePrivateAccess::GetStoredSampleUnit(*movie);
    const CStoredSampleUnit2* reelUnit = ReelPrivateAccess::GetStoredSampleUnit(reel);
    if (sourceUnit == nullptr || reelUnit == nullptr || sourceUnit->framesPerUnit == 0 ||
        sourceUnit->framesPerUnit != reelUnit->framesPerUnit ||
        sourceUnit->soundSamplesPerUnit != reelUnit->soundSamplesPerUnit)
        return false;

    const unsigned unitCount = ReelPrivateAccess::getOriginalShootingUnitCount(reel);
    const unsigned storedPerShooting = ReelPrivateAccess::getSoundChunkCountPerUnit(reel);
    if (unitCount != info.shootingUnitCount || storedPerShooting != info.storedUnitsPerShootingUnit) return false;

    // The source's blocks by the very rules the reel model used.
    UnitBlocks blocks;
    if (!BuildUnitBlocks(*movie, storedPerShooting, unitCount, blocks, MediaPositions::Skip)) return false;
    if (ReelPrivateAccess::getSoundChunkSamples(reel) != blocks.soundChunkSamples) return false;
    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
        const unsigned original = unit.GetOriginalIndex();
        if (original >= unitCount || unit.GetStoredSampleUnitCount() != storedPerShooting) return false;
        const UnitBlock& block = blocks.units[original];
        if (unit.GetFileOffset() != block.offset || unit.GetSize() != block.size) return false;
    }
    return true;
}

}
