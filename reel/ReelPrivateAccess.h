#ifndef CLIPREEL_REEL_REEL_PRIVATE_ACCESS_H
#define CLIPREEL_REEL_REEL_PRIVATE_ACCESS_H

#include "ClipreelMovie.h"
#include "source/StoredSampleUnit.h"

#include <cstdint>

namespace clipreel {

// The library's own way to the private index mapping and position queries
// of the reel: the copiers, the writer and the tests use it. Each function
// forwards to the operation of the same name.
struct ReelPrivateAccess {
    static unsigned getOriginalShootingUnitCount(const CClipreelMovie& m) { return m.getOriginalShootingUnitCount(); }
    static unsigned getFrameCountPerUnit(const CClipreelMovie& m) { return m.getFrameCountPerUnit(); }
    static unsigned getSoundChunkCountPerUnit(const CClipreelMovie& m) { return m.getSoundChunkCountPerUnit(); }
    static unsigned getSoundSampleCountPerUnit(const CClipreelMovie& m) { return m.getSoundSampleCountPerUnit(); }
    static unsigned getSoundSampleCount(const CClipreelMovie& m, unsigned o) { return m.getSoundSampleCount(o); }
    static unsigned getChunkSoundSamples(const CClipreelMovie& m, unsigned c) { return m.getChunkSoundSamples(c); }
    static std::uint64_t getKeptSoundSampleCount(const CClipreelMovie& m) { return m.getKeptSoundSampleCount(); }
    static const std::vector<std::uint32_t>& getSoundChunkSamples(const CClipreelMovie& m) { return m.soundChunkSamples; }
    static const CStoredSampleUnit2* GetStoredSampleUnit(const CClipreelMovie& m) { return m.GetStoredSampleUnit(); }
    static unsigned getOriginalIndex(const CClipreelMovie& m, unsigned i) { return m.getOriginalIndex(i); }
    static unsigned GetCurrentIndex(const CClipreelMovie& m, unsigned o) { return m.GetCurrentIndex(o); }
    static std::uint64_t GetRelativeOffset(const CClipreelMovie& m, unsigned i) { return m.GetRelativeOffset(i); }
    static std::int32_t GetOriginalStartTime(const CClipreelMovie& m, unsigned o) { return m.GetOriginalStartTime(o); }
    static unsigned GetOriginalStartVideoSampleIndex(const CClipreelMovie& m, unsigned o) { return m.GetOriginalStartVideoSampleIndex(o); }
    static unsigned GetOriginalStartSoundChunkIndex(const CClipreelMovie& m, unsigned o) { return m.GetOriginalStartSoundChunkIndex(o); }
    static std::int32_t GetCurrentStartTime(const CClipreelMovie& m, unsigned i) { return m.GetCurrentStartTime(i); }
    static unsigned GetCurrentStartVideoSampleIndex(const CClipreelMovie& m, unsigned i) { return m.GetCurrentStartVideoSampleIndex(i); }
    static unsigned GetCurrentStartSoundChunkIndex(const CClipreelMovie& m, unsigned i) { return m.GetCurrentStartSoundChunkIndex(i); }

    static unsigned getCurrentIndex(const CClipreelShootingUnit& u) { return u.getCurrentIndex(); }
    static std::uint64_t GetCurrentRelativeOffset(const CClipreelShootingUnit& u) { return u.GetCurrentRelativeOffset(); }
    static std::int64_t GetVideoSoundOffsetDelta(const CClipreelShootingUnit& u) { return u.GetVideoSoundOffsetDelta(); }
};

}

#endif
