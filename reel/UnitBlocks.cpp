#include "reel/UnitBlocks.h"

#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "source/MovieChecks.h"
#include "source/MoviePrivateAccess.h"
#include "source/StoredSampleUnit.h"

#include <memory>

namespace clipreel {

namespace {

using namespace atom_fields;

// Walks a track's media in file order and grows one block while every piece
// starts where the previous one ended.
class BlockBuilder {
public:
    bool Add(std::uint64_t offset, std::uint64_t size) {
        if (empty_) {
            block_.offset = offset;
            empty_ = false;
        } else if (offset != block_.offset + block_.size) {
            return false;
        }
        block_.size += size;
        return true;
    }
    UnitBlock Take() {
        const UnitBlock block = block_;
        block_ = UnitBlock();
        empty_ = true;
        return block;
    }

private:
    UnitBlock block_;
    bool empty_ = true;
};

// The video frames' sizes and offsets, read in order: a constant sample
// size stands for every frame.
class FrameTables {
public:
    FrameTables(const MyMovieDirectory& directory, const MyTrackMediaDirectory& video)
        : sizes_(directory.Read(video.sampleSize)), offsets_(directory.Read(video.chunkOffset)),
          constantSize_(directory.U32(video.sampleSize, ConstantSampleSize)),
          count_(directory.U32(video.sampleSize, SampleCount)) {}

    std::uint32_t Count() const { return count_; }
    bool Frame(std::uint32_t index, std::uint64_t& offset, std::uint64_t& size) const {
        std::uint32_t at = 0;
        std::uint32_t bytes = constantSize_;
        if (!offsets_.PeekU32BE(FirstEntry + std::size_t(index) * 4, at)) return false;
        if (bytes == 0 && !sizes_.PeekU32BE(SampleSizeTable + std::size_t(index) * 4, bytes)) return false;
        offset = at;
        size = bytes;
        return true;
    }

private:
    ByteReader sizes_;
    ByteReader offsets_;
    std::uint32_t constantSize_;
    std::uint32_t count_;
};

// The sound chunks' offsets and sample counts; the sample-to-chunk runs are
// walked alongside the chunks, so each table is read once.
class SoundChunkTables {
public:
    SoundChunkTables(const MyMovieDirectory& directory, const MyTrackMediaDirectory& sound)
        : offsets_(directory.Read(sound.chunkOffset)), runs_(directory.Read(sound.sampleToChunk)),
          count_(directory.U32(sound.chunkOffset, EntryCount)),
          runCount_(directory.U32(sound.sampleToChunk, EntryCount)) {}

    std::uint32_t Count() const { return count_; }
    // Chunks must be asked for in order, from the first.
    bool Chunk(std::uint32_t index, std::uint64_t& offset, std::uint32_t& samples) {
        std::uint32_t at = 0;
        if (!offsets_.PeekU32BE(FirstEntry + std::size_t(index) * 4, at)) return false;
        std::uint32_t firstChunk = 0;
        while (nextRun_ < runCount_ && runs_.PeekU32BE(FirstEntry + std::size_t(nextRun_) * 12, firstChunk) &&
               firstChunk <= index + 1) {
            if (!runs_.PeekU32BE(FirstEntry + std::size_t(nextRun_) * 12 + 4, samples_)) return false;
            ++nextRun_;
        }
        offset = at;
        samples = samples_;
        return samples_ != 0;
    }

private:
    ByteReader offsets_;
    ByteReader runs_;
    std::uint32_t count_;
    std::uint32_t runCount_;
    std::uint32_t nextRun_ = 0;
    std::uint32_t samples_ = 0;
};

std::uint32_t BytesPerSoundFrame(const CZentiMovie& movie) {
    const std::unique_ptr<CSoundFormatInfo> format(movie.CopySoundFormatInfo());
    SoundDescriptionV1 description{};
    return format && format->GetFormatInfo(&description) ? description.bytesPerFrame : 0;
}

}

bool BuildUnitBlocks(const CZentiMovie& movie, unsigned storedUnitsPerShootingUnit, unsigned unitCount,
                     UnitBlocks& blocks) {
    blocks = UnitBlocks();
    const CStoredSampleUnit2* layout = MoviePrivateAccess::GetStoredSampleUnit(movie);
    if (!movie.IsValid() || layout == nullptr || !layout->valid) return false;
    const MyMovieDirectory& directory = MoviePrivateAccess::GetDirectory(movie);
    const MyTrackMediaDirectory* video = directory.FindTrack(FourCC("vide"));
    if (video == nullptr) return false;
    const FrameTables frames(directory, *video);
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
        blocks.soundChunkOffsets.reserve(static_cast<std::size_t>(storedUnits));
    }
    blocks.frameOffsets.reserve(frames.Count());
    blocks.frameSizes.reserve(frames.Count());

    blocks.units.reserve(unitCount);
    BlockBuilder builder;
    std::uint32_t frame = 0;
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
                blocks.soundChunkOffsets.push_back(offset);
                ++chunk;
            }
            for (std::uint64_t k = 0; k < framesPerStoredUnit; ++k, ++frame) {
                std::uint64_t offset = 0;
                std::uint64_t size = 0;
                if (!frames.Frame(frame, offset, size) || !builder.Add(offset, size)) return false;
                blocks.frameOffsets.push_back(offset);
                blocks.frameSizes.push_back(static_cast<std::uint32_t>(size));
            }
        }
        blocks.units.push_back(builder.Take());
    }
    return true;
}

}
