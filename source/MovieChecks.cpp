#include "source/MovieChecks.h"

#include "bytes/FourCC.h"
#include "source/ChunkOffsetTable.h"
#include "source/SampleSizeTable.h"
#include "source/SampleToChunkTable.h"
#include "source/TimeToSampleTable.h"

namespace clipreel {
namespace {

using namespace atom_fields;

bool HasAtLeast(const AtomSpan& atom, std::uint64_t size) { return atom.Found() && atom.size >= size; }

bool TrackStructureFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track) {
    return HasAtLeast(track.trackHeader, ModificationTime + 4) &&
           HasAtLeast(track.mediaHeader, MediaDuration + 4) &&
           HasAtLeast(track.mediaHandler, HandlerSubtype + 4) && track.mediaInformation.Found() &&
           !track.dataReferences.empty() && HasAtLeast(track.sampleDescription, FirstEntry) &&
           TimeToSampleTable(directory.Read(track.timeToSample)).HoldsEntries() &&
           SampleToChunkTable(directory.Read(track.sampleToChunk)).HoldsEntries() &&
           SampleSizeTable(directory.Read(track.sampleSize)).HoldsSizes() &&
           ChunkOffsetTable(directory.Read(track.chunkOffset)).HoldsEntries();
}

bool VideoMediaFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& video) {
    if (video.dataReferences.size() != 1) return false;
    if (directory.U32(video.sampleDescription, EntryCount) != 1) return false;
    if (TimeToSampleTable(directory.Read(video.timeToSample)).Count() != 1) return false;
    // Every frame its own chunk.
    const SampleToChunkTable stsc(directory.Read(video.sampleToChunk));
    SampleToChunkEntry run;
    if (stsc.Count() != 1 || !stsc.Entry(0, run)) return false;
    if (run.firstChunk != 1 || run.samplesPerChunk != 1 || run.descriptionId != 1) return false;
    return SampleSizeTable(directory.Read(video.sampleSize)).SampleCount() ==
           ChunkOffsetTable(directory.Read(video.chunkOffset)).Count();
}

bool SoundMediaFits(const MyMovieDirectory& directory, const MyTrackMediaDirectory& sound) {
    if (sound.dataReferences.size() != 1) return false;
    if (directory.U32(sound.sampleDescription, EntryCount) != 1) return false;
    // Sound in another file may be listed not at all: a movie cut from a
    // reel whose sound lies elsewhere keeps only its description.
    const TimeToSampleTable stts(directory.Read(sound.timeToSample));
    const SampleToChunkTable stsc(directory.Read(sound.sampleToChunk));
    const SampleSizeTable stsz(directory.Read(sound.sampleSize));
    if (!MediaInOwnFile(directory, sound) && stts.Count() == 0 && stsc.Count() == 0 &&
        ChunkOffsetTable(directory.Read(sound.chunkOffset)).Count() == 0 && stsz.SampleCount() == 0)
        return stsz.ConstantSize() == 1;
    TimeToSampleEntry samples;
    if (stts.Count() != 1 || !stts.Entry(0, samples) || samples.sampleDuration != 1) return false;
    // The camera writes one run, or two when its last chunk is shorter; an
    // edit may have moved that chunk anywhere, leaving up to three.
    if (stsc.Count() == 0) return false;
    return stsz.ConstantSize() == 1;
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
