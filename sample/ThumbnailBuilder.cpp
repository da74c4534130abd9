#include "sample/ThumbnailBuilder.h"

#include "bytes/ByteBuffer.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "sample/SolidColourJpeg.h"

#include <stdexcept>

namespace clipreel {
namespace sample {

namespace {

constexpr std::uint16_t TagMake = 0x010F;
constexpr std::uint16_t TagExifIfd = 0x8769;
constexpr std::uint16_t TagMakerNote = 0x927C;
constexpr std::uint16_t TagShortRecord = 0x0011;
constexpr std::uint16_t TagFooterMark = 0x0019;
constexpr std::uint16_t TagImageId = 0x0028;
constexpr std::uint16_t TagLongRecord = 0x0034;

constexpr std::uint16_t TypeAscii = 2;
constexpr std::uint16_t TypeShort = 3;
constexpr std::uint16_t TypeLong = 4;
constexpr std::uint16_t TypeUndefined = 7;

// The long record's tagged values end before its fixed fields at byte 84.
constexpr unsigned LongRecordTaggedEnd = 84;

void AppendOrderMark(ByteBuffer& out, ByteOrder order) {
    out.AppendText(order == ByteOrder::Little ? "II" : "MM");
    out.AppendU16(42, order);
}

void PadToEven(ByteBuffer& out) {
    if (out.size() % 2 != 0) out.AppendU8(0);
}

struct IfdEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;  // an offset, or an inline value written as a 32-bit number
};

void AppendIfd(ByteBuffer& out, const std::vector<IfdEntry>& entries, ByteOrder order) {
    out.AppendU16(static_cast<std::uint16_t>(entries.size()), order);
    for (const IfdEntry& entry : entries) {
        out.AppendU16(entry.tag, order);
        out.AppendU16(entry.type, order);
        out.AppendU32(entry.count, order);
        out.AppendU32(entry.value, order);
    }
    out.AppendU32(0, order);  // no next IFD
}

std::size_t IfdSize(std::size_t entries) { return 2 + 12 * entries + 4; }

// Writes value at offset when the whole field lies inside the record.
// Fields past the end of a record cut short on purpose are left out: the
// writer's pokes refuse them.
void Put16(std::vector<std::uint8_t>& record, std::size_t offset, std::uint16_t value, ByteOrder order) {
    ByteWriter(record.data(), record.size()).PokeU16(offset, value, order);
}
void Put32(std::vector<std::uint8_t>& record, std::size_t offset, std::uint32_t value, ByteOrder order) {
    ByteWriter(record.data(), record.size()).PokeU32(offset, value, order);
}

std::vector<std::uint8_t> ShortRecord(const ThumbnailSpec& spec, ByteOrder order) {
    std::vector<std::uint8_t> record(spec.shortRecordSize, 0);
    Put16(record, 0, static_cast<std::uint16_t>(spec.shortRecordSize), order);
    Put16(record, 4, static_cast<std::uint16_t>(spec.frameCount > 0xFFFF ? 0xFFFF : spec.frameCount), order);
    Put32(record, 8, spec.frameCount, order);
    Put16(record, 16, spec.movieMode, order);
    Put32(record, 40, spec.firstFrameOffset, order);
    Put32(record, 44, spec.firstFrameSize, order);
    Put32(record, 212, spec.durationMs, order);
    Put32(record, 240, spec.movFileSize, order);
    Put16(record, 244, spec.groupOfPicture, order);
    Put16(record, 256, spec.framePerUnit, order);
    Put16(record, 258, spec.montagioTime, order);
    return record;
}

std::uint32_t TaggedValue(std::uint32_t tag, std::uint16_t value) { return (tag << 24) | value; }

std::vector<std::uint8_t> LongRecord(const ThumbnailSpec& spec, ByteOrder order) {
    std::vector<std::uint8_t> record(spec.longRecordSize, 0);
    std::vector<std::uint32_t> tagged;
    // A value of a tag the reader does not know comes first, to be passed over.
    tagged.push_back(TaggedValue(7, 0x1234));
    if (spec.longRecordModeTag) {
        if (spec.longRecordTwoModeTags) {
            tagged.push_back(TaggedValue(1, static_cast<std::uint16_t>(spec.movieMode + 1)));
        }
        tagged.push_back(TaggedValue(1, spec.movieMode));
    }
    tagged.push_back(TaggedValue(2, spec.montagioTime));
    std::size_t room = record.size() < LongRecordTaggedEnd ? record.size() : LongRecordTaggedEnd;
    room = room > 8 ? (room - 8) / 4 : 0;
    if (tagged.size() > room) tagged.resize(room);

    Put32(record, 0, spec.longRecordSize, order);
    Put32(record, 4, static_cast<std::uint32_t>(tagged.size()), order);
    for (std::size_t i = 0; i < tagged.size(); ++i) Put32(record, 8 + 4 * i, tagged[i], order);
    Put32(record, 84, spec.frameCount, order);
    Put32(record, 104, spec.firstFrameOffset, order);
    Put32(record, 108, spec.firstFrameSize, order);
    Put32(record, 112, spec.movFileSize, order);
    Put32(record, 116, spec.groupOfPicture, order);
    Put32(record, 120, spec.framePerUnit, order);
    Put32(record, 124, 3, order);
    Put32(record, 128, spec.durationMs, order);
    return record;
}

// A random-looking but reproducible identifier, as a camera's would be.
std::vector<std::uint8_t> ImageIdentifier(const ThumbnailSpec& spec, unsigned size) {
    std::vector<std::uint8_t> id(size);
    std::uint32_t state = 0x9E3779B9U ^ spec.movFileSize ^ (spec.frameCount << 7);
    for (std::uint8_t& byte : id) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return id;
}

// The offset just past the image's SOI and its application segments: where
// its tables begin.
std::size_t ImageDataStart(const std::vector<std::uint8_t>& image) {
    if (image.size() < 4 || image[0] != 0xFF || image[1] != 0xD8) {
        throw std::invalid_argument("thumbnail image is not a JPEG");
    }
    std::size_t pos = 2;
    while (pos + 4 <= image.size() && image[pos] == 0xFF) {
        const std::uint8_t marker = image[pos + 1];
        const bool application = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (!application) return pos;
        pos += 2 + ((static_cast<std::size_t>(image[pos + 2]) << 8) | image[pos + 3]);
    }
    throw std::invalid_argument("thumbnail image has no tables");
}

}

std::vector<std::uint8_t> BuildThumbnail(const ThumbnailSpec& spec, ThumbnailLayout* layout) {
    const bool writeLong = spec.recordKind == RecordKind::Long || spec.bothRecords;
    const bool writeShort = spec.recordKind == RecordKind::Short || spec.bothRecords;
    if ((writeShort && (spec.shortRecordSize < 2 || spec.shortRecordSize % 2 != 0 || spec.shortRecordSize > 0xFFFF)) ||
        (writeLong && (spec.longRecordSize < 8 || spec.longRecordSize % 4 != 0))) {
        throw std::invalid_argument("record sizes must hold their size field and whole values");
    }
    // Without a footer the reader takes the maker note in the TIFF header's order.
    const ByteOrder tiffOrder = spec.tiffOrder;
    const ByteOrder noteOrder = spec.footer ? spec.makerNoteOrder : spec.tiffOrder;

    ByteBuffer tiff;
    AppendOrderMark(tiff, tiffOrder);
    tiff.AppendU32(8, tiffOrder);

    // IFD 0: Make, Exif pointer; the Make text follows it.
    const std::uint32_t ifd0 = 8;
    const std::uint32_t makeCount = static_cast<std::uint32_t>(spec.make.size() + 1);
    const bool makeInline = makeCount <= 4;
    const std::uint32_t makeOffset = static_cast<std::uint32_t>(ifd0 + IfdSize(2));
    std::uint32_t exifIfd = makeOffset + (makeInline ? 0 : makeCount);
    exifIfd += exifIfd % 2;
    std::uint32_t makeValue = makeOffset;
    if (makeInline) {
        std::uint8_t inlineText[4] = {0, 0, 0, 0};
        for (std::size_t i = 0; i < spec.make.size() && i < 3; ++i) inlineText[i] = static_cast<std::uint8_t>(spec.make[i]);
        makeValue = ByteReader::Decode<std::uint32_t>(inlineText, tiffOrder);
    }
    // A maker note moved later by N bytes has N bytes in front of it that
    // were not there when the camera wrote it.
    const std::uint32_t movedBy = spec.relocation > 0 ? static_cast<std::uint32_t>(spec.relocation) : 0;
    const std::uint32_t makerNote = static_cast<std::uint32_t>(exifIfd + IfdSize(1)) + movedBy;

    // The maker note: its IFD, the records, the identifier, the footer.
    std::vector<IfdEntry> noteEntries;
    const std::vector<std::uint8_t> shortRecord = writeShort ? ShortRecord(spec, noteOrder) : std::vector<std::uint8_t>();
    const std::vector<std::uint8_t> longRecord = writeLong ? LongRecord(spec, noteOrder) : std::vector<std::uint8_t>();
    const std::vector<std::uint8_t> imageId = spec.imageId ? ImageIdentifier(spec, spec.imageIdSize) : std::vector<std::uint8_t>();
    const std::size_t entryCount = (writeShort ? 1 : 0) + 1 + (spec.imageId ? 1 : 0) + (writeLong ? 1 : 0);
    std::uint32_t cursor = static_cast<std::uint32_t>(makerNote + IfdSize(entryCount));
    const auto place = [&cursor](std::size_t size) {
        const std::uint32_t at = cursor;
        cursor += static_cast<std::uint32_t>(size + size % 2);
        return at;
    };
    const std::uint32_t shortAt = writeShort ? place(shortRecord.size()) : 0;
    const std::uint32_t idAt = spec.imageId ? place(imageId.size()) : 0;
    const std::uint32_t longAt = writeLong ? place(longRecord.size()) : 0;
    const std::uint32_t footerAt = cursor;
    const std::uint32_t makerNoteSize = footerAt + (spec.footer ? 8 : 0) - makerNote;
    // Offsets inside the maker note are those of where the camera first put it.
    const std::uint32_t shift = static_cast<std::uint32_t>(spec.relocation);
    if (writeShort) {
        noteEntries.push_back({TagShortRecord, TypeShort, static_cast<std::uint32_t>(shortRecord.size() / 2), shortAt - shift});
    }
    noteEntries.push_back({TagFooterMark, TypeShort, 1, 1});
    if (spec.imageId) {
        noteEntries.push_back({TagImageId, TypeUndefined, static_cast<std::uint32_t>(imageId.size()), idAt - shift});
    }
    if (writeLong) {
        noteEntries.push_back({TagLongRecord, TypeLong, static_cast<std::uint32_t>(longRecord.size() / 4), longAt - shift});
    }

    AppendIfd(tiff, {{TagMake, TypeAscii, makeCount, makeValue}, {TagExifIfd, TypeLong, 1, exifIfd}}, tiffOrder);
    if (!makeInline) {
        tiff.AppendText(spec.make);
        tiff.AppendU8(0);
    }
    PadToEven(tiff);
    AppendIfd(tiff, {{TagMakerNote, TypeUndefined, makerNoteSize, makerNote}}, tiffOrder);
    tiff.AppendZeros(movedBy);
    AppendIfd(tiff, noteEntries, noteOrder);
    tiff.AppendBytes(shortRecord.data(), shortRecord.size());
    PadToEven(tiff);
    tiff.AppendBytes(imageId.data(), imageId.size());
    PadToEven(tiff);
    tiff.AppendBytes(longRecord.data(), longRecord.size());
    PadToEven(tiff);
    if (spec.footer) {
        AppendOrderMark(tiff, noteOrder);
        tiff.AppendU32(makerNote - shift, noteOrder);
    }

    const std::size_t app1Length = 2 + 6 + tiff.size();
    if (app1Length > 0xFFFF) throw std::invalid_argument("Exif segment too long");

    ByteBuffer jpeg;
    jpeg.AppendU8(0xFF);
    jpeg.AppendU8(0xD8);
    if (spec.jfifFirst) {
        jpeg.AppendU8(0xFF);
        jpeg.AppendU8(0xE0);
        jpeg.AppendU16BE(16);
        jpeg.AppendText(std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    }
    const std::uint32_t app1 = static_cast<std::uint32_t>(jpeg.size());
    const std::uint32_t tiffStart = app1 + 10;
    jpeg.AppendU8(0xFF);
    jpeg.AppendU8(0xE1);
    jpeg.AppendU16BE(static_cast<std::uint16_t>(app1Length));
    jpeg.AppendText(std::string("Exif\0\0", 6));
    jpeg.AppendBytes(tiff.data(), tiff.size());

    std::vector<std::uint8_t> image = spec.image;
    if (image.empty()) {
        const std::uint8_t grey[3] = {128, 128, 128};
        image = EncodeSolidColourJpeg(160, 120, grey);
    }
    const std::size_t imageStart = ImageDataStart(image);
    jpeg.AppendBytes(image.data() + imageStart, image.size() - imageStart);
    if (jpeg.size() < spec.minimumSize) jpeg.AppendZeros(spec.minimumSize - jpeg.size());

    if (layout) {
        *layout = ThumbnailLayout();
        // The reader takes the long record when both are present.
        if (writeLong) {
            layout->recordOffset = tiffStart + longAt;
            layout->recordSize = static_cast<std::uint32_t>(longRecord.size());
            if (longRecord.size() >= 116) layout->movFileSizeOffset = layout->recordOffset + 112;
        } else {
            layout->recordOffset = tiffStart + shortAt;
            layout->recordSize = static_cast<std::uint32_t>(shortRecord.size());
            if (shortRecord.size() >= 244) layout->movFileSizeOffset = layout->recordOffset + 240;
        }
        if (spec.imageId) {
            layout->imageIdOffset = tiffStart + idAt;
            layout->imageIdSize = static_cast<std::uint32_t>(imageId.size());
        }
        layout->exifSegmentEnd = static_cast<std::uint32_t>(app1 + 2 + app1Length);
    }
    return std::move(jpeg.bytes());
}

}
}
