#include "source/MovieDesc.h"

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "sample/ThumbnailBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace clipreel {
namespace {

using sample::BuildThumbnail;
using sample::RecordKind;
using sample::ThumbnailLayout;
using sample::ThumbnailSpec;

constexpr std::uint32_t RecordedFileSize = 0x01234567;

ThumbnailSpec BaseSpec() {
    ThumbnailSpec spec;
    spec.movFileSize = RecordedFileSize;
    spec.movieMode = 11;
    spec.groupOfPicture = 15;
    spec.framePerUnit = 30;
    spec.montagioTime = 4;
    return spec;
}

struct Expected {
    bool valid;
    int byteOrder;
    std::uint16_t movieMode;
    std::uint32_t movFileSize;
    std::uint16_t groupOfPicture;
    std::uint16_t framePerUnit;
    std::uint16_t montagioTime;
    bool recordAtLayout;   // recordOffset/recordSize equal the builder's record
    bool imageIdAtLayout;  // imageIdOffset/imageIdSize equal the builder's identifier
};

constexpr Expected Unparsed{false, 0, 0xFFFF, 0, 0, 0, 0, false, false};

void ExpectDesc(const MovieDesc& desc, const Expected& e, const ThumbnailLayout& layout) {
    EXPECT_EQ(desc.valid, e.valid);
    EXPECT_EQ(desc.byteOrder, e.byteOrder);
    EXPECT_EQ(desc.movieMode, e.movieMode);
    EXPECT_EQ(desc.movFileSize, e.movFileSize);
    EXPECT_EQ(desc.groupOfPicture, e.groupOfPicture);
    EXPECT_EQ(desc.framePerUnit, e.framePerUnit);
    EXPECT_EQ(desc.montagioTime, e.montagioTime);
    if (e.recordAtLayout) {
        EXPECT_EQ(desc.recordOffset, layout.recordOffset);
        EXPECT_EQ(desc.recordSize, layout.recordSize);
        EXPECT_NE(desc.recordSize, 0u);
    } else {
        EXPECT_EQ(desc.recordOffset, 0u);
        EXPECT_EQ(desc.recordSize, 0u);
    }
    if (e.imageIdAtLayout) {
        EXPECT_EQ(desc.imageIdOffset, layout.imageIdOffset);
        EXPECT_EQ(desc.imageIdSize, 16u);
    } else {
        EXPECT_EQ(desc.imageIdOffset, 0u);
        EXPECT_EQ(desc.imageIdSize, 0u);
    }
}

// Where a 12-byte IFD entry with this tag, type and count lies in the bytes.
std::size_t FindEntry(const std::vector<std::uint8_t>& bytes, std::uint16_t tag, std::uint16_t type,
                      std::uint32_t count, ByteOrder order) {
    std::uint8_t pattern[8];
    ByteWriter writer(pattern, sizeof pattern);
    writer.WriteU16(tag, order);
    writer.WriteU16(type, order);
    writer.WriteU32(count, order);
    const auto at = std::search(bytes.begin(), bytes.end(), pattern, pattern + sizeof pattern);
    return at == bytes.end() ? std::string::npos : static_cast<std::size_t>(at - bytes.begin());
}

struct ThumbnailCase {
    std::string name;
    void (*change)(ThumbnailSpec&);
    Expected expected;
};

TEST(MovieDesc, ReadsTheRecordsThumbnailsCarry) {
    const ThumbnailCase cases[] = {
        {"short record, little-endian", [](ThumbnailSpec&) {},
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"short record, big-endian maker note in a little-endian TIFF",
         [](ThumbnailSpec& s) { s.makerNoteOrder = ByteOrder::Big; },
         {true, 2, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"short record, little-endian maker note in a big-endian TIFF",
         [](ThumbnailSpec& s) { s.tiffOrder = ByteOrder::Big; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"big-endian throughout",
         [](ThumbnailSpec& s) { s.tiffOrder = s.makerNoteOrder = ByteOrder::Big; },
         {true, 2, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"no footer: the TIFF header's order",
         [](ThumbnailSpec& s) { s.footer = false; s.tiffOrder = ByteOrder::Big; },
         {true, 2, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"maker note moved 100 bytes after writing",
         [](ThumbnailSpec& s) { s.relocation = 100; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"maker note moved 100 bytes, big-endian maker note",
         [](ThumbnailSpec& s) { s.relocation = 100; s.makerNoteOrder = ByteOrder::Big; },
         {true, 2, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"maker note moved back by 6 bytes",
         [](ThumbnailSpec& s) { s.relocation = -6; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"short record of 262 bytes holds every field",
         [](ThumbnailSpec& s) { s.shortRecordSize = 262; s.montagioTime = 0xFFFF; },
         {true, 1, 11, RecordedFileSize, 15, 30, 0xFFFF, true, true}},
        {"short record of 250 bytes lacks frames per unit and clip time",
         [](ThumbnailSpec& s) { s.shortRecordSize = 250; },
         {true, 1, 11, RecordedFileSize, 15, 0, 0, true, true}},
        {"short record of 246 bytes is the shortest valid one",
         [](ThumbnailSpec& s) { s.shortRecordSize = 246; },
         {true, 1, 11, RecordedFileSize, 15, 0, 0, true, true}},
        {"short record of 244 bytes is found but not valid",
         [](ThumbnailSpec& s) { s.shortRecordSize = 244; },
         {false, 1, 0xFFFF, 0, 0, 0, 0, true, true}},
        {"long record", [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"long record, big-endian",
         [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; s.tiffOrder = s.makerNoteOrder = ByteOrder::Big; },
         {true, 2, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"long record with two mode values: the later one",
         [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; s.longRecordTwoModeTags = true; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"long record without a mode value",
         [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; s.longRecordModeTag = false; },
         {true, 1, 0xFFFF, RecordedFileSize, 15, 30, 4, true, true}},
        {"long record shorter than its fixed fields keeps their defaults",
         [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; s.longRecordSize = 112; },
         {true, 1, 11, 0, 0, 0, 4, true, true}},
        {"identifier of 12 bytes is not the identifier",
         [](ThumbnailSpec& s) { s.imageIdSize = 12; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, false}},
        {"no identifier", [](ThumbnailSpec& s) { s.imageId = false; },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, false}},
        {"Make with a trailing space", [](ThumbnailSpec& s) { s.make = "Zenti "; }, Unparsed},
        {"another camera's Make", [](ThumbnailSpec& s) { s.make = "Other"; }, Unparsed},
        {"Make too short to hold the name", [](ThumbnailSpec& s) { s.make = "Zen"; }, Unparsed},
        {"a JFIF segment before the Exif segment", [](ThumbnailSpec& s) { s.jfifFirst = true; }, Unparsed},
    };
    for (const ThumbnailCase& c : cases) {
        SCOPED_TRACE(c.name);
        ThumbnailSpec spec = BaseSpec();
        c.change(spec);
        ThumbnailLayout layout;
        const std::vector<std::uint8_t> jpeg = BuildThumbnail(spec, &layout);
        ASSERT_GE(jpeg.size(), 1024u);
        const MovieDesc desc(static_cast<unsigned>(jpeg.size()), jpeg.data());
        ExpectDesc(desc, c.expected, layout);
        const std::uint16_t tag = spec.recordKind == RecordKind::Long ? 0x0034 : 0x0011;
        EXPECT_EQ(desc.recordTag, c.expected.recordAtLayout ? tag : 0);
    }
}

TEST(MovieDesc, BothRecordsAreReadAsTheLongOne) {
    ThumbnailSpec spec = BaseSpec();
    spec.bothRecords = true;
    spec.shortRecordSize = 262;
    spec.longRecordSize = 132;
    const std::vector<std::uint8_t> jpeg = BuildThumbnail(spec);
    const MovieDesc desc(static_cast<unsigned>(jpeg.size()), jpeg.data());
    EXPECT_TRUE(desc.valid);
    EXPECT_EQ(desc.recordSize, 132u);
    EXPECT_EQ(desc.recordTag, 0x0034);
    std::uint32_t stated = 0;
    ASSERT_LE(desc.recordOffset + 4u, jpeg.size());
    stated = ByteReader::Decode<std::uint32_t>(jpeg.data() + desc.recordOffset, ByteOrder::Little);
    EXPECT_EQ(stated, 132u);
}

// Without an accepted footer the maker note's value offsets are taken as
// written: a moved maker note then finds its identifier where it used to be.
TEST(MovieDesc, RejectedFooterLeavesOffsetsAsWritten) {
    ThumbnailSpec spec = BaseSpec();
    spec.relocation = 100;
    ThumbnailLayout layout;
    std::vector<std::uint8_t> jpeg = BuildThumbnail(spec, &layout);
    const std::size_t mark = FindEntry(jpeg, 0x0019, 3, 1, ByteOrder::Little);
    ASSERT_NE(mark, std::string::npos);
    jpeg[mark + 8] = 2;
    const MovieDesc desc(static_cast<unsigned>(jpeg.size()), jpeg.data());
    EXPECT_FALSE(desc.valid);
    EXPECT_EQ(desc.recordSize, 0u);
    EXPECT_EQ(desc.imageIdSize, 16u);
    EXPECT_EQ(desc.imageIdOffset, layout.imageIdOffset - 100);
}

TEST(MovieDesc, ThumbnailsBelow1024BytesAreNotParsed) {
    ThumbnailLayout layout;
    const std::vector<std::uint8_t> jpeg = BuildThumbnail(BaseSpec(), &layout);
    ASSERT_GE(jpeg.size(), 1024u);
    const MovieDesc atLimit(1024, jpeg.data());
    EXPECT_TRUE(atLimit.valid);
    const MovieDesc below(1023, jpeg.data());
    ExpectDesc(below, Unparsed, layout);
    const MovieDesc none(0, nullptr);
    ExpectDesc(none, Unparsed, layout);
}

struct Damage {
    std::string name;
    void (*change)(ThumbnailSpec&);
    // Changes the built bytes; returns false when the place to damage was not found.
    bool (*damage)(std::vector<std::uint8_t>&, const ThumbnailLayout&);
    Expected expected;
};

void PutBE16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    ByteWriter(bytes.data(), bytes.size()).PokeU16(at, value, ByteOrder::Big);
}

TEST(MovieDesc, DamagedThumbnailsAreReadWithinTheirBytes) {
    const Damage cases[] = {
        {"APP1 length reaching the thumbnail's end", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             PutBE16(b, 4, static_cast<std::uint16_t>(b.size()));
             return true;
         },
         Unparsed},
        {"APP1 length whose TIFF data would run past the thumbnail", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             PutBE16(b, 4, static_cast<std::uint16_t>(b.size() - 2));
             return true;
         },
         Unparsed},
        {"APP1 length below 16", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             PutBE16(b, 4, 15);
             return true;
         },
         Unparsed},
        {"APP1 length cutting the maker note short", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout& l) {
             PutBE16(b, 4, static_cast<std::uint16_t>(l.recordOffset - 4 + 8));
             return true;
         },
         {false, 1, 0xFFFF, 0, 0, 0, 0, false, false}},
        {"not an Exif identifier", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             b[6] = 'e';
             return true;
         },
         Unparsed},
        {"TIFF magic number 43", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             b[14] = 43;  // little-endian 42 at TIFF bytes 2 and 3
             return true;
         },
         Unparsed},
        {"IFD 0 beyond the TIFF data", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             ByteWriter(b.data(), b.size()).PokeU32(16, 0xFFFFFFF0u, ByteOrder::Little);
             return true;
         },
         Unparsed},
        {"footer mark not 1 on an unmoved maker note: still read", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             const std::size_t at = FindEntry(b, 0x0019, 3, 1, ByteOrder::Little);
             if (at == std::string::npos) return false;
             b[at + 8] = 2;
             return true;
         },
         {true, 1, 11, RecordedFileSize, 15, 30, 4, true, true}},
        {"record size field disagreeing with its entry", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout& l) {
             b[l.recordOffset] = static_cast<std::uint8_t>(b[l.recordOffset] + 2);
             return true;
         },
         {false, 1, 0xFFFF, 0, 0, 0, 0, false, true}},
        {"long record whose tagged-value count runs far past it",
         [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; },
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout& l) {
             ByteWriter(b.data(), b.size()).PokeU32(l.recordOffset + 4, 0xFFFFFFFFu, ByteOrder::Little);
             return true;
         },
         // Values up to the record's end are taken as tagged values: the
         // file size 0x01234567 at byte 112 reads as tag 1, mode 0x4567.
         {true, 1, 0x4567, RecordedFileSize, 15, 30, 4, true, true}},
        {"record entry pointing past the TIFF data", [](ThumbnailSpec&) {},
         [](std::vector<std::uint8_t>& b, const ThumbnailLayout&) {
             const std::size_t at = FindEntry(b, 0x0011, 3, 131, ByteOrder::Little);
             if (at == std::string::npos) return false;
             ByteWriter(b.data(), b.size()).PokeU32(at + 8, 0xFFFFFF00u, ByteOrder::Little);
             return true;
         },
         {false, 1, 0xFFFF, 0, 0, 0, 0, false, true}},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        ThumbnailSpec spec = BaseSpec();
        c.change(spec);
        ThumbnailLayout layout;
        std::vector<std::uint8_t> jpeg = BuildThumbnail(spec, &layout);
        ASSERT_TRUE(c.damage(jpeg, layout));
        const MovieDesc desc(static_cast<unsigned>(jpeg.size()), jpeg.data());
        ExpectDesc(desc, c.expected, layout);
    }
}

}
}
