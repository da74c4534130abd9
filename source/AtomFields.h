#ifndef CLIPREEL_SOURCE_ATOM_FIELDS_H
#define CLIPREEL_SOURCE_ATOM_FIELDS_H

#include <cstddef>
#include <cstdint>

namespace clipreel {

// Where the fields the library reads and rewrites lie inside the movie's
// atoms, counted from each atom's first byte (its size field). The reader,
// the movie checks and every writer that patches or rebuilds an atom use
// these, so that one layout has one definition. Table entries follow the
// first one at the table's entry size: 8 bytes ('stts'), 12 ('stsc'),
// 4 ('stco', 'stss', the 'stsz' size table).
namespace atom_fields {
constexpr std::size_t kModificationTime = 16;       // 'mvhd', 'tkhd', 'mdhd'
constexpr std::size_t kMovieTimeScale = 20;         // 'mvhd'
constexpr std::size_t kMovieDuration = 24;          // 'mvhd'
constexpr std::size_t kTrackDuration = 28;          // 'tkhd'
constexpr std::size_t kMediaTimeScale = 20;         // 'mdhd'
constexpr std::size_t kMediaDuration = 24;          // 'mdhd'
constexpr std::size_t kHandlerSubtype = 16;         // 'hdlr'
constexpr std::size_t kEntryCount = 12;             // 'stsd', 'dref', 'stts', 'stss', 'stsc', 'stco'
constexpr std::size_t kFirstEntry = 16;             // 'stsd', 'dref', 'stts', 'stss', 'stsc', 'stco'
constexpr std::size_t kConstantSampleSize = 12;     // 'stsz'
constexpr std::size_t kSampleCount = 16;            // 'stsz'
constexpr std::size_t kSampleSizeTable = 20;        // 'stsz'
constexpr std::size_t kDataReferenceFlags = 8;      // a 'dref' entry's version and flags
constexpr std::uint32_t kSelfReference = 0x1;       // in those flags: the media is in this file
constexpr std::size_t kDataReferenceData = 12;      // a 'dref' entry's data, such as an alias record
constexpr std::size_t kSoundDescription = 16;       // the first 'stsd' entry
constexpr std::size_t kSoundDescriptionSize = 52;   // its version-1 layout
constexpr std::size_t kSoundSampleRate = kSoundDescription + 32;   // 16.16, integer part first
constexpr std::size_t kSoundBytesPerFrame = kSoundDescription + 44;
}

}

#endif
