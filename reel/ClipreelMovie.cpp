#include "ClipreelMovie.h"

#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "reel/UnitBlocks.h"
#include "source/StoredSampleUnit.h"


namespace {

// The duration of one video frame in video media time units.
unsigned FrameDuration(const clipreel::CStoredSampleUnit2& layout) {
    unsigned duration = 0;
    unsigned timeScale = 0;
    layout.videoFormat.frameRate.GetDurationPerFrame(duration, timeScale);
    return duration;
}

}

CClipreelMovie::CClipreelMovie(const CZentiMovFile* source)
    : valid(false), storedUnitsPerShootingUnit(0), timeScale(0), editable(false) {
    if (source == nullptr) {
        return;
    }
    const CZentiMovie* movie = source->GetZentiMovie();
    if (movie == nullptr) {
        return;
    }
    CZentiMovie::ClipreelMovieInfo info{};
    if (!movie->IsClipreelMovie(&info)) {
        return;
    }
    timeScale = movie->GetVideoMediaTimeScale();
    const clipreel::CStoredSampleUnit2* layout = movie->GetStoredSampleUnit();
    if (layout == nullptr || !layout->valid) {
        return;
    }
    // The tables must lay every unit out as one gap-free block: the writer
    // copies exactly that block, so a reel whose blocks would leave out some
    // of its media is not valid.
    clipreel::UnitBlocks blocks;
    if (!clipreel::BuildUnitBlocks(*movie, info.storedUnitsPerShootingUnit, info.shootingUnitCount, blocks,
                                   clipreel::MediaPositions::Skip)) {
        return;
    }
    storedSampleUnit = std::make_unique<clipreel::CStoredSampleUnit2>(*layout);
    valid = true;
    storedUnitsPerShootingUnit = info.storedUnitsPerShootingUnit;
    soundChunkSamples = std::move(blocks.soundChunkSamples);
    if (movie->HasSound()) soundFormat.reset(movie->CopySoundFormatInfo());

    const unsigned unitCount = info.shootingUnitCount;
    shootingUnits.reserve(unitCount);
    editingList.reserve(unitCount);
    for (unsigned i = 0; i < unitCount; ++i) {
        shootingUnits.push_back(
            CClipreelShootingUnit(this, i, storedUnitsPerShootingUnit, blocks.units[i].offset, blocks.units[i].size));
        editingList.push_back(i);
    }
    editable = shootingUnits.size() > 1;
}

CClipreelMovie::~CClipreelMovie() = default;

bool CClipreelMovie::IsValid() const {
    return valid;
}

bool CClipreelMovie::IsEditable() const {
    return editable;
}

std::int32_t CClipreelMovie::GetTimeScale() const {
    return timeScale;
}

unsigned CClipreelMovie::GetShootingUnitCount() const {
    return static_cast<unsigned>(editingList.size());
}

const CClipreelShootingUnit& CClipreelMovie::GetShootingUnit(unsigned currentIndex) const {
    return shootingUnits[getOriginalIndex(currentIndex)];
}

// The totals answer 0 on a movie that is not valid: it has no layout copy.
unsigned CClipreelMovie::GetTotalFrameCount() const {
    if (!storedSampleUnit) {
        return 0;
    }
    unsigned total = 0;
    for (unsigned i = 0; i < editingList.size(); ++i) {
        total += storedSampleUnit->framesPerUnit * shootingUnits[getOriginalIndex(i)].storedSampleUnitCount;
    }
    return total;
}

unsigned CClipreelMovie::GetTotalIFrameCount() const {
    if (!storedSampleUnit || storedSampleUnit->videoFormat.groupOfPicture == 0) {
        return 0;
    }
    return GetTotalFrameCount() / storedSampleUnit->videoFormat.groupOfPicture;
}

unsigned CClipreelMovie::GetTotalSoundChunkCount() const {
    if (!storedSampleUnit) {
        return 0;
    }
    unsigned total = 0;
    for (unsigned i = 0; i < editingList.size(); ++i) {
        total += shootingUnits[getOriginalIndex(i)].storedSampleUnitCount;
    }
    return total;
}

// The source's last sound chunk may be shorter than the others: the total
// counts the samples the kept chunks really hold.
unsigned CClipreelMovie::GetTotalSoundSampleCount() const {
    return static_cast<unsigned>(getKeptSoundSampleCount());
}

// No chunk samples are kept without sound in the file (and on a movie that
// is not valid): the counts are 0 there.
unsigned CClipreelMovie::getSoundSampleCount(unsigned originalIndex) const {
    // Every unit holds the same number of stored sample units, one sound
    // chunk each.
    const unsigned first = originalIndex * storedUnitsPerShootingUnit;
    unsigned total = 0;
    for (unsigned k = 0; k < storedUnitsPerShootingUnit; ++k) {
        total += getChunkSoundSamples(first + k);
    }
    return total;
}

unsigned CClipreelMovie::getChunkSoundSamples(unsigned originalChunkIndex) const {
    return originalChunkIndex < soundChunkSamples.size() ? soundChunkSamples[originalChunkIndex] : 0;
}

std::uint64_t CClipreelMovie::getKeptSoundSampleCount() const {
    std::uint64_t total = 0;
    for (unsigned i = 0; i < editingList.size(); ++i) {
        total += getSoundSampleCount(getOriginalIndex(i));
    }
    return total;
}

std::int32_t CClipreelMovie::GetTotalDuration() const {
    if (!storedSampleUnit) {
        return 0;
    }
    const unsigned frameDuration = FrameDuration(*storedSampleUnit);
    unsigned total = 0;
    for (unsigned i = 0; i < editingList.size(); ++i) {
        total += storedSampleUnit->framesPerUnit * shootingUnits[getOriginalIndex(i)].storedSampleUnitCount *
                 frameDuration;
    }
    return static_cast<std::int32_t>(total);
}

unsigned CClipreelMovie::getOriginalShootingUnitCount() const {
    return static_cast<unsigned>(shootingUnits.size());
}

unsigned CClipreelMovie::getFrameCountPerUnit() const {
    return storedSampleUnit ? storedSampleUnit->framesPerUnit * storedUnitsPerShootingUnit : 0;
}

unsigned CClipreelMovie::getSoundChunkCountPerUnit() const {
    return storedUnitsPerShootingUnit;
}

unsigned CClipreelMovie::getSoundSampleCountPerUnit() const {
    return storedSampleUnit ? storedSampleUnit->soundSamplesPerUnit * storedUnitsPerShootingUnit : 0;
}

const clipreel::CStoredSampleUnit2* CClipreelMovie::GetStoredSampleUnit() const {
    return storedSampleUnit.get();
}
