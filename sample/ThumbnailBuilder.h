#ifndef CLIPREEL_SAMPLE_THUMBNAIL_BUILDER_H
#define CLIPREEL_SAMPLE_THUMBNAIL_BUILDER_H

#include "bytes/ByteOrder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace clipreel {
namespace sample {

enum class RecordKind { Short, Long };

// The camera's thumbnail: SOI, an Exif APP1 segment (IFD 0 with Make and
// the Exif pointer; the Exif IFD with the MakerNote, whose tag 0x0019, movie
// record, 16-byte image identifier and footer the reader looks for), then a
// JPEG image's tables and scan, padded to a minimum size.
struct ThumbnailSpec {
    ByteOrder tiffOrder = ByteOrder::Little;
    ByteOrder makerNoteOrder = ByteOrder::Little;
    RecordKind recordKind = RecordKind::Short;
    unsigned shortRecordSize = 262;
    unsigned longRecordSize = 132;
    bool longRecordTwoModeTags = false;   // two tag-1 values, the later one wins
    bool longRecordModeTag = true;        // false: no tag-1 value
    bool bothRecords = false;             // tags 0x0034 and 0x0011 both present
    bool imageId = true;
    unsigned imageIdSize = 16;
    bool footer = true;
    int relocation = 0;                   // the footer's offset is this many bytes before the present one
    std::string make = "Zenti";
    bool jfifFirst = false;               // a JFIF APP0 segment before the Exif APP1

    std::uint16_t movieMode = 11;
    std::uint32_t movFileSize = 0;
    std::uint16_t groupOfPicture = 15;
    std::uint16_t framePerUnit = 30;
    std::uint16_t montagioTime = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t firstFrameOffset = 0;
    std::uint32_t firstFrameSize = 0;
    std::uint32_t durationMs = 0;

    std::vector<std::uint8_t> image;      // a whole JPEG (SOI ... EOI); empty: a small built-in one
    unsigned minimumSize = 1024;          // zero padding after the image up to this size
};

struct ThumbnailLayout {
    std::uint32_t recordOffset = 0;   // from the first byte of the JPEG
    std::uint32_t recordSize = 0;
    std::uint32_t imageIdOffset = 0;
    std::uint32_t imageIdSize = 0;
    std::uint32_t exifSegmentEnd = 0; // 4 + the APP1 length
    std::uint32_t movFileSizeOffset = 0;  // where the record's file size lies
};

std::vector<std::uint8_t> BuildThumbnail(const ThumbnailSpec& spec, ThumbnailLayout* layout = nullptr);

}
}

#endif
