#include "reel/UnitBlocks.h"

#include "ZentiMovie.h"
#include "bytes/FourCC.h"
#include "source/ChunkOffsetTable.h"
#include "source/MovieChecks.h"
#include "source/MoviePrivateAccess.h"
#include "source/SampleSizeTable.h"
#include "source/SampleToChunkTable.h"
#include "source/StoredSampleUnit.h"

#include <memory>

namespace clipreel {

namespace {

// Walks a track's media in file order and grows one block while every piece
// starts where the previous one ended.
class BlockBuilder {
public:
    bool Add(std::uint64_t offset, std::uint64_t size) {
        if (empty) {
            block.offset = offset;
            empty = false;
        } else if (offset != block.offset + block.size) {
            return false;
        }
        block.size += size;
        return true;
    }
    UnitBlock Take() {
        const UnitBlock taken = block;
        block = UnitBlock();
        empty = true;
        return taken;
    }

private:
    UnitBlock block;
    bool empty = true;
};

// The video frames' sizes and offsets, read in order: a constant sample size
// stands for every frame.
class FrameTables {
public:
    FrameTables(const MyMovieDirectory& directory, const MyTrackMediaDirectory& video)
        : sizes(directory.Read(video.sampleSize)), offsets(directory.Read(video.chunkOffset)),
          constantSize(sizes.ConstantSize()), count(sizes.SampleCount()) {}

    std::uint32_t Count() const { return count; }
    // The next frame; false past the end of either table.
    bool Next(std::uint64_t& offset, std::uint64_t& size) {
        std::uint32_t at = 0;
        std::uint32_t bytes = constantSize;
        if (!offsets.Offset(next, at)) return false;
        if (bytes == 0 && !sizes.Size(next, bytes)) return false;
        ++next;
        offset = at;
        size = bytes;
        return true;
    }

private:
    SampleSizeTable sizes;
    ChunkOffsetTable offsets;
    std::uint32_t constantSize;
    std::uint32_t count;
    std::uint32_t next = 0;
};

// The sound chunks' offsets and sample counts; the sample-to-chunk runs are
// walked alongside the chunks, so each table is read once.
class SoundChunkTables {
public:
    SoundChunkTables(const MyMovieDirectory& directory, const MyTrackMediaDirectory& sound)
        : offsets(directory.Read(sound.chunkOffset)), runs(directory.Read(sound.sampleToChunk)) {}

    std::uint32_t Count() const { return offsets.Count(); }
    // Chunks must be asked for in order, from the first.
    bool Chunk(std::uint32_t index, std::uint64_t& offset, std::uint32_t& samples) {
        std::uint32_t at = 0;
        if (!offsets.Offset(index, at)) return false;
        SampleToChunkEntry run;
        while (runs.Entry(nextRun, run) && run.firstChunk <= index + 1) {
            samplesPerChunk = run.samplesPerChunk;
            ++nextRun;
        }
        offset = at;
        samples = samplesPerChunk;
        return samplesPerChunk != 0;
    }

private:
    ChunkOffsetTable offsets;
    SampleToChunkTable runs;
    std::uint32_t nextRun = 0;
    std::uint32_t samplesPerChunk = 0;
};

std::uint32_t BytesPerSoundFrame(const CZentiMovie& movie) {
    const std::unique_ptr<CSoundFormatInfo> format(movie.CopySoundFormatInfo());
    SoundDescriptionV1 description{};
    return format && format->GetFormatInfo(&description) ? description.bytesPerFrame : 0;
}

}

bool BuildUnitBlocks(const CZentiMovie& movie, unsigned storedUnitsPerShootingUnit, unsigned unitCount,
                     UnitBlocks& blocks, MediaPositions positions) {
    blocks = UnitBlocks();
    const CStoredSampleUnit2* layout = MoviePrivateAccess::GetStoredSampleUnit(movie);
    if (!movie.IsValid() || layout == nullptr || !layout->valid) return false;
    const MyMovieDirectory& directory = MoviePrivateAccess::GetDirectory(movie);
    const MyTrackMediaDirectory* video = directory.FindTrack(FourCC("vide"));
    if (video == nullptr) return false;
    FrameTables frames(directory, *video);
    const std::uint64_t framesPerStoredUnit = layout->framesPerUnit;
    if (std::uint64_t(unitCount) * storedUnitsPerShootingUnit * framesPerStoredUnit != frames.Count()) return false;

    // A sound track whose media lies in another file has no samples in the
    // stored sample unit, and its chunk offsets are positions in that file:
    // its chunks are no part of any block here. Sound in the file without
    // samples in the stored sample unit (no sample rate) could not be laid
    // out.
    const MyTrackMediaDirectory* soundTrack = directory.FindTrack(FourCC("soun"));
    const bool soundInFile = soundTrack != nullptr && MediaInOwnFile(directory, *soundTrack);
    if (soundInFile != (soundTrack != nullptr && layout->soundSamplesPerUnit != 0)) return false;
    std::unique_ptr<SoundChunkTables> sound;
    std::uint32_t bytesPerFrame = 0;
    const std::uint64_t storedUnits = std::uint64_t(unitCount) * storedUnitsPerShootingUnit;
    if (soundInFile) {
        sound = std::make_unique<SoundChunkTables>(directory, *soundTrack);
        bytesPerFrame = BytesPerSoundFrame(movie);
        // One sound chunk per stored sample unit.
        if (sound->Count() != storedUnits || bytesPerFrame == 0) return false;
        blocks.soundChunkSamples.reserve(static_cast<std::size_t>(storedUnits));
    }
    const bool keep = positions == MediaPositions::Keep;
    if (keep) {
        blocks.soundChunkOffsets.reserve(sound ? static_cast<std::size_t>(storedUnits) : 0);
        blocks.frameOffsets.reserve(frames.Count());
        blocks.frameSizes.reserve(frames.Count());
    }

    blocks.units.reserve(unitCount);
    BlockBuilder builder;
    std::uint32_t chunk = 0;
    for (unsigned unit = 0; unit < unitCount; ++unit) {
        for (unsigned stored = 0; stored < storedUnitsPerShootingUnit; ++stored) {
            if (sound) {
                std::uint64_t offset = 0;
                std::uint32_t samples = 0;
                if (!sound->Chunk(chunk, offset, samples)) return false;
                // Every chunk holds a stored sample unit's samples; the
                // camera's shorter last chunk may sit anywhere once a reel
                // has been edited.
                if (samples > layout->soundSamplesPerUnit) return false;
                if (!builder.Add(offset, std::uint64_t(samples) * bytesPerFrame)) return false;
                blocks.soundChunkSamples.push_back(samples);
                if (keep) blocks.soundChunkOffsets.push_back(offset);
                ++chunk;
            }
            for (std::uint64_t k = 0; k < framesPerStoredUnit; ++k) {
                std::uint64_t offset = 0;
                std::uint64_t size = 0;
                if (!frames.Next(offset, size) || !builder.Add(offset, size)) return false;
                if (keep) {
                    blocks.frameOffsets.push_back(offset);
                    blocks.frameSizes.push_back(static_cast<std::uint32_t>(size));
                }
            }
        }
        blocks.units.push_back(builder.Take());
    }
    return true;
}

}
