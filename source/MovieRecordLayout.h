#ifndef CLIPREEL_SOURCE_MOVIE_RECORD_LAYOUT_H
#define CLIPREEL_SOURCE_MOVIE_RECORD_LAYOUT_H

#include "bytes/ByteOrder.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstddef>
#include <cstdint>

namespace clipreel {

// The camera's movie record in the thumbnail's maker note comes in two
// kinds, each under its own maker-note tag. MovieDesc reads them and the
// thumbnail update rewrites them through these tables, so that each kind
// has one definition. Offsets count from the record's first byte; every
// value is in the maker note's byte order.

// One fixed field of a record: where it lies, how wide it is (2 or 4 bytes;
// 0: this kind has no such field), and the record size from which the
// reader takes it (0: whenever the record holds it).
struct MovieRecordField {
    std::uint32_t offset;
    std::uint32_t width;
    std::uint32_t readFrom;
    constexpr bool present() const { return width != 0; }
    constexpr std::uint32_t end() const { return offset + width; }
};

constexpr MovieRecordField NoRecordField = {0, 0, 0};

struct MovieRecordLayout {
    const char* name;         // "LONG" or "SHORT", as messages name the kind
    std::uint16_t tag;        // its maker-note tag
    std::uint16_t entryType;  // the TIFF type of that entry: LONG (4) or SHORT (3)
    unsigned creatorVersion;  // the movies that carry this kind
    MovieRecordField size;    // the record's byte size: its entry's byte count
    std::uint32_t validFrom;  // a shorter record is found but describes nothing

    // Read into the movie description.
    MovieRecordField movieMode;
    MovieRecordField movFileSize;  // also rewritten: the new file's size
    MovieRecordField groupOfPicture;
    MovieRecordField framePerUnit;
    MovieRecordField montagioTime;
    // Tagged values: the top 8 bits a tag, the low 16 bits a value.
    MovieRecordField taggedValueCount;
    MovieRecordField firstTaggedValue;

    // Rewritten for a new file.
    MovieRecordField frameCount;
    MovieRecordField clippedFrameCount;  // the frame count again, at most 0xFFFF
    MovieRecordField cleared[3];         // set to 0
    MovieRecordField firstFrameOffset;
    MovieRecordField firstFrameSize;
    MovieRecordField three;              // set to 3
    MovieRecordField durationMs;
    std::uint32_t minimumSize;  // the record must reach past every rewritten field
};

// The tags of a LONG record's tagged values.
constexpr std::uint32_t TaggedMovieMode = 1;
constexpr std::uint32_t TaggedMontagioTime = 2;

constexpr MovieRecordLayout LongMovieRecord = {
    "LONG", 0x0034, 4, 10, {0, 4, 0}, 0,
    // movieMode and montagioTime come as tagged values.
    NoRecordField, {112, 4, 0}, {116, 4, 0}, {120, 4, 0}, NoRecordField,
    {4, 4, 0}, {8, 4, 0},
    {84, 4, 0}, NoRecordField, {{88, 4, 0}, {92, 4, 0}, {96, 4, 0}}, {104, 4, 0}, {108, 4, 0}, {124, 4, 0},
    {128, 4, 0}, 132};

constexpr MovieRecordLayout ShortMovieRecord = {
    "SHORT", 0x0011, 3, 6, {0, 2, 0}, 246,
    {16, 2, 246}, {240, 4, 246}, {244, 2, 246}, {256, 2, 262}, {258, 2, 262},
    NoRecordField, NoRecordField,
    {8, 4, 0}, {4, 2, 0}, {{26, 4, 0}, {30, 4, 0}, {34, 4, 0}}, {40, 4, 0}, {44, 4, 0}, NoRecordField,
    {212, 4, 0}, 244};

// In the order the reader looks for them: a maker note with both is read as
// the LONG record.
constexpr const MovieRecordLayout* MovieRecordLayouts[] = {&LongMovieRecord, &ShortMovieRecord};

// The end of the last field the writer rewrites.
constexpr std::uint32_t LastRewrittenFieldEnd(const MovieRecordLayout& layout) {
    const MovieRecordField rewritten[] = {layout.movFileSize,      layout.frameCount,     layout.clippedFrameCount,
                                          layout.cleared[0],       layout.cleared[1],     layout.cleared[2],
                                          layout.firstFrameOffset, layout.firstFrameSize, layout.three,
                                          layout.durationMs};
    std::uint32_t end = 0;
    for (const MovieRecordField& field : rewritten)
        if (field.present() && field.end() > end) end = field.end();
    return end;
}
static_assert(LongMovieRecord.minimumSize == LastRewrittenFieldEnd(LongMovieRecord), "LONG record size");
static_assert(ShortMovieRecord.minimumSize == LastRewrittenFieldEnd(ShortMovieRecord), "SHORT record size");

// The kind the camera writes into movies of this creator version; null for
// versions whose record has no known layout.
const MovieRecordLayout* MovieRecordLayoutForCreatorVersion(unsigned version);

// The kind stored under this maker-note tag; null for any other tag.
const MovieRecordLayout* MovieRecordLayoutForTag(std::uint16_t tag);

// A field of the record starting at recordStart in bytes. False when the
// field is absent or does not lie within bytes; the value is then unchanged.
bool PeekRecordField(const ByteReader& bytes, std::size_t recordStart, const MovieRecordField& field,
                     ByteOrder order, std::uint32_t& value);
// Writes a field of the record that writer covers, a 2-byte field taking
// the value's low 16 bits; nothing for an absent field.
bool PokeRecordField(ByteWriter& record, const MovieRecordField& field, std::uint32_t value, ByteOrder order);

}

#endif
