#include "ZentiMovie.h"

#include "bytes/FourCC.h"
#include "source/AtomFields.h"
#include "source/AtomHeader.h"
#include "source/ChunkOffsetTable.h"
#include "source/MovieTime.h"
#include "source/MovieChecks.h"
#include "source/MovieDirectory.h"
#include "source/SampleSizeTable.h"
#include "source/SampleToChunkTable.h"
#include "source/StoredSampleUnit.h"
#include "source/TimeToSampleTable.h"

using clipreel::AtomSpan;
using clipreel::ChunkOffsetTable;
using clipreel::FourCC;
using clipreel::MyMovieDirectory;
using clipreel::MyTrackMediaDirectory;
using clipreel::SampleSizeTable;
using clipreel::SampleToChunkEntry;
using clipreel::SampleToChunkTable;
using namespace clipreel::atom_fields;

namespace {

// The rate answered for a movie that has none.
const CFrameRateInfo2 NoFrameRate;

// A chunk's offset; 0 past the table.
std::uint32_t ChunkOffset(const MyMovieDirectory& directory, const AtomSpan& stco, unsigned i) {
    std::uint32_t offset = 0;
    return ChunkOffsetTable(directory.Read(stco)).Offset(i, offset) ? offset : 0;
}

}

CZentiMovie::CZentiMovie(const clipreel::AtomHeader* moov, const FileLocator* locator)
    : CZentiMovie(std::make_unique<MyMovieDirectory>(moov), locator) {}

CZentiMovie::CZentiMovie(std::unique_ptr<MyMovieDirectory> movieDirectory, const FileLocator* locator)
    : directory(std::move(movieDirectory)), creatorVersion(0) {
    directory->validStructure = clipreel::CheckMovieStructure(*directory);
    directory->validMedia = clipreel::CheckMovieMedia(*directory);
    if (!directory->validStructure || !directory->validMedia || !parseZTCV()) return;
    storedSampleUnit.reset(createStoredSampleUnit());
    if (locator != nullptr) fileLocator = std::make_unique<FileLocator>(*locator);
}

CZentiMovie::~CZentiMovie() = default;

bool CZentiMovie::isValidStructure() const { return directory->validStructure; }

bool CZentiMovie::isValidMedia() const { return directory->validMedia; }

bool CZentiMovie::IsValid() const {
    return directory->validStructure && creatorVersion != 0 && storedSampleUnit != nullptr && directory->validMedia;
}

unsigned CZentiMovie::GetCreatorVersion() const { return creatorVersion; }

const clipreel::AtomHeader* CZentiMovie::GetAtomHeader() const {
    if (!directory->HasCopy()) return nullptr;
    return reinterpret_cast<const clipreel::AtomHeader*>(directory->Bytes());
}

unsigned CZentiMovie::GetAtomSize() const {
    if (!directory->HasCopy()) return 0;
    return static_cast<unsigned>(directory->Size());
}

unsigned CZentiMovie::GetTrackMediaCount() const {
    return IsValid() ? static_cast<unsigned>(directory->tracks.size()) : 0;
}

const CFrameRateInfo2& CZentiMovie::GetFrameRateInfo() const {
    return IsValid() ? storedSampleUnit->videoFormat.frameRate : NoFrameRate;
}

const clipreel::CStoredSampleUnit2* CZentiMovie::GetStoredSampleUnit() const { return storedSampleUnit.get(); }

// Video queries. The video track exists in every valid movie.

std::int32_t CZentiMovie::GetVideoMediaTimeScale() const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    return static_cast<std::int32_t>(directory->U32(video->mediaHeader, MediaTimeScale));
}

std::int32_t CZentiMovie::GetVideoMediaDuration() const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    return static_cast<std::int32_t>(directory->U32(video->mediaHeader, MediaDuration));
}

std::int32_t CZentiMovie::GetVideoFrameDuration() const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    clipreel::TimeToSampleEntry frames;
    if (!clipreel::TimeToSampleTable(directory->Read(video->timeToSample)).Entry(0, frames)) return 0;
    return static_cast<std::int32_t>(frames.sampleDuration);
}

unsigned CZentiMovie::GetVideoFrameCount() const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    return SampleSizeTable(directory->Read(video->sampleSize)).SampleCount();
}

std::uint64_t CZentiMovie::GetVideoFrameFileOffset(unsigned i) const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    return ChunkOffset(*directory, video->chunkOffset, i);
}

unsigned CZentiMovie::GetVideoFrameDataSize(unsigned i) const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    std::uint32_t size = 0;
    return SampleSizeTable(directory->Read(video->sampleSize)).Size(i, size) ? size : 0;
}

// Sound queries: fixed answers without a sound track.

bool CZentiMovie::HasSound() const {
    return IsValid() && directory->FindTrack(FourCC("soun")) != nullptr;
}

unsigned CZentiMovie::GetSoundSampleCount() const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    return sound ? SampleSizeTable(directory->Read(sound->sampleSize)).SampleCount() : 0;
}

unsigned CZentiMovie::GetSoundChunkCount() const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    return sound ? ChunkOffsetTable(directory->Read(sound->chunkOffset)).Count() : 0;
}

unsigned CZentiMovie::GetSoundSamplesPerChunk(bool last) const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    if (sound == nullptr) return 0;
    const SampleToChunkTable stsc(directory->Read(sound->sampleToChunk));
    const std::uint32_t runs = stsc.Count();
    SampleToChunkEntry run;
    if (!last && (runs == 1 || runs == 2)) return stsc.Entry(0, run) ? run.samplesPerChunk : 0;
    if (last && runs == 2) return stsc.Entry(1, run) ? run.samplesPerChunk : 0;
    return 0;
}

unsigned CZentiMovie::GetSoundChunkSize(bool last) const {
    const unsigned samples = GetSoundSamplesPerChunk(last);
    if (samples == 0) return 0;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    return samples * directory->U32(sound->sampleDescription, SoundBytesPerFrame);
}

std::uint64_t CZentiMovie::GetSoundChunkFileOffset(unsigned i) const {
    if (!IsValid()) return 0;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    if (sound == nullptr) return 0;
    return ChunkOffset(*directory, sound->chunkOffset, i);
}

const SoundDescriptionV1* CZentiMovie::getSoundDescriptionInMoovAtom() const {
    if (!IsValid()) return nullptr;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    if (sound == nullptr) return nullptr;
    // The structure check made sure the whole description is inside 'stsd'.
    const clipreel::ByteReader stsd = directory->Read(sound->sampleDescription);
    clipreel::ByteReader description;
    if (!stsd.Sub(SoundDescription, SoundDescriptionSize, description)) return nullptr;
    // Big-endian and possibly unaligned: callers copy it out byte-wise.
    return reinterpret_cast<const SoundDescriptionV1*>(description.data());
}

// Setters on the copy.

void CZentiMovie::UpdateSampleChunkOffset(unsigned delta) {
    for (const MyTrackMediaDirectory& track : directory->tracks) {
        // A track whose media lies in another file keeps that file's offsets.
        if (!clipreel::MediaInOwnFile(*directory, track)) continue;
        const ChunkOffsetTable current(directory->Read(track.chunkOffset));
        clipreel::ByteWriter stco = directory->Write(track.chunkOffset);
        std::uint32_t offset = 0;
        for (std::uint32_t i = 0; i < current.Count() && current.Offset(i, offset); ++i)
            ChunkOffsetTable::SetOffset(stco, i, offset + delta);
    }
}

void CZentiMovie::UpdateMovieResourceModificationTime() {
    const std::uint32_t now = clipreel::CurrentMovieTime();
    directory->Write(directory->movieHeader).PokeU32BE(ModificationTime, now);
    for (const MyTrackMediaDirectory& track : directory->tracks) {
        directory->Write(track.trackHeader).PokeU32BE(ModificationTime, now);
        directory->Write(track.mediaHeader).PokeU32BE(ModificationTime, now);
    }
}
