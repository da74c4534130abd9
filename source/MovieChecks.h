#ifndef CLIPREEL_SOURCE_MOVIE_CHECKS_H
#define CLIPREEL_SOURCE_MOVIE_CHECKS_H

#include "source/MovieDirectory.h"

namespace clipreel {

// Offsets inside the atoms the queries read (from each atom's first byte).
namespace atom_fields {
constexpr std::size_t kModificationTime = 16;       // 'mvhd', 'tkhd', 'mdhd'
constexpr std::size_t kMovieTimeScale = 20;         // 'mvhd'
constexpr std::size_t kMovieDuration = 24;          // 'mvhd'
constexpr std::size_t kTrackDuration = 28;          // 'tkhd'
constexpr std::size_t kMediaTimeScale = 20;         // 'mdhd'
constexpr std::size_t kMediaDuration = 24;          // 'mdhd'
constexpr std::size_t kHandlerSubtype = 16;         // 'hdlr'
constexpr std::size_t kEntryCount = 12;             // 'stsd', 'stts', 'stsc', 'stco'
constexpr std::size_t kFirstEntry = 16;             // 'stsd', 'stts', 'stsc', 'stco'
constexpr std::size_t kConstantSampleSize = 12;     // 'stsz'
constexpr std::size_t kSampleCount = 16;            // 'stsz'
constexpr std::size_t kSampleSizeTable = 20;        // 'stsz'
constexpr std::size_t kDataReferenceFlags = 8;      // a 'dref' entry's version and flags
constexpr std::uint32_t kSelfReference = 0x1;       // in those flags: the media is in this file
constexpr std::size_t kSoundDescription = 16;       // the first 'stsd' entry
constexpr std::size_t kSoundDescriptionSize = 52;   // its version-1 layout
constexpr std::size_t kSoundSampleRate = kSoundDescription + 32;   // 16.16, integer part first
constexpr std::size_t kSoundBytesPerFrame = kSoundDescription + 44;
}

// Whether a track's media lies in the movie's own file: its data reference
// has the self-reference flag.
bool MediaInOwnFile(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track);

// Every track has the atoms the queries read, each long enough for the
// fields read from it and every table as long as its count says; the movie
// has a header.
bool CheckMovieStructure(const MyMovieDirectory& directory);

// The video track stores one frame per chunk, all of one duration; the
// sound track, if any, has fixed-size samples of duration 1.
bool CheckMovieMedia(const MyMovieDirectory& directory);

}

#endif
