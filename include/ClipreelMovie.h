#ifndef CLIPREEL_CLIPREEL_MOVIE_H
#define CLIPREEL_CLIPREEL_MOVIE_H

#include "ClipreelExport.h"
#include "SoundFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

class CZentiMovFile;
class CClipreelMovie;
namespace clipreel {
class CStoredSampleUnit2;
struct ReelPrivateAccess;
}

// One shooting unit of a Clipreel movie: where its block of media data lies
// in the source file, and its place in the reel.
class CLIPREEL_API CClipreelShootingUnit {
public:
    ~CClipreelShootingUnit() = default;
    CClipreelShootingUnit(const CClipreelShootingUnit& other) = default;
    CClipreelShootingUnit& operator=(const CClipreelShootingUnit& other);

    unsigned GetOriginalIndex() const;
    std::uint64_t GetFileOffset() const;
    std::uint64_t GetSize() const;
    unsigned GetStoredSampleUnitCount() const;
    unsigned GetSoundChunkCount() const;
    unsigned GetFrameCount() const;
    std::int32_t GetDuration() const;

    std::int32_t GetOriginalStartTime() const;
    unsigned GetOriginalStartVideoSampleIndex() const;
    unsigned GetOriginalStartSoundChunkIndex() const;
    std::int32_t GetCurrentStartTime() const;
    unsigned GetCurrentStartVideoSampleIndex() const;
    unsigned GetCurrentStartSoundChunkIndex() const;

private:
    friend class CClipreelMovie;
    friend class CClipreelMovFileEditor;
    friend struct clipreel::ReelPrivateAccess;

    CClipreelShootingUnit(const CClipreelMovie* movie, unsigned originalIndex,
                          unsigned storedSampleUnitCount, std::uint64_t fileOffset,
                          std::uint64_t size);

    unsigned getCurrentIndex() const;
    std::uint64_t GetCurrentRelativeOffset() const;
    std::int64_t GetVideoSoundOffsetDelta() const;

    const CClipreelMovie* movie;
    unsigned originalIndex;
    unsigned storedSampleUnitCount;
    std::uint64_t fileOffset;
    std::uint64_t size;
};

// A Clipreel movie as an ordered list of shooting units, and the editing list
// of the units kept, in output order. It copies what it needs from the source
// file at construction and keeps no reference to it.
class CLIPREEL_API CClipreelMovie {
public:
    explicit CClipreelMovie(const CZentiMovFile* source);
    virtual ~CClipreelMovie();
    CClipreelMovie(const CClipreelMovie&) = delete;
    CClipreelMovie& operator=(const CClipreelMovie&) = delete;

    bool IsValid() const;
    bool IsEditable() const;
    bool IsEdited() const;
    std::int32_t GetTimeScale() const;
    unsigned GetShootingUnitCount() const;
    const CClipreelShootingUnit& GetShootingUnit(unsigned currentIndex) const;

    unsigned GetTotalFrameCount() const;
    unsigned GetTotalIFrameCount() const;
    unsigned GetTotalSoundChunkCount() const;
    unsigned GetTotalSoundSampleCount() const;
    std::int32_t GetTotalDuration() const;

    bool RemoveShootingUnit(unsigned currentIndex);
    bool RemoveShootingUnits(const std::vector<unsigned>& currentIndices);
    void GetEditingState(std::vector<unsigned>& state) const;
    bool SetEditingState(const std::vector<unsigned>& state);

private:
    friend class CClipreelShootingUnit;
    friend class CClipreelMovFileEditor;
    friend struct clipreel::ReelPrivateAccess;

    unsigned getOriginalShootingUnitCount() const;
    unsigned getFrameCountPerUnit() const;
    unsigned getSoundChunkCountPerUnit() const;
    unsigned getSoundSampleCountPerUnit() const;
    // The sound samples of one original unit in the file: the source's last
    // chunk may be shorter than a stored sample unit's (0 when the sound
    // lies in another file).
    unsigned getSoundSampleCount(unsigned originalIndex) const;
    // The samples of one of the source's sound chunks, and of the kept
    // units' chunks together; 0 when the sound lies in another file.
    unsigned getChunkSoundSamples(unsigned originalChunkIndex) const;
    std::uint64_t getKeptSoundSampleCount() const;
    const clipreel::CStoredSampleUnit2* GetStoredSampleUnit() const;

    unsigned getOriginalIndex(unsigned currentIndex) const;
    unsigned GetCurrentIndex(unsigned originalIndex) const;
    std::uint64_t GetRelativeOffset(unsigned currentIndex) const;
    std::int32_t GetOriginalStartTime(unsigned originalIndex) const;
    unsigned GetOriginalStartVideoSampleIndex(unsigned originalIndex) const;
    unsigned GetOriginalStartSoundChunkIndex(unsigned originalIndex) const;
    std::int32_t GetCurrentStartTime(unsigned currentIndex) const;
    unsigned GetCurrentStartVideoSampleIndex(unsigned currentIndex) const;
    unsigned GetCurrentStartSoundChunkIndex(unsigned currentIndex) const;

    bool valid;
    std::unique_ptr<clipreel::CStoredSampleUnit2> storedSampleUnit;
    std::uint32_t storedUnitsPerShootingUnit;
    std::int32_t timeScale;
    std::unique_ptr<CSoundFormatInfo> soundFormat;
    std::vector<CClipreelShootingUnit> shootingUnits;
    bool editable;
    std::vector<unsigned> editingList;
    std::vector<std::uint32_t> soundChunkSamples;  // of each source sound chunk; empty without sound
};

#endif
