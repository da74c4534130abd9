#ifndef CLIPREEL_FUZZ_MOVIE_QUERIES_H
#define CLIPREEL_FUZZ_MOVIE_QUERIES_H

#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "source/MovieDesc.h"
#include "source/MoviePrivateAccess.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace clipreel {
namespace fuzz {

// Reads every byte of a range the library handed out, so that a range
// reaching outside its buffer is caught by the address sanitizer.
inline unsigned Touch(const void* data, std::size_t size) {
    unsigned sum = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) sum += bytes[i];
    return sum;
}

// Indices worth asking for: the first, the last, one past it, and far away.
inline std::vector<unsigned> Indices(unsigned count) {
    return {0u, count > 0 ? count - 1 : 0u, count, count + 1, 0x7FFFFFFFu, 0xFFFFFFFFu};
}

// Every query of a parsed movie, the private ones included.
inline unsigned AskEverything(const CZentiMovie& movie) {
    unsigned sink = 0;
    sink += movie.IsValid();
    sink += movie.GetCreatorVersion();
    sink += movie.GetTrackMediaCount();
    unsigned numerator = 0, denominator = 0;
    sink += movie.GetFrameRateInfo().GetFrameRate(numerator, denominator);
    sink += static_cast<unsigned>(movie.GetVideoMediaTimeScale());
    sink += static_cast<unsigned>(movie.GetVideoMediaDuration());
    sink += static_cast<unsigned>(movie.GetVideoFrameDuration());
    const unsigned frames = movie.GetVideoFrameCount();
    for (unsigned i : Indices(frames)) {
        sink += static_cast<unsigned>(movie.GetVideoFrameFileOffset(i));
        sink += movie.GetVideoFrameDataSize(i);
    }
    sink += movie.HasSound();
    sink += movie.GetSoundSampleCount();
    const unsigned chunks = movie.GetSoundChunkCount();
    for (bool last : {false, true}) {
        sink += movie.GetSoundSamplesPerChunk(last);
        sink += movie.GetSoundChunkSize(last);
    }
    for (unsigned i : Indices(chunks)) sink += static_cast<unsigned>(movie.GetSoundChunkFileOffset(i));
    if (const SoundDescriptionV1* description = MoviePrivateAccess::GetSoundDescription(movie)) {
        sink += Touch(description, sizeof(SoundDescriptionV1));
    }

    CZentiMovie::ClipreelMovieInfo clipreel{};
    sink += movie.IsClipreelMovie(&clipreel);
    sink += clipreel.shootingUnitCount;
    CZentiMovie::MontagioMovieInfo montagio{};
    sink += movie.IsMontagioMovie(&montagio);
    sink += montagio.clipCount;

    sink += MoviePrivateAccess::IsValidStructure(movie);
    sink += MoviePrivateAccess::IsValidMedia(movie);
    if (const AtomHeader* atom = MoviePrivateAccess::GetAtomHeader(movie)) {
        sink += Touch(atom, MoviePrivateAccess::GetAtomSize(movie));
    }
    if (const CStoredSampleUnit2* unit = MoviePrivateAccess::GetStoredSampleUnit(movie)) {
        sink += unit->framesPerUnit + unit->soundSamplesPerUnit;
    }
    for (std::uint32_t code : {FourCC("ZTCV"), FourCC("ZTTH"), FourCC("free")}) {
        if (const AtomHeader* child = MoviePrivateAccess::GetUserData(movie, code)) {
            sink += Touch(child, ByteReader::Decode<std::uint32_t>(child->size, ByteOrder::Big));
        }
    }
    unsigned thumbnailSize = 0;
    if (const void* thumbnail = MoviePrivateAccess::GetTHMData(movie, thumbnailSize)) {
        sink += Touch(thumbnail, thumbnailSize);
        const MovieDesc desc(thumbnailSize, thumbnail);
        sink += desc.valid + desc.recordSize;
    }
    sink += MoviePrivateAccess::GetMovieDescMovieMode(movie);
    sink += static_cast<unsigned>(MoviePrivateAccess::GetMovieDescMovFileSize(movie));
    sink += MoviePrivateAccess::GetMovieDescFramePerUnit(movie);
    sink += MoviePrivateAccess::GetMovieDescMontagioTime(movie);
    return sink;
}

// The setters, on a second movie over a copy of the first one's atom.
inline unsigned PatchACopy(const CZentiMovie& movie) {
    const AtomHeader* atom = MoviePrivateAccess::GetAtomHeader(movie);
    if (atom == nullptr) return 0;
    const auto copy = MoviePrivateAccess::NewMovie(atom, nullptr);
    MoviePrivateAccess::UpdateSampleChunkOffset(*copy, 0x12345678u);
    MoviePrivateAccess::UpdateMovieResourceModificationTime(*copy);
    unsigned size = 0;
    if (MoviePrivateAccess::GetTHMData(*copy, size) != nullptr) {
        MoviePrivateAccess::UpdateZTDAAtomSize(*copy, size);
    }
    return AskEverything(*copy);
}

}
}

#endif
