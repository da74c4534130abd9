#include "editor/NewMoviePlan.h"

#include "ClipreelMovie.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "reel/ReelPrivateAccess.h"
#include "reel/UnitBlocks.h"
#include "source/MoviePrivateAccess.h"
#include "source/SyncSampleTable.h"

#include <algorithm>
#include <numeric>

namespace clipreel {

namespace {

constexpr std::uint64_t Max32 = 0xFFFFFFFFu;

// The video track's sync sample numbers (counted from 1), in order; false
// when the table does not hold the entries it counts. No table: none, and
// table false.
bool ReadSyncSamples(const CZentiMovie& movie, bool& table, std::vector<std::uint32_t>& samples) {
    const MyMovieDirectory& directory = MoviePrivateAccess::GetDirectory(movie);
    const MyTrackMediaDirectory* video = directory.FindTrack(FourCC("vide"));
    table = video != nullptr && video->syncSample.Found();
    samples.clear();
    if (!table) return true;
    const SyncSampleTable stss(directory.Read(video->syncSample));
    if (!stss.HoldsEntries()) return false;
    samples.resize(stss.Count());
    for (std::uint32_t i = 0; i < samples.size(); ++i)
        if (!stss.Sample(i, samples[i])) return false;
    std::sort(samples.begin(), samples.end());
    return true;
}

// Adds one source's kept units to the plan.
bool AddSource(const PlanSource& source, bool first, NewMoviePlan& plan, std::uint64_t& videoDuration) {
    if (source.movie == nullptr || source.reel == nullptr || !source.reel->IsValid()) return false;
    const CClipreelMovie& reel = *source.reel;
    const unsigned originalUnits = ReelPrivateAccess::getOriginalShootingUnitCount(reel);
    const unsigned chunksPerUnit = ReelPrivateAccess::getSoundChunkCountPerUnit(reel);
    const unsigned framesPerUnit = ReelPrivateAccess::getFrameCountPerUnit(reel);
    UnitBlocks blocks;
    if (!BuildUnitBlocks(*source.movie, chunksPerUnit, originalUnits, blocks)) return false;
    if (blocks.frameOffsets.size() != std::size_t(originalUnits) * framesPerUnit) return false;
    const bool sound = !blocks.soundChunkSamples.empty();
    if (sound && blocks.soundChunkSamples.size() != std::size_t(originalUnits) * chunksPerUnit) return false;
    if (first) {
        plan.soundInFile = sound;
        plan.videoTimeScale = reel.GetTimeScale();
    } else if (plan.soundInFile != sound) {
        return false;
    }

    bool syncTable = false;
    std::vector<std::uint32_t> sync;
    if (!ReadSyncSamples(*source.movie, syncTable, sync)) return false;

    const unsigned kept = reel.GetShootingUnitCount();
    for (unsigned i = 0; i < kept; ++i) {
        const unsigned original = ReelPrivateAccess::getOriginalIndex(reel, i);
        if (original >= originalUnits) return false;
        PlannedUnit unit;
        unit.file = source.file;
        unit.originalIndex = original;
        unit.blockOffset = blocks.units[original].offset;
        unit.blockSize = blocks.units[original].size;
        const std::size_t firstFrame = std::size_t(original) * framesPerUnit;
        unit.firstSourceFrame = static_cast<std::uint32_t>(firstFrame);
        unit.frameOffsets.assign(blocks.frameOffsets.begin() + firstFrame,
                                 blocks.frameOffsets.begin() + firstFrame + framesPerUnit);
        unit.frameSizes.assign(blocks.frameSizes.begin() + firstFrame,
                               blocks.frameSizes.begin() + firstFrame + framesPerUnit);
        if (syncTable) {
            // Sample numbers count from 1: the unit's frames are numbers
            // firstFrame + 1 to firstFrame + framesPerUnit.
            auto at = std::upper_bound(sync.begin(), sync.end(), static_cast<std::uint32_t>(firstFrame));
            for (; at != sync.end() && *at <= firstFrame + framesPerUnit; ++at) {
                const std::uint32_t frame = static_cast<std::uint32_t>(*at - 1 - firstFrame);
                if (unit.syncFrames.empty() || unit.syncFrames.back() != frame) unit.syncFrames.push_back(frame);
            }
        } else {
            for (std::uint32_t frame = 0; frame < framesPerUnit; ++frame) unit.syncFrames.push_back(frame);
        }
        if (sound) {
            const std::size_t firstChunk = std::size_t(original) * chunksPerUnit;
            unit.soundChunkOffsets.assign(blocks.soundChunkOffsets.begin() + firstChunk,
                                          blocks.soundChunkOffsets.begin() + firstChunk + chunksPerUnit);
            unit.soundChunkSamples.assign(blocks.soundChunkSamples.begin() + firstChunk,
                                          blocks.soundChunkSamples.begin() + firstChunk + chunksPerUnit);
        }
        plan.units.push_back(std::move(unit));
    }
    // The reel counts its duration in unsigned 32 bits.
    videoDuration += static_cast<std::uint32_t>(reel.GetTotalDuration());
    return true;
}

}

namespace {

// The sum over the units of what count gives for each.
template <typename Count>
std::uint64_t SumOverUnits(const std::vector<PlannedUnit>& units, Count count) {
    std::uint64_t sum = 0;
    for (const PlannedUnit& unit : units) sum += count(unit);
    return sum;
}

}

std::uint64_t NewMoviePlan::FrameCount() const {
    return SumOverUnits(units, [](const PlannedUnit& unit) { return unit.frameSizes.size(); });
}

std::uint64_t NewMoviePlan::SyncSampleCount() const {
    return SumOverUnits(units, [](const PlannedUnit& unit) { return unit.syncFrames.size(); });
}

std::uint64_t NewMoviePlan::SoundChunkCount() const {
    return SumOverUnits(units, [](const PlannedUnit& unit) { return unit.soundChunkSamples.size(); });
}

std::uint64_t NewMoviePlan::SoundSampleCount() const {
    return SumOverUnits(units, [](const PlannedUnit& unit) {
        return std::accumulate(unit.soundChunkSamples.begin(), unit.soundChunkSamples.end(), std::uint64_t(0));
    });
}

std::uint64_t NewMoviePlan::KeptBytes() const {
    return SumOverUnits(units, [](const PlannedUnit& unit) { return unit.blockSize; });
}

bool BuildNewMoviePlan(const std::vector<PlanSource>& sources, NewMoviePlan& plan) {
    plan = NewMoviePlan();
    std::uint64_t videoDuration = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!AddSource(sources[i], i == 0, plan, videoDuration)) {
            plan = NewMoviePlan();
            return false;
        }
    }
    // Every count the tables hold is 32-bit.
    if (sources.empty() || videoDuration > Max32 || plan.FrameCount() > Max32 || plan.SoundSampleCount() > Max32) {
        plan = NewMoviePlan();
        return false;
    }
    plan.videoDuration = static_cast<std::uint32_t>(videoDuration);
    return true;
}

bool BuildNewMoviePlan(const CZentiMovie& movie, const CZentiMovFile* file, const CClipreelMovie& reel,
                       NewMoviePlan& plan) {
    PlanSource source;
    source.movie = &movie;
    source.file = file;
    source.reel = &reel;
    return BuildNewMoviePlan(std::vector<PlanSource>{source}, plan);
}

}
