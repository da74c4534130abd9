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
    if (!HasAtLeast(stsz, SampleSizeTable)) return false;
    // A constant sample size stands for the whole table.
    if (directory.U32(stsz, ConstantSampleSize) != 0) return true;
    return stsz.size >= SampleSizeTable + std::uint64_t(directory.U32(stsz, SampleCount)) * 4;
}

bool TrackStructureFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track) {
    return HasAtLeast(track.trackHeader, ModificationTime + 4) &&
           HasAtLeast(track.mediaHeader, MediaDuration + 4) &&
           HasAtLeast(track.mediaHandler, HandlerSubtype + 4) && track.mediaInformation.Found() &&
           !track.dataReferences.empty() && HasAtLeast(track.sampleDescription, FirstEntry) &&
           HoldsTable(directory, track.timeToSample, EntryCount, FirstEntry, 8) &&
           HoldsTable(directory, track.sampleToChunk, EntryCount, FirstEntry, 12) &&
           SampleSizesFit(directory, track.sampleSize) &&
           HoldsTable(directory, track.chunkOffset, EntryCount, FirstEntry, 4);
}

bool VideoMediaFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& video) {
    if (video.dataReferences.size() != 1) return false;
    if (directory.U32(video.sampleDescription, EntryCount) != 1) return false;
    if (directory.U32(video.timeToSample, EntryCount) != 1) return false;
    const AtomSpan& stsc = video.sampleToChunk;
    if (directory.U32(stsc, EntryCount) != 1) return false;
    if (directory.U32(stsc, FirstEntry) != 1 || directory.U32(stsc, FirstEntry + 4) != 1 ||
        directory.U32(stsc, FirstEntry + 8) != 1) {
        return false;
    }
    return directory.U32(video.sampleSize, SampleCount) == directory.U32(video.chunkOffset, EntryCount);
}

bool SoundMediaFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& sound) {
    if (sound.dataReferences.size() != 1) return false;
    if (directory.U32(sound.sampleDescription, EntryCount) != 1) return false;
    // Sound in another file may be listed not at all: a movie cut from a
    // reel whose sound lies elsewhere keeps only its description.
    if (!MediaInOwnFile(directory, sound) && directory.U32(sound.timeToSample, EntryCount) == 0 &&
        directory.U32(sound.sampleToChunk, EntryCount) == 0 && directory.U32(sound.chunkOffset, EntryCount) == 0 &&
        directory.U32(sound.sampleSize, SampleCount) == 0)
        return directory.U32(sound.sampleSize, ConstantSampleSize) == 1;
    if (directory.U32(sound.timeToSample, EntryCount) != 1) return false;
    if (directory.U32(sound.timeToSample, FirstEntry + 4) != 1) return false;
    // The camera writes one run, or two when its last chunk is shorter; an
    // edit may have moved that chunk anywhere, leaving up to three.
    if (directory.U32(sound.sampleToChunk, EntryCount) == 0) return false;
    return directory.U32(sound.sampleSize, ConstantSampleSize) == 1;
}

}

bool MediaInOwnFile(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track) {
    return !track.dataReferences.empty() &&
           (directory.U32(track.dataReferences.front(), DataReferenceFlags) & SelfReference) != 0;
}

bool CheckMovieStructure(const MyMovieDirectory& directory) {
    if (!HasAtLeast(directory.movieHeader, ModificationTime + 4)) return false;
    if (directory.tracks.empty()) return false;
    for (const MyTrackMediaDirectory& track : directory.tracks) {
        if (!TrackStructureFits(directory, track)) return false;
    }
    // The sound queries hand out the sound description itself.
    const MyTrackMediaDirectory* sound = directory.FindTrack(FourCC("soun"));
    return sound == nullptr || HasAtLeast(sound->sampleDescription, SoundDescription + SoundDescriptionSize);
}

bool CheckMovieMedia(const MyMovieDirectory& directory) {
    const MyTrackMediaDirectory* video = directory.FindTrack(FourCC("vide"));
    if (video == nullptr || !VideoMediaFits(directory, *video)) return false;
    const MyTrackMediaDirectory* sound = directory.FindTrack(FourCC("soun"));
    return sound == nullptr || SoundMediaFits(directory, *sound);
}

}
