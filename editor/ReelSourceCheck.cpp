#include "editor/ReelSourceCheck.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "reel/ReelPrivateAccess.h"
#include "source/MoviePrivateAccess.h"

#include <memory>

namespace clipreel {

bool ReelMatchesSource(const CZentiMovFile& source, const CClipreelMovie& reel) {
    const CZentiMovie* movie = source.GetZentiMovie();
    CZentiMovie::ClipreelMovieInfo info{};
    if (!reel.IsValid() || !source.IsValid() || movie == nullptr || !movie->IsClipreelMovie(&info)) return false;

    const CStoredSampleUnit2* sourceUnit = MoviePrivateAccess::GetStoredSampleUnit(*movie);
    const CStoredSampleUnit2* reelUnit = ReelPrivateAccess::GetStoredSampleUnit(reel);
    if (sourceUnit == nullptr || reelUnit == nullptr || sourceUnit->framesPerUnit == 0 ||
        sourceUnit->framesPerUnit != reelUnit->framesPerUnit ||
        sourceUnit->soundSamplesPerUnit != reelUnit->soundSamplesPerUnit)
        return false;

    const unsigned unitCount = ReelPrivateAccess::getOriginalShootingUnitCount(reel);
    const unsigned storedPerShooting = ReelPrivateAccess::getSoundChunkCountPerUnit(reel);
    const std::uint64_t framesPerShooting = std::uint64_t(sourceUnit->framesPerUnit) * storedPerShooting;
    if (unitCount != info.shootingUnitCount || storedPerShooting != info.storedUnitsPerShootingUnit ||
        framesPerShooting * unitCount != movie->GetVideoFrameCount())
        return false;

    const bool sound = movie->HasSound();
    std::uint32_t soundBytes = 0;
    if (sound) {
        if (std::uint64_t(unitCount) * storedPerShooting > movie->GetSoundChunkCount()) return false;
        const std::unique_ptr<CSoundFormatInfo> format(movie->CopySoundFormatInfo());
        if (!format || format->GetFormatInfo() == nullptr) return false;
        soundBytes = sourceUnit->soundSamplesPerUnit * storedPerShooting * format->GetFormatInfo()->bytesPerFrame;
    }

    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
        const unsigned original = unit.GetOriginalIndex();
        if (original >= unitCount || unit.GetStoredSampleUnitCount() != storedPerShooting) return false;
        const unsigned firstFrame = static_cast<unsigned>(original * framesPerShooting);
        std::uint64_t size = soundBytes;
        for (unsigned f = 0; f < framesPerShooting; ++f) size += movie->GetVideoFrameDataSize(firstFrame + f);
        const std::uint64_t offset = sound ? movie->GetSoundChunkFileOffset(original * storedPerShooting)
                                           : movie->GetVideoFrameFileOffset(firstFrame);
        if (unit.GetFileOffset() != offset || unit.GetSize() != size) return false;
    }
    return true;
}

}
