#ifndef CLIPREEL_SOURCE_ATOM_FIELDS_H
#define CLIPREEL_SOURCE_ATOM_FIELDS_H

#include <cstddef>
#include <cstdint>

namespace clipreel {

// Where the fields the library reads and rewrites lie inside the movie's
// atoms, counted from each atom's first byte (its size field). The reader,
// the movie checks and every writer that patches or rebuilds an atom use
// these, so that one layout has one definition. The sample tables' entries
// are read and written by their typed tables (TimeToSampleTable,
// SampleToChunkTable, SampleSizeTable, ChunkOffsetTable, SyncSampleTable).
namespace atom_fields {
constexpr std::size_t ModificationTime = 16;       // 'mvhd', 'tkhd', 'mdhd'
constexpr std::size_t MovieTimeScale = 20;         // 'mvhd'
constexpr std::size_t MovieDuration = 24;          // 'mvhd'
constexpr std::size_t TrackDuration = 28;          // 'tkhd'
constexpr std::size_t MediaTimeScale = 20;         // 'mdhd'
constexpr std::size_t MediaDuration = 24;          // 'mdhd'
constexpr std::size_t HandlerSubtype = 16;         // 'hdlr'
constexpr std::size_t EntryCount = 12;             // 'stsd', 'dref', 'stts', 'stss', 'stsc', 'stco'
constexpr std::size_t FirstEntry = 16;             // 'stsd', 'dref', 'stts', 'stss', 'stsc', 'stco'
constexpr std::size_t ConstantSampleSize = 12;     // 'stsz'
constexpr std::size_t SampleCount = 16;            // 'stsz'
constexpr std::size_t FirstSampleSize = 20;        // 'stsz'
constexpr std::size_t DataReferenceFlags = 8;      // a 'dref' entry's version and flags
constexpr std::uint32_t SelfReference = 0x1;       // in those flags: the media is in this file
constexpr std::size_t DataReferenceData = 12;      // a 'dref' entry's data, such as an alias record
constexpr std::size_t SoundDescription = 16;       // the first 'stsd' entry
constexpr std::size_t SoundDescriptionSize = 52;   // its version-1 layout
constexpr std::size_t SoundSampleRate = SoundDescription + 32;   // 16.16, integer part first
constexpr std::size_t SoundBytesPerFrame = SoundDescription + 44;
constexpr std::size_t VideoDescription = 16;       // the first 'stsd' entry
constexpr std::size_t VideoDataFormat = VideoDescription + 4;
constexpr std::size_t VideoWidth = VideoDescription + 32;
constexpr std::size_t VideoHeight = VideoDescription + 34;
constexpr std::size_t VideoDescriptionExtensions = 86;   // from the entry's first byte: its atoms
}

}

#endif
