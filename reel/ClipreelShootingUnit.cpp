#include "ClipreelMovie.h"

#include "source/StoredSampleUnit.h"

CClipreelShootingUnit::CClipreelShootingUnit(const CClipreelMovie* owner, unsigned original,
                                             unsigned storedUnits, std::uint64_t offset,
                                             std::uint64_t blockSize)
    : movie(owner), originalIndex(original), storedSampleUnitCount(storedUnits), fileOffset(offset),
      size(blockSize) {}

CClipreelShootingUnit& CClipreelShootingUnit::operator=(const CClipreelShootingUnit& other) {
    movie = other.movie;
    originalIndex = other.originalIndex;
    storedSampleUnitCount = other.storedSampleUnitCount;
    fileOffset = other.fileOffset;
    size = other.size;
    return *this;
}

unsigned CClipreelShootingUnit::GetOriginalIndex() const {
    return originalIndex;
}

std::uint64_t CClipreelShootingUnit::GetFileOffset() const {
    return fileOffset;
}

std::uint64_t CClipreelShootingUnit::GetSize() const {
    return size;
}

unsigned CClipreelShootingUnit::GetStoredSampleUnitCount() const {
    return storedSampleUnitCount;
}

unsigned CClipreelShootingUnit::GetSoundChunkCount() const {
    return storedSampleUnitCount;
}

unsigned CClipreelShootingUnit::GetFrameCount() const {
    const clipreel::CStoredSampleUnit2* layout = movie ? movie->GetStoredSampleUnit() : nullptr;
    return layout ? layout->framesPerUnit * storedSampleUnitCount : 0;
}

std::int32_t CClipreelShootingUnit::GetDuration() const {
    const clipreel::CStoredSampleUnit2* layout = movie ? movie->GetStoredSampleUnit() : nullptr;
    if (layout == nullptr) {
        return 0;
    }
    unsigned frameDuration = 0;
    unsigned timeScale = 0;
    layout->videoFormat.frameRate.GetDurationPerFrame(frameDuration, timeScale);
    return static_cast<std::int32_t>(GetFrameCount() * frameDuration);
}

std::int32_t CClipreelShootingUnit::GetOriginalStartTime() const {
    return movie->GetOriginalStartTime(originalIndex);
}

unsigned CClipreelShootingUnit::GetOriginalStartVideoSampleIndex() const {
    return movie->GetOriginalStartVideoSampleIndex(originalIndex);
}

unsigned CClipreelShootingUnit::GetOriginalStartSoundChunkIndex() const {
    return movie->GetOriginalStartSoundChunkIndex(originalIndex);
}

std::int32_t CClipreelShootingUnit::GetCurrentStartTime() const {
    return movie->GetCurrentStartTime(getCurrentIndex());
}

unsigned CClipreelShootingUnit::GetCurrentStartVideoSampleIndex() const {
    return movie->GetCurrentStartVideoSampleIndex(getCurrentIndex());
}

unsigned CClipreelShootingUnit::GetCurrentStartSoundChunkIndex() const {
    return movie->GetCurrentStartSoundChunkIndex(getCurrentIndex());
}

unsigned CClipreelShootingUnit::getCurrentIndex() const {
    return movie->GetCurrentIndex(originalIndex);
}

std::uint64_t CClipreelShootingUnit::GetCurrentRelativeOffset() const {
    return movie->GetRelativeOffset(getCurrentIndex());
}

std::int64_t CClipreelShootingUnit::GetVideoSoundOffsetDelta() const {
    return static_cast<std::int64_t>(GetCurrentRelativeOffset() - fileOffset);
}
