#ifndef CLIPREEL_SOURCE_MOVIE_DIRECTORY_H
#define CLIPREEL_SOURCE_MOVIE_DIRECTORY_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clipreel {

struct AtomHeader;

// Where one atom lies inside the movie copy: its first byte (the size field)
// and its size, both checked against its parent when it was found. An atom
// is never shorter than its 8-byte header, so a size of 0 means absent.
struct AtomSpan {
    std::size_t offset = 0;
    std::size_t size = 0;
    bool Found() const { return size != 0; }
};

// The atoms of one 'trak' that the queries read.
class MyTrackMediaDirectory {
public:
    AtomSpan trackHeader;       // 'tkhd'
    AtomSpan mediaHeader;       // 'mdia'/'mdhd'
    AtomSpan mediaHandler;      // 'mdia'/'hdlr'
    AtomSpan mediaInformation;  // 'mdia'/'minf'
    std::vector<AtomSpan> dataReferences;  // the entries of 'minf'/'dinf'/'dref'
    AtomSpan sampleDescription; // 'stbl'/'stsd'
    AtomSpan timeToSample;      // 'stbl'/'stts'
    AtomSpan syncSample;        // 'stbl'/'stss'
    AtomSpan sampleToChunk;     // 'stbl'/'stsc'
    AtomSpan sampleSize;        // 'stbl'/'stsz'
    AtomSpan chunkOffset;       // 'stbl'/'stco'
};

// A copy of a whole movie atom and where its parts lie in it. Every read
// and patch goes through a cursor limited to one atom, so a table that
// claims more entries than its atom holds can never be read past its end.
class MyMovieDirectory {
public:
    // Copies the atom at moov (its size field says how many bytes) and walks
    // it. An atom smaller than its header, or one that cannot be allocated,
    // leaves the directory empty.
    explicit MyMovieDirectory(const AtomHeader* moov);
    // The same over an atom already read into memory, taken rather than
    // copied (a movie atom of thousands of units is megabytes); its size
    // field must give its size.
    explicit MyMovieDirectory(std::vector<std::uint8_t>&& atom);

    bool HasCopy() const { return !movieAtom.empty(); }
    const std::uint8_t* Bytes() const { return movieAtom.data(); }
    std::uint8_t* Bytes() { return movieAtom.data(); }
    std::size_t Size() const { return movieAtom.size(); }

    // A cursor over exactly one atom of the copy (empty when absent).
    ByteReader Read(const AtomSpan& atom) const;
    ByteWriter Write(const AtomSpan& atom);
    // The big-endian number at offset inside the atom; 0 when the atom is
    // absent or too short to hold it.
    std::uint32_t U32(const AtomSpan& atom, std::size_t offset) const;
    std::uint16_t U16(const AtomSpan& atom, std::size_t offset) const;

    // The first track whose media handler's component subtype is the given
    // one ('vide', 'soun'); null when there is none.
    const MyTrackMediaDirectory* FindTrack(std::uint32_t subtype) const;

    std::vector<std::uint8_t> movieAtom;
    AtomSpan movieHeader;  // 'mvhd'
    AtomSpan userData;     // 'udta'
    std::vector<MyTrackMediaDirectory> tracks;

    // The results of the structure and media checks, taken once the walk is
    // done: the setters change values, never sizes or structure.
    bool validStructure = false;
    bool validMedia = false;

private:
    void walkMovie();
    void walkTrack(const AtomSpan& trak, MyTrackMediaDirectory& track);
    void walkMedia(const AtomSpan& mdia, MyTrackMediaDirectory& track);
    void walkMediaInformation(const AtomSpan& minf, MyTrackMediaDirectory& track);
    void walkDataInformation(const AtomSpan& dinf, MyTrackMediaDirectory& track);
    void walkDataReferences(const AtomSpan& dref, MyTrackMediaDirectory& track);
    void walkSampleTable(const AtomSpan& stbl, MyTrackMediaDirectory& track);
};

}

#endif
