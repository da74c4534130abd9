// The camera thumbnail: an Exif APP1 segment whose maker note holds the
// movie record, identifier and footer where the layout says, in every byte
// order, record kind and relocation; followed by the image's tables.
#include "sample/SampleMovieWriter.h"
#include "sample/SolidColourJpeg.h"
#include "sample/ThumbnailBuilder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace clipreel {
namespace test {
namespace {

using sample::RecordKind;
using sample::ThumbnailLayout;
using sample::ThumbnailSpec;

// Ordered reads over the thumbnail, for an independent walk of its Exif.
class Ordered {
public:
    Ordered(const std::vector<std::uint8_t>& bytes, std::size_t base) : data(bytes), origin(base) {}
    std::uint16_t U16(std::size_t at, ByteOrder order) const {
        const std::uint16_t a = data.at(origin + at);
        const std::uint16_t b = data.at(origin + at + 1);
        return static_cast<std::uint16_t>(order == ByteOrder::Big ? (a << 8) | b : (b << 8) | a);
    }
    std::uint32_t U32(std::size_t at, ByteOrder order) const {
        const std::uint32_t first = U16(at, order);
        const std::uint32_t second = U16(at + 2, order);
        return order == ByteOrder::Big ? (first << 16) | second : (second << 16) | first;
    }
    std::string Text(std::size_t at, std::size_t length) const {
        return std::string(data.begin() + static_cast<std::ptrdiff_t>(origin + at),
                           data.begin() + static_cast<std::ptrdiff_t>(origin + at + length));
    }

private:
    const std::vector<std::uint8_t>& data;
    std::size_t origin;
};

struct Entry {
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;
};

std::map<std::uint16_t, Entry> ReadIfd(const Ordered& tiff, std::size_t at, ByteOrder order) {
    std::map<std::uint16_t, Entry> entries;
    const std::uint16_t count = tiff.U16(at, order);
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t e = at + 2 + 12U * i;
        entries[tiff.U16(e, order)] = {tiff.U16(e + 2, order), tiff.U32(e + 4, order), tiff.U32(e + 8, order)};
    }
    return entries;
}

struct ThumbnailCase {
    const char* name;
    ByteOrder tiffOrder;
    ByteOrder makerNoteOrder;
    RecordKind kind;
    int relocation;
    bool footer;
    bool bothRecords;
    unsigned shortRecordSize;
    unsigned imageIdSize;
    bool jfifFirst;
};

const ThumbnailCase ThumbnailCases[] = {
    {"ShortLittle", ByteOrder::Little, ByteOrder::Little, RecordKind::Short, 0, true, false, 262, 16, false},
    {"ShortBigNoteInLittleTiff", ByteOrder::Little, ByteOrder::Big, RecordKind::Short, 0, true, false, 262, 16, false},
    {"Short246BigTiff", ByteOrder::Big, ByteOrder::Little, RecordKind::Short, 0, true, false, 246, 16, false},
    {"Short250", ByteOrder::Little, ByteOrder::Little, RecordKind::Short, 0, true, false, 250, 16, false},
    {"LongBig", ByteOrder::Big, ByteOrder::Big, RecordKind::Long, 0, true, false, 262, 16, false},
    {"LongRelocatedBy100", ByteOrder::Little, ByteOrder::Big, RecordKind::Long, 100, true, false, 262, 16, false},
    {"ShortRelocatedBack", ByteOrder::Big, ByteOrder::Little, RecordKind::Short, -40, true, false, 262, 16, false},
    {"NoFooterUsesTiffOrder", ByteOrder::Big, ByteOrder::Little, RecordKind::Short, 0, false, false, 262, 16, false},
    {"BothRecords", ByteOrder::Little, ByteOrder::Little, RecordKind::Short, 0, true, true, 262, 16, false},
    {"ShortIdentifier", ByteOrder::Little, ByteOrder::Little, RecordKind::Short, 0, true, false, 262, 12, false},
    {"NoIdentifier", ByteOrder::Little, ByteOrder::Little, RecordKind::Long, 0, true, false, 262, 0, false},
    {"JfifFirst", ByteOrder::Little, ByteOrder::Little, RecordKind::Short, 0, true, false, 262, 16, true},
};

ThumbnailSpec SpecOf(const ThumbnailCase& c) {
    ThumbnailSpec spec;
    spec.tiffOrder = c.tiffOrder;
    spec.makerNoteOrder = c.makerNoteOrder;
    spec.recordKind = c.kind;
    spec.relocation = c.relocation;
    spec.footer = c.footer;
    spec.bothRecords = c.bothRecords;
    spec.shortRecordSize = c.shortRecordSize;
    spec.imageId = c.imageIdSize != 0;
    spec.imageIdSize = c.imageIdSize;
    spec.jfifFirst = c.jfifFirst;
    spec.movieMode = 11;
    spec.movFileSize = 0x01234567;
    spec.groupOfPicture = 15;
    spec.framePerUnit = 30;
    spec.montagioTime = 4;
    spec.frameCount = 70000;
    spec.firstFrameOffset = 0x89ABC;
    spec.firstFrameSize = 4321;
    spec.durationMs = 2335666;
    spec.minimumSize = 4096;
    return spec;
}

class ThumbnailBuilderTest : public ::testing::TestWithParam<ThumbnailCase> {};

TEST_P(ThumbnailBuilderTest, RecordLiesWhereTheLayoutSays) {
    const ThumbnailCase& c = GetParam();
    const ThumbnailSpec spec = SpecOf(c);
    ThumbnailLayout layout;
    const std::vector<std::uint8_t> jpeg = sample::BuildThumbnail(spec, &layout);
    ASSERT_EQ(jpeg.size(), spec.minimumSize);

    // SOI, an optional JFIF segment, then the Exif APP1 segment.
    ASSERT_EQ(jpeg[0], 0xFF);
    ASSERT_EQ(jpeg[1], 0xD8);
    const std::size_t app1 = c.jfifFirst ? 2 + 2 + 16 : 2;
    if (c.jfifFirst) {
        EXPECT_EQ(jpeg[3], 0xE0);
    }
    ASSERT_EQ(jpeg[app1], 0xFF);
    ASSERT_EQ(jpeg[app1 + 1], 0xE1);
    const std::size_t length = (static_cast<std::size_t>(jpeg[app1 + 2]) << 8) | jpeg[app1 + 3];
    EXPECT_EQ(layout.exifSegmentEnd, app1 + 2 + length);
    const Ordered tiff(jpeg, app1 + 10);
    EXPECT_EQ(Ordered(jpeg, 0).Text(app1 + 4, 6), std::string("Exif\0\0", 6));
    // The image's tables follow the segment.
    EXPECT_EQ(jpeg.at(layout.exifSegmentEnd), 0xFF);
    EXPECT_EQ(jpeg.at(layout.exifSegmentEnd + 1), 0xDB);

    const ByteOrder order = c.tiffOrder;
    EXPECT_EQ(tiff.Text(0, 2), order == ByteOrder::Little ? "II" : "MM");
    EXPECT_EQ(tiff.U16(2, order), 42);
    const auto ifd0 = ReadIfd(tiff, tiff.U32(4, order), order);
    ASSERT_EQ(ifd0.count(0x010F), 1U);
    EXPECT_EQ(ifd0.at(0x010F).type, 2);
    EXPECT_EQ(tiff.Text(ifd0.at(0x010F).value, ifd0.at(0x010F).count), std::string("Zenti\0", 6));
    ASSERT_EQ(ifd0.count(0x8769), 1U);
    const auto exif = ReadIfd(tiff, ifd0.at(0x8769).value, order);
    ASSERT_EQ(exif.count(0x927C), 1U);
    const Entry makerNote = exif.at(0x927C);
    EXPECT_EQ(makerNote.type, 7);
    ASSERT_LT(makerNote.value + makerNote.count, length - 8 + 1);

    // The footer: the maker note's order and where the camera first put it.
    const ByteOrder noteOrder = c.footer ? c.makerNoteOrder : c.tiffOrder;
    const std::size_t footer = makerNote.value + makerNote.count - 8;
    if (c.footer) {
        EXPECT_EQ(tiff.Text(footer, 2), noteOrder == ByteOrder::Little ? "II" : "MM");
        EXPECT_EQ(tiff.U16(footer + 2, noteOrder), 42);
        EXPECT_EQ(static_cast<std::int64_t>(makerNote.value) - tiff.U32(footer + 4, noteOrder), c.relocation);
    } else {
        EXPECT_NE(tiff.Text(footer, 2), noteOrder == ByteOrder::Little ? "II" : "MM");
    }
    const std::int64_t delta = c.footer ? c.relocation : 0;
    const auto note = ReadIfd(tiff, makerNote.value, noteOrder);
    ASSERT_EQ(note.count(0x0019), 1U);
    EXPECT_EQ(note.at(0x0019).type, 3);
    EXPECT_EQ(note.at(0x0019).count, 1U);
    EXPECT_EQ(note.at(0x0019).value, 1U);

    // The record the reader takes: LONG when present, else SHORT.
    const bool isLong = c.kind == RecordKind::Long || c.bothRecords;
    const std::uint16_t recordTag = isLong ? 0x0034 : 0x0011;
    ASSERT_EQ(note.count(recordTag), 1U);
    EXPECT_EQ(note.count(0x0011), c.kind == RecordKind::Short || c.bothRecords ? 1U : 0U);
    const Entry record = note.at(recordTag);
    EXPECT_EQ(record.type, isLong ? 4 : 3);
    const std::size_t at = static_cast<std::size_t>(record.value + delta);
    EXPECT_EQ(layout.recordOffset, app1 + 10 + at);
    EXPECT_EQ(layout.recordSize, record.count * (isLong ? 4U : 2U));
    if (isLong) {
        EXPECT_EQ(tiff.U32(at, noteOrder), 132U);
        std::map<unsigned, unsigned> tagged;
        const std::uint32_t n = tiff.U32(at + 4, noteOrder);
        ASSERT_LE(8 + 4 * n, 84U);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t value = tiff.U32(at + 8 + 4 * i, noteOrder);
            tagged[value >> 24] = value & 0xFFFF;
        }
        EXPECT_EQ(tagged.at(1), 11U);
        EXPECT_EQ(tagged.at(2), 4U);
        EXPECT_EQ(tiff.U32(at + 84, noteOrder), 70000U);
        EXPECT_EQ(tiff.U32(at + 104, noteOrder), 0x89ABCU);
        EXPECT_EQ(tiff.U32(at + 108, noteOrder), 4321U);
        EXPECT_EQ(tiff.U32(at + 112, noteOrder), 0x01234567U);
        EXPECT_EQ(tiff.U32(at + 116, noteOrder), 15U);
        EXPECT_EQ(tiff.U32(at + 120, noteOrder), 30U);
        EXPECT_EQ(tiff.U32(at + 124, noteOrder), 3U);
        EXPECT_EQ(tiff.U32(at + 128, noteOrder), 2335666U);
        EXPECT_EQ(layout.movFileSizeOffset, layout.recordOffset + 112);
    } else {
        EXPECT_EQ(tiff.U16(at, noteOrder), c.shortRecordSize);
        EXPECT_EQ(tiff.U16(at + 4, noteOrder), 0xFFFF);  // the count clipped to 16 bits
        EXPECT_EQ(tiff.U32(at + 8, noteOrder), 70000U);
        EXPECT_EQ(tiff.U16(at + 16, noteOrder), 11);
        EXPECT_EQ(tiff.U32(at + 40, noteOrder), 0x89ABCU);
        EXPECT_EQ(tiff.U32(at + 44, noteOrder), 4321U);
        EXPECT_EQ(tiff.U32(at + 212, noteOrder), 2335666U);
        EXPECT_EQ(tiff.U32(at + 240, noteOrder), 0x01234567U);
        EXPECT_EQ(tiff.U16(at + 244, noteOrder), 15);
        if (c.shortRecordSize >= 262) {
            EXPECT_EQ(tiff.U16(at + 256, noteOrder), 30);
            EXPECT_EQ(tiff.U16(at + 258, noteOrder), 4);
        }
        EXPECT_EQ(layout.movFileSizeOffset, layout.recordOffset + 240);
    }

    // The image identifier.
    ASSERT_EQ(note.count(0x0028), c.imageIdSize != 0 ? 1U : 0U);
    EXPECT_EQ(layout.imageIdSize, c.imageIdSize);
    if (c.imageIdSize != 0) {
        EXPECT_EQ(note.at(0x0028).count, c.imageIdSize);
        EXPECT_EQ(layout.imageIdOffset, static_cast<std::int64_t>(app1 + 10 + note.at(0x0028).value) + delta);
    } else {
        EXPECT_EQ(layout.imageIdOffset, 0U);
    }
}

INSTANTIATE_TEST_SUITE_P(Records, ThumbnailBuilderTest, ::testing::ValuesIn(ThumbnailCases),
                         [](const ::testing::TestParamInfo<ThumbnailCase>& param) { return std::string(param.param.name); });

TEST(ThumbnailRecordVariantsTest, LongRecordModeTags) {
    struct Case {
        bool modeTag;
        bool twoModeTags;
        std::vector<unsigned> modeValues;  // the tag-1 values in order
    };
    const Case cases[] = {{true, false, {11}}, {true, true, {12, 11}}, {false, false, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.modeTag << c.twoModeTags);
        ThumbnailSpec spec;
        spec.recordKind = RecordKind::Long;
        spec.longRecordModeTag = c.modeTag;
        spec.longRecordTwoModeTags = c.twoModeTags;
        ThumbnailLayout layout;
        const std::vector<std::uint8_t> jpeg = sample::BuildThumbnail(spec, &layout);
        const Ordered record(jpeg, layout.recordOffset);
        std::vector<unsigned> modeValues;
        for (std::uint32_t i = 0; i < record.U32(4, ByteOrder::Little); ++i) {
            const std::uint32_t value = record.U32(8 + 4 * i, ByteOrder::Little);
            if (value >> 24 == 1) modeValues.push_back(value & 0xFFFF);
        }
        EXPECT_EQ(modeValues, c.modeValues);
    }
}

TEST(ThumbnailRecordVariantsTest, MakeTextIsWrittenAsGiven) {
    for (const std::string make : {"Zenti", "Zenti ", "Zen"}) {
        SCOPED_TRACE(make);
        ThumbnailSpec spec;
        spec.make = make;
        const std::vector<std::uint8_t> jpeg = sample::BuildThumbnail(spec);
        const Ordered tiff(jpeg, 12);
        const auto ifd0 = ReadIfd(tiff, tiff.U32(4, ByteOrder::Little), ByteOrder::Little);
        const Entry entry = ifd0.at(0x010F);
        EXPECT_EQ(entry.count, make.size() + 1);
        std::string stored;
        if (entry.count <= 4) {
            stored = tiff.Text(8 + 2 + 8, entry.count);  // inside the first entry of IFD 0
        } else {
            stored = tiff.Text(entry.value, entry.count);
        }
        EXPECT_EQ(stored, make + std::string(1, '\0'));
    }
}

TEST(ThumbnailRecordVariantsTest, RejectsRecordSizesThatCannotHoldTheirFields) {
    struct Case {
        RecordKind kind;
        unsigned shortSize;
        unsigned longSize;
    };
    for (const Case& c : {Case{RecordKind::Short, 261, 132}, Case{RecordKind::Short, 0, 132},
                          Case{RecordKind::Long, 262, 130}, Case{RecordKind::Long, 262, 4}}) {
        SCOPED_TRACE(testing::Message() << c.shortSize << "/" << c.longSize);
        ThumbnailSpec spec;
        spec.recordKind = c.kind;
        spec.shortRecordSize = c.shortSize;
        spec.longRecordSize = c.longSize;
        EXPECT_THROW(sample::BuildThumbnail(spec), std::invalid_argument);
    }
}

TEST(ThumbnailRecordVariantsTest, ImageWithoutTablesIsRefused) {
    ThumbnailSpec spec;
    spec.image = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_THROW(sample::BuildThumbnail(spec), std::invalid_argument);
    spec.image = {0x00, 0x01, 0x02, 0x03};
    EXPECT_THROW(sample::BuildThumbnail(spec), std::invalid_argument);
}

}
}
}
