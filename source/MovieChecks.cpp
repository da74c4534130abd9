#include "source/MovieChecks.h"

#include "bytes/FourCC.h"

namespace clipreel {
namespace {

using namespace atom_fields;

bool HasAtLeast(const AtomSpan& atom, std::uint64_t size) { return atom.Found() && atom.size >= size; }

// A table of count entries of entrySize bytes starting at first.
bool HoldsTable(const MyMovieDirectory& directory, const AtomSpan& atom, std::size_t countAt, std::size_t first,
                std::uint64_t entrySize) {
    if (!HasAtLeast(atom, first)) return false;
    return atom.size >= first + std::uint64_t(directory.U32(atom, countAt)) * entrySize;
}

bool SampleSizesFit(const MyMovieDirectory& directory, const AtomSpan& stsz) {
    if (!HasAtLeast(stsz, kSampleSizeTable)) return false;
    // A constant sample size stands for the whole table.
    if (directory.U32(stsz, kConstantSampleSize) != 0) return true;
    return stsz.size >= kSampleSizeTable + std::uint64_t(directory.U32(stsz, kSampleCount)) * 4;
}

bool TrackStructureFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track) {
    return HasAtLeast(track.trackHeader, kModificationTime + 4) &&
           HasAtLeast(track.mediaHeader, kMediaDuration + 4) &&
           HasAtLeast(track.mediaHandler, kHandlerSubtype + 4) && track.mediaInformation.Found() &&
           !track.dataReferences.empty() && HasAtLeast(track.sampleDescription, kFirstEntry) &&
           HoldsTable(directory, track.timeToSample, kEntryCount, kFirstEntry, 8) &&
           HoldsTable(directory, track.sampleToChunk, kEntryCount, kFirstEntry, 12) &&
           SampleSizesFit(directory, track.sampleSize) &&
           HoldsTable(directory, track.chunkOffset, kEntryCount, kFirstEntry, 4);
}

bool VideoMediaFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& video) {
    if (video.dataReferences.size() != 1) return false;
    if (directory.U32(video.sampleDescription, kEntryCount) != 1) return false;
    if (directory.U32(video.timeToSample, kEntryCount) != 1) return false;
    const AtomSpan& stsc = video.sampleToChunk;
    if (directory.U32(stsc, kEntryCount) != 1) return false;
    if (directory.U32(stsc, kFirstEntry) != 1 || directory.U32(stsc, kFirstEntry + 4) != 1 ||
        directory.U32(stsc, kFirstEntry + 8) != 1) {
        return false;
    }
    return directory.U32(video.sampleSize, kSampleCount) == directory.U32(video.chunkOffset, kEntryCount);
}

bool SoundMediaFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& sound) {
    if (sound.dataReferences.size() != 1) return false;
    if (directory.U32(sound.sampleDescription, kEntryCount) != 1) return false;
    // Sound in another file may be listed not at all: a movie cut from a
    // reel whose sound lies elsewhere keeps only its description.
    if (!MediaInOwnFile(directory, sound) && directory.U32(sound.timeToSample, kEntryCount) == 0 &&
        directory.U32(sound.sampleToChunk, kEntryCount) == 0 && directory.U32(sound.chunkOffset, kEntryCount) == 0 &&
        directory.U32(sound.sampleSize, kSampleCount) == 0)
        return directory.U32(sound.sampleSize, kConstantSampleSize) == 1;
    if (directory.U32(sound.timeToSample, kEntryCount) != 1) return false;
    if (directory.U32(sound.timeToSample, kFirstEntry + 4) != 1) return false;
    // The camera writes one run, or two when its last chunk is shorter; an
    // edit may have moved that chunk anywhere, leaving up to three.
    if (directory.U32(sound.sampleToChunk, kEntryCount) == 0) return false;
    return directory.U32(sound.sampleSize, kConstantSampleSize) == 1;
}

}

bool MediaInOwnFile(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track) {
    return !track.dataReferences.empty() &&
           (directory.U32(track.dataReferences.front(), kDataReferenceFlags) & kSelfReference) != 0;
}

bool CheckMovieStructure(const MyMovieDirectory& directory) {
    if (!HasAtLeast(directory.movieHeader, kModificationTime + 4)) return false;
    if (directory.tracks.empty()) return false;
    for (const MyTrackMediaDirectory& track : directory.tracks) {
        if (!TrackStructureFits(directory, track)) return false;
    }
    // The sound queries hand out the sound description itself.
    const MyTrackMediaDirectory* sound = directory.FindTrack(FourCC("soun"));
    return sound == nullptr || HasAtLeast(sound->sampleDescription, kSoundDescription + kSoundDescriptionSize);
}

bool CheckMovieMedia(const MyMovieDirectory& directory) {
    const MyTrackMediaDirectory* video = directory.FindTrack(FourCC("vide"));
    if (video == nullptr || !VideoMediaFits(directory, *video)) return false;
    const MyTrackMediaDirectory* sound = directory.FindTrack(FourCC("soun"));
    return sound == nullptr || SoundMediaFits(directory, *sound);
}

}
