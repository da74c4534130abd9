#ifndef CLIPREEL_SOURCE_MOVIE_DESC_H
#define CLIPREEL_SOURCE_MOVIE_DESC_H

#include <cstdint>

namespace clipreel {

// The camera's description of a movie, read from the movie record in the
// maker note of the thumbnail's Exif segment. Reading never changes the
// thumbnail; the offsets tell a writer where to patch it.
class MovieDesc {
public:
    enum : int { NoByteOrder = 0, LittleEndian = 1, BigEndian = 2 };

    // Thumbnails below this size are not parsed.
    static constexpr unsigned SmallestParsedThumbnail = 1024;

    MovieDesc(unsigned jpegSize, const void* jpeg);

    bool valid = false;              // a movie record was read
    int byteOrder = NoByteOrder;     // the maker note's byte order
    std::uint32_t recordOffset = 0;  // from the first byte of the JPEG
    std::uint32_t recordSize = 0;    // 0: no record was found
    std::uint16_t recordTag = 0;     // the record's maker-note tag: 0x0034 LONG, 0x0011 SHORT, 0 none
    std::uint32_t imageIdOffset = 0; // the 16-byte image identifier, from the first byte of the JPEG
    std::uint32_t imageIdSize = 0;   // 16 when the identifier was found
    std::uint16_t movieMode = 0xFFFF;
    std::uint32_t movFileSize = 0;
    std::uint16_t framePerUnit = 0;
    std::uint16_t montagioTime = 0;
    std::uint16_t groupOfPicture = 0;
};

// The end of the Exif segment that opens a thumbnail, from its first byte:
// past the start of image, the segment's marker and the length the segment
// states. False when the thumbnail is too short to state that length; the
// end found may still lie past the thumbnail's.
bool ExifSegmentEnd(const void* thumbnail, unsigned size, std::uint32_t& end);

}

#endif
