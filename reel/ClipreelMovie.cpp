#include "ClipreelMovie.h"

#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "source/StoredSampleUnit.h"

#include <cstring>

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
    storedSampleUnit = std::make_unique<clipreel::CStoredSampleUnit2>(*layout);
    valid = true;
    storedUnitsPerShootingUnit = info.storedUnitsPerShootingUnit;

    // The sound chunks are part of each unit's block only when the sound is
    // stored in this file: a sound track whose media lies in another file
    // has no samples in the stored sample unit, and its chunk offsets are
    // positions in that other file.
    std::uint32_t soundBytesPerFrame = 0;
    const bool soundInFile = movie->HasSound() && storedSampleUnit->soundSamplesPerUnit != 0;
    if (movie->HasSound()) {
        soundFormat.reset(movie->CopySoundFormatInfo());
        const SoundDescriptionV1* description = soundFormat ? soundFormat->GetFormatInfo() : nullptr;
        if (description != nullptr) {
            SoundDescriptionV1 native;
            std::memcpy(&native, description, sizeof(native));
            soundBytesPerFrame = native.bytesPerFrame;
        }
    }

    const unsigned framesPerShootingUnit = storedSampleUnit->framesPerUnit * storedUnitsPerShootingUnit;
    const std::uint32_t fullChunkBytes = storedSampleUnit->soundSamplesPerUnit * soundBytesPerFrame;
    // A sound track whose sample-to-chunk table has a second entry stores a
    // shorter last chunk; the unit holding it ends where that chunk's data
    // ends, not a full chunk further on.
    const unsigned lastChunkSamples = soundInFile ? movie->GetSoundSamplesPerChunk(true) : 0;
    const unsigned soundChunkCount = movie->GetSoundChunkCount();

    const unsigned unitCount = info.shootingUnitCount;
    shootingUnits.reserve(unitCount);
    editingList.reserve(unitCount);
    for (unsigned i = 0; i < unitCount; ++i) {
        const unsigned firstFrame = i * framesPerShootingUnit;
        std::uint64_t fileOffset = movie->GetVideoFrameFileOffset(firstFrame);
        std::uint64_t size = 0;
        for (unsigned frame = 0; frame < framesPerShootingUnit; ++frame) {
            size += movie->GetVideoFrameDataSize(firstFrame + frame);
        }
        if (soundInFile) {
            const unsigned firstChunk = i * storedUnitsPerShootingUnit;
            fileOffset = movie->GetSoundChunkFileOffset(firstChunk);
            std::uint32_t soundBytes = fullChunkBytes * storedUnitsPerShootingUnit;
            const unsigned lastChunk = firstChunk + storedUnitsPerShootingUnit - 1;
            if (lastChunkSamples != 0 && storedUnitsPerShootingUnit != 0 && soundChunkCount != 0 &&
                lastChunk == soundChunkCount - 1) {
                soundBytes = fullChunkBytes * (storedUnitsPerShootingUnit - 1) + lastChunkSamples * soundBytesPerFrame;
            }
            size += soundBytes;
        }
        shootingUnits.push_back(CClipreelShootingUnit(this, i, storedUnitsPerShootingUnit, fileOffset, size));
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

unsigned CClipreelMovie::GetTotalSoundSampleCount() const {
    if (!storedSampleUnit) {
        return 0;
    }
    return GetTotalSoundChunkCount() * storedSampleUnit->soundSamplesPerUnit;
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
