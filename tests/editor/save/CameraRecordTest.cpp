#include "tests/editor/save/DecodedMedia.h"
#include "tests/editor/save/SaveFixture.h"

#include "MovieDetails.h"
#include "editor/EditorPrivateAccess.h"
#include "source/MovieDesc.h"
#include "source/MoviePrivateAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace clipreel {
namespace test {
namespace {

// Where the rewritten fields of each record layout lie.
struct RecordFields {
    std::size_t frameCount;
    int frameCount16;  // -1: none
    std::size_t cleared[3];
    std::size_t firstFrameOffset;
    std::size_t firstFrameSize;
    std::size_t fileSize;
    int three;         // -1: none
    std::size_t durationMs;
};
constexpr RecordFields LongFields = {84, -1, {88, 92, 96}, 104, 108, 112, 124, 128};
constexpr RecordFields ShortFields = {8, 4, {26, 30, 34}, 40, 44, 240, -1, 212};

// Which creator version and record kind a save can refresh: the movie's
// details say so before anything is written, in words the tools show, and
// the save agrees, writing a reel where they see no problem and refusing
// before the destination exists where they see one.
TEST(CameraRecord, TheDetailsNameTheRecordsTheSaveCannotRefresh) {
    struct Case {
        const char* name;
        unsigned creatorVersion;
        sample::RecordKind kind;
        ByteOrder order;
        const char* problem;  // empty: the save refreshes it
    };
    const Case cases[] = {
        {"version 6, SHORT", 6, sample::RecordKind::Short, ByteOrder::Little, ""},
        {"version 10, LONG, MM", 10, sample::RecordKind::Long, ByteOrder::Big, ""},
        {"version 6, LONG", 6, sample::RecordKind::Long, ByteOrder::Little,
         "its camera record is LONG, while creator version 6 writes a SHORT one, the only kind the save refreshes "
         "for it"},
        {"version 10, SHORT, MM", 10, sample::RecordKind::Short, ByteOrder::Big,
         "its camera record is SHORT, while creator version 10 writes a LONG one, the only kind the save refreshes "
         "for it"},
        {"version 7, SHORT", 7, sample::RecordKind::Short, ByteOrder::Little,
         "the save knows creator versions 6 and 10 only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        sample::SampleMovieSpec spec;
        spec.creatorVersion = c.creatorVersion;
        spec.recordKindFromVersion = false;
        spec.recordKind = c.kind;
        spec.makerNoteOrder = c.order;
        SampleReel source(dir, "source.mov", spec);
        ASSERT_TRUE(source.reel->IsValid());
        EXPECT_EQ(c.problem, CMovieDetails(*source.file->GetZentiMovie()).GetRecordRefreshProblem());

        ASSERT_TRUE(source.reel->RemoveShootingUnit(2));
        CClipreelMovFileEditor editor(*source.file);
        const auto result = editor.CreateNewMovFile(FileLocator(dir.WideFile("out.mov").c_str()), source.reel.get());
        if (std::string(c.problem).empty()) {
            ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, result);
            ExpectCameraReel(dir.File("out.mov"), 2, spec.framesPerUnit, source.layout.thumbnail);
        } else {
            EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR, result);
            EXPECT_FALSE(std::filesystem::exists(dir.File("out.mov")));
        }
    }
}

struct RecordCase {
    unsigned creatorVersion;
    ByteOrder makerNoteOrder;
    ByteOrder tiffOrder;
    bool imageId;
};

std::string CaseName(const RecordCase& c) {
    return "version " + std::to_string(c.creatorVersion) + (c.makerNoteOrder == ByteOrder::Big ? " MM" : " II") +
           (c.tiffOrder == ByteOrder::Big ? " (TIFF MM)" : " (TIFF II)") + (c.imageId ? " with id" : " without id");
}

// Removing a later unit: the record describes the new file (frames, first
// frame, duration, size, a new identifier) in the maker note's byte order,
// and the image and the 'ZTDA' size stay as they were.
TEST(CameraRecord, DescribesTheNewFileInTheRecordsOwnLayoutAndByteOrder) {
    const RecordCase cases[] = {
        {6, ByteOrder::Little, ByteOrder::Little, true}, {6, ByteOrder::Big, ByteOrder::Little, true},
        {10, ByteOrder::Little, ByteOrder::Little, true}, {10, ByteOrder::Big, ByteOrder::Big, true},
        {6, ByteOrder::Big, ByteOrder::Big, false},      {10, ByteOrder::Little, ByteOrder::Big, false},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(CaseName(c));
        TempDir dir;
        sample::SampleMovieSpec spec;
        spec.units = 3;
        spec.creatorVersion = c.creatorVersion;
        spec.makerNoteOrder = c.makerNoteOrder;
        spec.tiffOrder = c.tiffOrder;
        spec.imageId = c.imageId;
        SampleReel source(dir, "source.mov", spec);
        ASSERT_TRUE(source.reel->RemoveShootingUnit(2));
        CClipreelMovFileEditor editor(*source.file);
        ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
                  editor.CreateNewMovFile(FileLocator(dir.WideFile("out.mov").c_str()), source.reel.get()));

        const Bytes out = ReadFileBytes(dir.File("out.mov"));
        CZentiMovFile outFile(FileLocator(dir.WideFile("out.mov").c_str()));
        ASSERT_TRUE(outFile.IsValid());
        ASSERT_TRUE(outFile.GetZentiMovie()->IsClipreelMovie(nullptr));
        const Bytes thumbnail = ThumbnailOf(*outFile.GetZentiMovie());
        const Bytes& old = source.layout.thumbnail;
        const sample::ThumbnailLayout& where = source.layout.thumbnailLayout;
        ASSERT_EQ(old.size(), thumbnail.size());

        const bool big = c.makerNoteOrder == ByteOrder::Big;
        const RecordFields& fields = c.creatorVersion == 10 ? LongFields : ShortFields;
        const std::size_t record = where.recordOffset;
        const Atom mdat = FindTopAtom(out, "mdat");
        const sample::UnitLayout& first = source.layout.units[0];
        const unsigned frames = source.FrameCount({0, 1});
        EXPECT_EQ(frames, U32In(thumbnail, record + fields.frameCount, big));
        if (fields.frameCount16 >= 0) {
            EXPECT_EQ(frames, U16In(thumbnail, record + fields.frameCount16, big));
        }
        for (std::size_t cleared : fields.cleared) EXPECT_EQ(0u, U32In(thumbnail, record + cleared, big)) << cleared;
        EXPECT_EQ(mdat.offset + 8 + (first.frames[0].offset - first.offset),
                  U32In(thumbnail, record + fields.firstFrameOffset, big));
        EXPECT_EQ(first.frames[0].size, U32In(thumbnail, record + fields.firstFrameSize, big));
        EXPECT_EQ(out.size(), U32In(thumbnail, record + fields.fileSize, big));
        if (fields.three >= 0) {
            EXPECT_EQ(3u, U32In(thumbnail, record + fields.three, big));
        }
        const std::uint64_t durationMs =
            std::uint64_t(frames) * source.spec.frameDuration * 1000 / source.spec.timeScale;
        EXPECT_EQ(durationMs, U32In(thumbnail, record + fields.durationMs, big));

        if (c.imageId) {
            ASSERT_EQ(16u, where.imageIdSize);
            const Bytes oldId = Slice(old, where.imageIdOffset, 16);
            const Bytes newId = Slice(thumbnail, where.imageIdOffset, 16);
            EXPECT_FALSE(oldId == newId);
            EXPECT_EQ(0x40, newId[7] & 0xF0) << "a version-4 GUID in memory order";
        }

        // Every other byte is the old thumbnail's: the record's untouched
        // bytes, the Exif segment around it and the whole image.
        Bytes expected = old;
        Bytes actual = thumbnail;
        auto blank = [&](std::size_t offset, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) expected[offset + i] = actual[offset + i] = 0;
        };
        blank(record + fields.frameCount, 4);
        if (fields.frameCount16 >= 0) blank(record + fields.frameCount16, 2);
        for (std::size_t cleared : fields.cleared) blank(record + cleared, 4);
        blank(record + fields.firstFrameOffset, 4);
        blank(record + fields.firstFrameSize, 4);
        blank(record + fields.fileSize, 4);
        if (fields.three >= 0) blank(record + fields.three, 4);
        blank(record + fields.durationMs, 4);
        if (c.imageId) blank(where.imageIdOffset, 16);
        EXPECT_TRUE(expected == actual);
    }
}

// The SHORT record's 16-bit count saturates; its 32-bit count keeps the
// true number.
TEST(CameraRecord, ClipsTheShortRecordsSixteenBitFrameCount) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.units = 2200;  // 66,000 frames of 30
    spec.width = 16;
    spec.height = 16;
    spec.sound.present = false;
    spec.creatorVersion = 6;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.reel->IsValid());
    ASSERT_TRUE(source.reel->RemoveShootingUnit(7));
    CClipreelMovFileEditor editor(*source.file);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              editor.CreateNewMovFile(FileLocator(dir.WideFile("out.mov").c_str()), source.reel.get()));
    CZentiMovFile outFile(FileLocator(dir.WideFile("out.mov").c_str()));
    ASSERT_TRUE(outFile.IsValid());
    const Bytes thumbnail = ThumbnailOf(*outFile.GetZentiMovie());
    const std::size_t record = source.layout.thumbnailLayout.recordOffset;
    const unsigned frames = outFile.GetZentiMovie()->GetVideoFrameCount();
    ASSERT_EQ(2199u * 30u, frames);
    EXPECT_EQ(0xFFFFu, U16In(thumbnail, record + ShortFields.frameCount16, false));
    EXPECT_EQ(frames, U32In(thumbnail, record + ShortFields.frameCount, false));
}

// Moves the maker note's image identifier (tag 0x0028, 16 bytes UNDEFINED,
// little-endian maker note) by `by` bytes in a sample movie's bytes.
void MoveImageIdentifier(Bytes& movie, const sample::SampleMovieLayout& layout, int by) {
    const Bytes entry = {0x28, 0x00, 0x07, 0x00, 0x10, 0x00, 0x00, 0x00};
    const auto thumbnail = movie.begin() + static_cast<std::ptrdiff_t>(layout.thumbnailOffset);
    const auto found = std::search(thumbnail, thumbnail + static_cast<std::ptrdiff_t>(layout.thumbnail.size()),
                                   entry.begin(), entry.end());
    ASSERT_NE(thumbnail + static_cast<std::ptrdiff_t>(layout.thumbnail.size()), found);
    const std::size_t value = static_cast<std::size_t>(found - movie.begin()) + entry.size();
    const std::uint32_t moved = U32In(movie, value, false) + static_cast<std::uint32_t>(by);
    for (std::size_t i = 0; i < 4; ++i) movie[value + i] = static_cast<std::uint8_t>(moved >> (8 * i));
}

// A maker note whose identifier shares bytes with the maker-note footer or
// with the record still reads as a valid camera movie, but a new identifier
// would overwrite the footer (the record is then no longer found) or the
// record's fields. The save refuses it before writing anything, and
// updateTHMData leaves such a movie as it was.
TEST(CameraRecord, RefusesARecordThatTheNewIdentifierWouldOverwrite) {
    struct Case {
        const char* name;
        int moveBy;
        int relocation;  // the maker note's move since the camera wrote it, which only the footer tells
    };
    const Case cases[] = {
        {"identifier over the footer of a moved maker note", 8, 40},
        {"identifier over the record's last fields", -16, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        sample::SampleMovieSpec spec;
        spec.units = 2;
        spec.creatorVersion = 6;
        spec.makerNoteRelocation = c.relocation;
        sample::SampleMovieLayout layout;
        Bytes bytes = sample::BuildSampleMovie(spec, &layout);
        ASSERT_EQ(16u, layout.thumbnailLayout.imageIdSize);
        MoveImageIdentifier(bytes, layout, c.moveBy);
        WriteFileBytes(dir.File("source.mov"), bytes);
        const CZentiMovFile file(FileLocator(dir.WideFile("source.mov").c_str()));
        ASSERT_TRUE(file.IsValid());
        ASSERT_TRUE(file.GetZentiMovie()->IsClipreelMovie(nullptr));
        CClipreelMovie reel(&file);
        ASSERT_TRUE(reel.RemoveShootingUnit(1));

        CClipreelMovFileEditor editor(file);
        EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR,
                  editor.CreateNewMovFile(FileLocator(dir.WideFile("out.mov").c_str()), &reel));
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.mov")));

        const auto movie =
            MoviePrivateAccess::NewMovie(MoviePrivateAccess::GetAtomHeader(*file.GetZentiMovie()), nullptr);
        const auto* atom = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(*movie));
        const Bytes before(atom, atom + MoviePrivateAccess::GetAtomSize(*movie));
        EXPECT_FALSE(EditorPrivateAccess::updateTHMData(editor, movie.get(), 123456, nullptr, 0));
        EXPECT_TRUE(before == Bytes(atom, atom + MoviePrivateAccess::GetAtomSize(*movie)));
    }
}

// updateTHMData on a copy of the source's own movie atom, as the writer
// calls it, so that each refusal can be checked for leaving every byte alone.
class UpdateThumbnail : public ::testing::Test {
protected:
    void Load(const sample::SampleMovieSpec& spec) {
        source = std::make_unique<SampleReel>(dir, "source.mov", spec);
        ASSERT_NE(nullptr, source->file->GetZentiMovie());
        const CZentiMovie& original = *source->file->GetZentiMovie();
        movie = MoviePrivateAccess::NewMovie(MoviePrivateAccess::GetAtomHeader(original), nullptr);
        editor = std::make_unique<CClipreelMovFileEditor>(*source->file);
    }
    Bytes MovieBytes() const {
        const auto* p = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(*movie));
        return Bytes(p, p + MoviePrivateAccess::GetAtomSize(*movie));
    }
    bool Update(const Bytes* jpeg, std::int64_t fileSize = 123456) {
        return EditorPrivateAccess::updateTHMData(*editor, movie.get(), fileSize, jpeg ? jpeg->data() : nullptr,
                                                  jpeg ? static_cast<unsigned>(jpeg->size()) : 0);
    }

    TempDir dir;
    std::unique_ptr<SampleReel> source;
    std::unique_ptr<CZentiMovie> movie;
    std::unique_ptr<CClipreelMovFileEditor> editor;
};

// A small JPEG image: SOI, an APP0 to drop, one table of `tableBytes`
// payload bytes, EOI.
Bytes TinyJpeg(std::size_t tableBytes, std::uint8_t fill = 0x5A) {
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x01, 0x02, 0xFF, 0xDB};
    jpeg.push_back(static_cast<std::uint8_t>((tableBytes + 2) >> 8));
    jpeg.push_back(static_cast<std::uint8_t>(tableBytes + 2));
    jpeg.insert(jpeg.end(), tableBytes, fill);
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    return jpeg;
}

TEST_F(UpdateThumbnail, RefusesWithoutChangingAByte) {
    struct Case {
        std::string name;
        unsigned creatorVersion;
        bool longRecord;
        unsigned shortRecordSize;
        Bytes jpeg;  // empty: none
    };
    const Case cases[] = {
        {"version 10 with a SHORT record", 10, false, 262, {}},
        {"version 6 with a LONG record", 6, true, 262, {}},
        {"new JPEG without start of image", 6, false, 262, Bytes{0x00, 0xD8, 0xFF, 0xDB, 0x00, 0x02}},
        {"new JPEG scanning before any table", 6, false, 262,
         Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xDB, 0x00, 0x02, 0xFF, 0xD9}},
        {"new image larger than the old thumbnail's room", 6, false, 262, TinyJpeg(20000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec;
        spec.units = 2;
        spec.creatorVersion = c.creatorVersion;
        spec.recordKindFromVersion = false;
        spec.recordKind = c.longRecord ? sample::RecordKind::Long : sample::RecordKind::Short;
        spec.shortRecordSize = c.shortRecordSize;
        Load(spec);
        const Bytes before = MovieBytes();
        EXPECT_FALSE(Update(c.jpeg.empty() ? nullptr : &c.jpeg));
        EXPECT_TRUE(before == MovieBytes());
    }
}

// A spliced thumbnail never becomes shorter than the reader's smallest
// thumbnail: the old bytes past the new image's end keep it at 1024 bytes.
TEST_F(UpdateThumbnail, KeepsTheThumbnailReadableWhenTheNewImageIsTiny) {
    sample::SampleMovieSpec spec;
    spec.units = 2;
    Load(spec);
    const Bytes old = ThumbnailOf(*movie);
    const std::uint32_t pos = source->layout.thumbnailLayout.exifSegmentEnd;
    const Bytes jpeg = TinyJpeg(4);
    const std::size_t imageData = jpeg.size() - 8;  // from FF DB on
    ASSERT_LT(pos + imageData, 1024u);
    ASSERT_TRUE(Update(&jpeg));
    const Bytes now = ThumbnailOf(*movie);
    ASSERT_EQ(1024u, now.size());
    EXPECT_TRUE(Slice(now, pos, imageData) == Slice(jpeg, 8, imageData));
    EXPECT_TRUE(Slice(now, pos + imageData, 1024 - pos - imageData) == Slice(old, pos + imageData, 1024 - pos - imageData));
    const MovieDesc desc(static_cast<unsigned>(now.size()), now.data());
    EXPECT_TRUE(desc.valid);
    EXPECT_EQ(123456u, desc.movFileSize);
}

// A new image that just fits ends the payload exactly at its end.
TEST_F(UpdateThumbnail, SplicesTheNewImageDataAfterTheExifSegment) {
    sample::SampleMovieSpec spec;
    spec.units = 2;
    Load(spec);
    const Bytes old = ThumbnailOf(*movie);
    const std::uint32_t pos = source->layout.thumbnailLayout.exifSegmentEnd;
    const std::size_t room = old.size() - pos;
    const std::size_t tableBytes = room - 6;  // FF DB, length, table, FF D9
    const Bytes jpeg = TinyJpeg(tableBytes, 0x33);
    const Bytes before = MovieBytes();
    ASSERT_TRUE(Update(&jpeg));
    const Bytes now = ThumbnailOf(*movie);
    ASSERT_EQ(old.size(), now.size());
    EXPECT_TRUE(Slice(now, pos, room) == Slice(jpeg, 8, room));
    EXPECT_EQ(before.size(), MovieBytes().size());

    // One byte more does not fit.
    Load(spec);
    const Bytes tooLong = TinyJpeg(tableBytes + 1, 0x33);
    const Bytes unchanged = MovieBytes();
    EXPECT_FALSE(Update(&tooLong));
    EXPECT_TRUE(unchanged == MovieBytes());
}

}
}
}
