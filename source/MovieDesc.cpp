#include "source/MovieDesc.h"

#include "bytes/ByteOrder.h"
#include "bytes/ByteReader.h"
#include "source/MovieRecordLayout.h"

#include <cstddef>
#include <cstring>

namespace clipreel {
namespace {

constexpr std::size_t ExifLength = 4;  // after SOI and the APP1 marker
constexpr std::size_t TiffStart = 12;  // SOI, APP1 marker and length, "Exif\0\0"

constexpr std::uint16_t TagMake = 0x010F;
constexpr std::uint16_t TagExifIfd = 0x8769;
constexpr std::uint16_t TagMakerNote = 0x927C;
constexpr std::uint16_t TagFooterInUse = 0x0019;
constexpr std::uint16_t TagImageId = 0x0028;

constexpr std::uint16_t TypeAscii = 2;
constexpr std::uint16_t TypeShort = 3;

constexpr std::uint32_t ImageIdSize = 16;
constexpr std::size_t FooterSize = 8;

// Byte sizes of the TIFF field types 1 to 12; any other type has none.
std::uint64_t TypeSize(std::uint16_t type) {
    static const std::uint8_t sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type <= 12 ? sizes[type] : 0;
}

struct IfdEntry {
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;      // the raw 4-byte value field in the IFD's byte order
    std::size_t valueField = 0;   // TIFF offset of that field
    std::uint64_t byteSize = 0;   // count x the type's size
    bool outside() const { return byteSize > 4; }
};

// An IFD lies within the TIFF data when its count, its entries and its
// next-IFD link do.
bool IfdFits(const ByteReader& tiff, std::uint64_t offset, ByteOrder order) {
    const std::uint64_t length = tiff.size();
    if (offset + 18 > length) return false;
    std::uint16_t count = 0;
    if (!tiff.PeekU16(static_cast<std::size_t>(offset), count, order)) return false;
    return offset + std::uint64_t(count) * 12 + 6 <= length;
}

// The first entry with this tag in the IFD at offset.
bool FindEntry(const ByteReader& tiff, std::uint64_t offset, ByteOrder order, std::uint16_t tag, IfdEntry& out) {
    if (!IfdFits(tiff, offset, order)) return false;
    std::uint16_t count = 0;
    tiff.PeekU16(static_cast<std::size_t>(offset), count, order);
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t entry = static_cast<std::size_t>(offset) + 2 + std::size_t(i) * 12;
        std::uint16_t entryTag = 0;
        if (!tiff.PeekU16(entry, entryTag, order)) return false;
        if (entryTag != tag) continue;
        IfdEntry found;
        if (!tiff.PeekU16(entry + 2, found.type, order) || !tiff.PeekU32(entry + 4, found.count, order) ||
            !tiff.PeekU32(entry + 8, found.value, order)) {
            return false;
        }
        found.valueField = entry + 8;
        found.byteSize = std::uint64_t(found.count) * TypeSize(found.type);
        out = found;
        return true;
    }
    return false;
}

bool ReadByteOrderMark(const ByteReader& bytes, std::size_t offset, ByteOrder& order) {
    std::uint16_t mark = 0;
    if (!bytes.PeekU16BE(offset, mark)) return false;
    if (mark == 0x4949) {  // "II"
        order = ByteOrder::Little;
    } else if (mark == 0x4D4D) {  // "MM"
        order = ByteOrder::Big;
    } else {
        return false;
    }
    std::uint16_t magic = 0;
    return bytes.PeekU16(offset + 2, magic, order) && magic == 42;
}

// The camera's name, "Zenti", as a zero-terminated ASCII value.
bool MakeIsCamera(const ByteReader& tiff, const IfdEntry& make) {
    if (make.type != TypeAscii || make.byteSize > tiff.size()) return false;
    ByteReader value;
    const std::size_t at = make.outside() ? make.value : make.valueField;
    if (!tiff.Sub(at, static_cast<std::size_t>(make.byteSize), value)) return false;
    if (value.size() < 6) return false;
    static const std::uint8_t camera[6] = {'Z', 'e', 'n', 't', 'i', 0};
    return value.data()[value.size() - 1] == 0 && std::memcmp(value.data(), camera, sizeof camera) == 0;
}

// A maker-note value stored outside its entry, at its value offset moved by
// the relocation delta; it must lie within the TIFF data. Offsets are 32-bit
// numbers and move modulo 2^32, as the camera's own offsets do.
bool LocateValue(const ByteReader& tiff, const IfdEntry& entry, std::uint32_t delta, std::size_t& position) {
    if (!entry.outside()) return false;
    const std::uint64_t start = static_cast<std::uint32_t>(entry.value + delta);
    if (start > tiff.size() || entry.byteSize > tiff.size() - start) return false;
    position = static_cast<std::size_t>(start);
    return true;
}

class Parser {
public:
    Parser(MovieDesc& target, const ByteReader& thumbnail) : desc(target), jpeg(thumbnail) {}

    void Run() {
        if (!readTiff()) return;
        std::uint64_t makerNote = 0;
        std::uint64_t makerNoteSize = 0;
        if (!findMakerNote(makerNote, makerNoteSize)) return;
        readFooter(makerNote, makerNoteSize);
        desc.byteOrder = order == ByteOrder::Little ? MovieDesc::LittleEndian : MovieDesc::BigEndian;
        readRecord(makerNote);
        readImageId(makerNote);
    }

private:
    bool readTiff() {
        static const std::uint8_t start[4] = {0xFF, 0xD8, 0xFF, 0xE1};
        static const std::uint8_t exif[5] = {'E', 'x', 'i', 'f', 0};
        if (jpeg.size() < TiffStart || std::memcmp(jpeg.data(), start, sizeof start) != 0) return false;
        if (std::memcmp(jpeg.data() + 6, exif, sizeof exif) != 0) return false;
        std::uint16_t app1Length = 0;
        if (!jpeg.PeekU16BE(ExifLength, app1Length)) return false;
        if (app1Length < 16 || app1Length >= jpeg.size()) return false;
        // The segment's TIFF data must also end within the thumbnail.
        if (!jpeg.Sub(TiffStart, std::size_t(app1Length) - 8, tiff)) return false;
        if (!ReadByteOrderMark(tiff, 0, tiffOrder)) return false;
        std::uint32_t ifd0 = 0;
        if (!tiff.PeekU32(4, ifd0, tiffOrder) || ifd0 >= tiff.size()) return false;
        firstIfd = ifd0;
        order = tiffOrder;
        return true;
    }

    bool findMakerNote(std::uint64_t& makerNote, std::uint64_t& makerNoteSize) {
        if (!IfdFits(tiff, firstIfd, tiffOrder)) return false;
        IfdEntry make;
        if (!FindEntry(tiff, firstIfd, tiffOrder, TagMake, make) || !MakeIsCamera(tiff, make)) return false;
        IfdEntry exifPointer;
        if (!FindEntry(tiff, firstIfd, tiffOrder, TagExifIfd, exifPointer) || exifPointer.outside()) return false;
        if (!IfdFits(tiff, exifPointer.value, tiffOrder)) return false;
        IfdEntry note;
        if (!FindEntry(tiff, exifPointer.value, tiffOrder, TagMakerNote, note) || !note.outside()) return false;
        // The maker note keeps the byte order the camera wrote it in, which
        // its footer tells and which may differ from the TIFF header's: its
        // entry count is only read, and its entries bounded, in the order it
        // is read in (every lookup below checks the whole IFD).
        if (std::uint64_t(note.value) + 18 > tiff.size()) return false;
        makerNote = note.value;
        makerNoteSize = note.byteSize;
        return true;
    }

    // The footer tells where the maker note stood when the camera wrote it,
    // and in which byte order it is; a maker note moved since then has all
    // its value offsets off by the same distance.
    void readFooter(std::uint64_t makerNote, std::uint64_t makerNoteSize) {
        if (makerNoteSize < FooterSize) return;
        const std::uint64_t footer = makerNote + makerNoteSize - FooterSize;
        if (footer > tiff.size() || tiff.size() - footer < FooterSize) return;
        ByteOrder footerOrder = ByteOrder::Little;
        if (!ReadByteOrderMark(tiff, static_cast<std::size_t>(footer), footerOrder)) return;
        std::uint32_t writtenAt = 0;
        if (!tiff.PeekU32(static_cast<std::size_t>(footer) + 4, writtenAt, footerOrder)) return;
        IfdEntry inUse;
        if (!FindEntry(tiff, makerNote, footerOrder, TagFooterInUse, inUse)) return;
        if (inUse.type != TypeShort || inUse.count != 1 || inUse.outside() || inUse.value != 1) return;
        if (makerNote >= tiff.size()) return;
        order = footerOrder;
        delta = static_cast<std::uint32_t>(makerNote) - writtenAt;
    }

    // The first kind whose entry holds a record that states its own size.
    void readRecord(std::uint64_t makerNote) {
        for (const MovieRecordLayout* layout : MovieRecordLayouts) {
            IfdEntry entry;
            std::size_t position = 0;
            std::uint32_t stated = 0;
            if (FindEntry(tiff, makerNote, order, layout->tag, entry) && entry.type == layout->entryType &&
                LocateValue(tiff, entry, delta, position) &&
                PeekRecordField(tiff, position, layout->size, order, stated) && stated == entry.byteSize) {
                setRecord(position, entry.byteSize, layout->tag);
                readFields(*layout, position, stated);
                return;
            }
        }
    }

    void setRecord(std::size_t position, std::uint64_t byteSize, std::uint16_t tag) {
        desc.recordSize = static_cast<std::uint32_t>(byteSize);
        desc.recordTag = tag;
        desc.recordOffset = static_cast<std::uint32_t>(TiffStart + position);
    }

    // Fields a record too short to hold them does not have keep their
    // defaults; tagged values stop at the record's end whatever their count.
    void readFields(const MovieRecordLayout& layout, std::size_t position, std::uint32_t size) {
        ByteReader record;
        if (!tiff.Sub(position, size, record)) return;
        if (size < layout.validFrom) return;
        auto read = [&](const MovieRecordField& field, std::uint32_t& value) {
            return field.present() && size >= field.readFrom && PeekRecordField(record, 0, field, order, value);
        };
        std::uint32_t value = 0;
        if (read(layout.movFileSize, value)) desc.movFileSize = value;
        if (read(layout.movieMode, value)) desc.movieMode = static_cast<std::uint16_t>(value);
        if (read(layout.groupOfPicture, value)) desc.groupOfPicture = static_cast<std::uint16_t>(value);
        if (read(layout.framePerUnit, value)) desc.framePerUnit = static_cast<std::uint16_t>(value);
        if (read(layout.montagioTime, value)) desc.montagioTime = static_cast<std::uint16_t>(value);
        std::uint32_t tagged = 0;
        read(layout.taggedValueCount, tagged);
        for (std::uint32_t i = 0; i < tagged; ++i) {
            const MovieRecordField field = {layout.firstTaggedValue.offset + i * layout.firstTaggedValue.width,
                                            layout.firstTaggedValue.width, 0};
            if (!read(field, value)) break;
            const std::uint32_t tag = value >> 24;
            if (tag == TaggedMovieMode) desc.movieMode = static_cast<std::uint16_t>(value);
            if (tag == TaggedMontagioTime) desc.montagioTime = static_cast<std::uint16_t>(value);
        }
        desc.valid = true;
    }

    void readImageId(std::uint64_t makerNote) {
        IfdEntry entry;
        std::size_t position = 0;
        if (!FindEntry(tiff, makerNote, order, TagImageId, entry)) return;
        if (entry.byteSize != ImageIdSize || !LocateValue(tiff, entry, delta, position)) return;
        desc.imageIdSize = ImageIdSize;
        desc.imageIdOffset = static_cast<std::uint32_t>(TiffStart + position);
    }

    MovieDesc& desc;
    const ByteReader& jpeg;
    ByteReader tiff;
    ByteOrder tiffOrder = ByteOrder::Little;
    ByteOrder order = ByteOrder::Little;  // the maker note's
    std::uint64_t firstIfd = 0;
    std::uint32_t delta = 0;  // added to every maker-note value offset
};

}

bool ExifSegmentEnd(const void* thumbnail, unsigned size, std::uint32_t& end) {
    const ByteReader bytes(thumbnail, thumbnail == nullptr ? 0 : size);
    std::uint16_t length = 0;
    if (!bytes.PeekU16BE(ExifLength, length)) return false;
    end = static_cast<std::uint32_t>(ExifLength) + length;
    return true;
}

MovieDesc::MovieDesc(unsigned jpegSize, const void* jpeg) {
    if (jpeg == nullptr || jpegSize < SmallestParsedThumbnail) return;
    const ByteReader bytes(jpeg, jpegSize);
    Parser(*this, bytes).Run();
}

}
