#include "ZentiMovFile.h"
#include "ZentiMovie.h"

#include "tests/source/SourceFixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace clipreel {
namespace {

using sample::SampleMovieSpec;
using test::Build;
using test::BuiltMovie;
using test::ParseMovie;
using test::SmallReelSpec;

TEST(CameraData, CreatorVersionComesFromTheZTCVRecord) {
    struct Case {
        std::string payload;
        unsigned specVersion;  // also chooses the record kind the thumbnail carries
        unsigned expected;
    };
    const Case cases[] = {
        {"ZentiAVC0006", 6, 6},
        {"ZentiAVC0010", 10, 10},
        {"ZentiAVC0007" + std::string(18, 'x'), 7, 7},
        {"ZentiAVC00A6", 6, 0},
        {"ZentiAVC0006abcd", 6, 0},
        {"ZentiAVC006", 6, 0},
        {"ZentiAVX0006", 6, 0},
        {"zentiAVC0006", 6, 0},
        {"ZentiAVC0000", 6, 0},
        {"ZentiAVC 006", 6, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        SampleMovieSpec spec = SmallReelSpec();
        spec.creatorVersion = c.specVersion;
        spec.breakage.ztcvPayload = c.payload;
        const auto movie = ParseMovie(spec);
        EXPECT_EQ(movie->GetCreatorVersion(), c.expected);
        EXPECT_EQ(movie->IsValid(), c.expected != 0);
    }
}

// The user-data search ends at a child that is shorter than a header or
// reaches past the 'udta'; what lies behind it is not found.
TEST(CameraData, UserDataSearchEndsAtABrokenChild) {
    struct Case {
        std::string name;
        const char* child;
        std::uint32_t (*size)(std::uint32_t udtaSize, std::uint32_t childSize);
        bool ztcv, ztth;
        unsigned creatorVersion;
    };
    const Case cases[] = {
        {"creator record of size 4", "ZTCV", [](std::uint32_t, std::uint32_t) { return 4u; }, false, false, 0},
        {"creator record of size 0", "ZTCV", [](std::uint32_t, std::uint32_t) { return 0u; }, false, false, 0},
        {"creator record reaching past the user data", "ZTCV",
         [](std::uint32_t udta, std::uint32_t) { return udta; }, false, false, 0},
        {"thumbnail atom reaching past the user data", "ZTTH",
         [](std::uint32_t udta, std::uint32_t child) { return udta + child; }, true, false, 6},
        {"thumbnail atom ending exactly at the user data's end", "ZTTH",
         [](std::uint32_t, std::uint32_t child) { return child; }, true, true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> moov = Build(SmallReelSpec()).MovieAtomBytes();
        const std::size_t udta = test::FindAtom(moov, 0, {"udta"});
        const std::size_t child = test::FindAtom(moov, udta, {c.child});
        test::PutU32At(moov, child, c.size(test::U32At(moov, udta), test::U32At(moov, child)));
        const auto movie = ParseMovie(moov);
        EXPECT_EQ(MoviePrivateAccess::GetUserData(*movie, FourCC("ZTCV")) != nullptr, c.ztcv);
        EXPECT_EQ(MoviePrivateAccess::GetUserData(*movie, FourCC("ZTTH")) != nullptr, c.ztth);
        unsigned size = 0;
        EXPECT_EQ(MoviePrivateAccess::GetTHMData(*movie, size) != nullptr, c.ztth);
        EXPECT_EQ(movie->GetCreatorVersion(), c.creatorVersion);
        // Version 6 needs the thumbnail's frames per unit to be valid.
        EXPECT_EQ(movie->IsValid(), c.ztth);
    }
}

TEST(CameraData, ThumbnailIsTheZTDAPayloadInsideTheCopy) {
    const BuiltMovie built = Build(SmallReelSpec());
    const auto movie = ParseMovie(built.MovieAtomBytes());
    unsigned size = 0;
    const void* thumbnail = MoviePrivateAccess::GetTHMData(*movie, size);
    ASSERT_NE(thumbnail, nullptr);
    ASSERT_EQ(size, built.layout.thumbnail.size());
    const auto* bytes = static_cast<const std::uint8_t*>(thumbnail);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + size), built.layout.thumbnail);
    const auto* copy = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(*movie));
    EXPECT_EQ(static_cast<std::uint64_t>(bytes - copy), built.layout.thumbnailOffset - built.layout.moovOffset);

    const AtomHeader* ztcv = MoviePrivateAccess::GetUserData(*movie, FourCC("ZTCV"));
    ASSERT_NE(ztcv, nullptr);
    EXPECT_EQ(ByteReader::Decode<std::uint32_t>(ztcv->type, ByteOrder::Big), FourCC("ZTCV"));
    EXPECT_EQ(MoviePrivateAccess::GetUserData(*movie, FourCC("none")), nullptr);
}

TEST(CameraData, NoThumbnailMeansNoDescription) {
    SampleMovieSpec spec = SmallReelSpec();
    spec.breakage.noThumbnail = true;
    const auto movie = ParseMovie(spec);
    unsigned size = 123;
    EXPECT_EQ(MoviePrivateAccess::GetTHMData(*movie, size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(MoviePrivateAccess::UpdateZTDAAtomSize(*movie, 100));
    EXPECT_EQ(MoviePrivateAccess::GetMovieDescMovieMode(*movie), 0);
    EXPECT_EQ(MoviePrivateAccess::GetMovieDescMovFileSize(*movie), 0u);
    EXPECT_EQ(MoviePrivateAccess::GetMovieDescFramePerUnit(*movie), 0);
    EXPECT_EQ(MoviePrivateAccess::GetMovieDescMontagioTime(*movie), 0);
    // Version 6 must state its frames per unit: no unit, not valid.
    EXPECT_FALSE(movie->IsValid());
}

TEST(CameraData, UpdateZTDAAtomSizeWritesTheSizeVerbatim) {
    const BuiltMovie built = Build(SmallReelSpec());
    const auto movie = ParseMovie(built.MovieAtomBytes());
    ASSERT_TRUE(MoviePrivateAccess::UpdateZTDAAtomSize(*movie, 8 + 1500));
    unsigned size = 0;
    ASSERT_NE(MoviePrivateAccess::GetTHMData(*movie, size), nullptr);
    EXPECT_EQ(size, 1500u);
    const auto* copy = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(*movie));
    const std::size_t ztda = static_cast<std::size_t>(built.layout.thumbnailOffset - built.layout.moovOffset - 8);
    EXPECT_EQ(ByteReader::Decode<std::uint32_t>(copy + ztda, ByteOrder::Big), 1508u);

    // A size that would reach past its 'ZTTH' leaves the movie without a thumbnail.
    ASSERT_TRUE(MoviePrivateAccess::UpdateZTDAAtomSize(*movie, static_cast<unsigned>(built.layout.thumbnail.size() + 9)));
    EXPECT_EQ(MoviePrivateAccess::GetTHMData(*movie, size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ByteReader::Decode<std::uint32_t>(copy + ztda, ByteOrder::Big), built.layout.thumbnail.size() + 9);
    EXPECT_FALSE(MoviePrivateAccess::UpdateZTDAAtomSize(*movie, 8));
    // Below the header size it is no atom either.
    const auto fresh = ParseMovie(built.MovieAtomBytes());
    ASSERT_TRUE(MoviePrivateAccess::UpdateZTDAAtomSize(*fresh, 7));
    EXPECT_EQ(MoviePrivateAccess::GetTHMData(*fresh, size), nullptr);
}

TEST(CameraData, MovieDescriptionQueriesReadTheThumbnailRecord) {
    struct Case {
        std::string name;
        void (*change)(SampleMovieSpec&);
        unsigned short mode, framePerUnit, montagioTime;
        bool fileSize;  // the record's size is the file's
    };
    const Case cases[] = {
        {"short record", [](SampleMovieSpec&) {}, 11, 30, 0, true},
        {"long record", [](SampleMovieSpec& s) { s.creatorVersion = 10; }, 11, 30, 0, true},
        {"Montagio clip time", [](SampleMovieSpec& s) { s.montagioTime = 8; }, 11, 30, 8, true},
        {"other movie mode", [](SampleMovieSpec& s) { s.movieMode = 3; }, 3, 30, 0, true},
        {"short record of 250 bytes", [](SampleMovieSpec& s) {
             s.shortRecordSize = 250;
             s.creatorVersion = 5;
         }, 11, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec = SmallReelSpec();
        c.change(spec);
        const BuiltMovie built = Build(spec);
        const auto movie = ParseMovie(built.MovieAtomBytes());
        EXPECT_EQ(MoviePrivateAccess::GetMovieDescMovieMode(*movie), c.mode);
        EXPECT_EQ(MoviePrivateAccess::GetMovieDescFramePerUnit(*movie), c.framePerUnit);
        EXPECT_EQ(MoviePrivateAccess::GetMovieDescMontagioTime(*movie), c.montagioTime);
        EXPECT_EQ(MoviePrivateAccess::GetMovieDescMovFileSize(*movie), built.file.size());
    }
}

class MovieKindTest : public testing::Test {
protected:
    // The movie of a written file, with the file behind it.
    std::unique_ptr<CZentiMovFile> Open(const SampleMovieSpec& spec, const std::string& name = "reel.mov") {
        sample::WriteSampleMovie(dir.File(name), spec);
        const std::wstring path = dir.WideFile(name);
        return std::make_unique<CZentiMovFile>(FileLocator(path.c_str()));
    }
    test::TempDir dir;
};

TEST_F(MovieKindTest, ClipreelMovieCases) {
    struct Case {
        std::string name;
        void (*change)(SampleMovieSpec&);
        bool clipreel;
        std::uint32_t units;
    };
    const Case cases[] = {
        {"1200 frames of 120 per unit", [](SampleMovieSpec&) {}, true, 10},
        {"1210 frames", [](SampleMovieSpec& s) { s.breakage.extraFrames = 10; }, false, 0},
        {"recorded size one more than the file", [](SampleMovieSpec& s) { s.breakage.wrongRecordedFileSize = true; },
         false, 0},
        {"movie mode 12", [](SampleMovieSpec& s) { s.movieMode = 12; }, false, 0},
        {"creator version 5", [](SampleMovieSpec& s) { s.creatorVersion = 5; }, false, 0},
        {"creator version 10, long record", [](SampleMovieSpec& s) { s.creatorVersion = 10; }, true, 10},
        {"no sound", [](SampleMovieSpec& s) { s.sound.present = false; }, true, 10},
        {"one unit", [](SampleMovieSpec& s) { s.units = 1; }, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec = SmallReelSpec();
        spec.units = 10;
        spec.framesPerUnit = 120;
        spec.width = 16;
        spec.height = 16;
        c.change(spec);
        const auto file = Open(spec);
        ASSERT_TRUE(file->IsValid());
        CZentiMovie::ClipreelMovieInfo info{7, 7, 7};
        EXPECT_EQ(file->GetZentiMovie()->IsClipreelMovie(&info), c.clipreel);
        EXPECT_EQ(info.kind, c.clipreel ? 1 : 0);
        EXPECT_EQ(info.storedUnitsPerShootingUnit, c.clipreel ? 1u : 0u);
        EXPECT_EQ(info.shootingUnitCount, c.units);
        EXPECT_EQ(file->GetZentiMovie()->IsClipreelMovie(nullptr), c.clipreel);
    }
}

TEST_F(MovieKindTest, FileThatGrewAfterOpeningIsNoLongerAClipreelMovie) {
    const auto file = Open(SmallReelSpec());
    ASSERT_TRUE(file->GetZentiMovie()->IsClipreelMovie(nullptr));
    {
        std::ofstream grow(dir.File("reel.mov"), std::ios::binary | std::ios::app);
        grow.put('\0');
    }
    EXPECT_FALSE(file->GetZentiMovie()->IsClipreelMovie(nullptr));
    EXPECT_FALSE(file->GetZentiMovie()->IsMontagioMovie(nullptr));
}

TEST(CameraData, MovieWithoutAFileSkipsTheRecordedSizeTest) {
    SampleMovieSpec spec = SmallReelSpec();
    spec.breakage.wrongRecordedFileSize = true;
    const auto movie = ParseMovie(spec);
    CZentiMovie::ClipreelMovieInfo info{};
    EXPECT_TRUE(movie->IsClipreelMovie(&info));
    EXPECT_EQ(info.shootingUnitCount, 3u);
}

TEST_F(MovieKindTest, MontagioMovieCases) {
    struct Case {
        std::string name;
        std::uint32_t timeScale, frameDuration;
        unsigned framesPerUnit, groupOfPicture, units;
        std::uint16_t montagioTime;
        unsigned creatorVersion;
        bool montagio;
        CZentiMovie::MontagioMovieInfo expected;
    };
    const Case cases[] = {
        {"29.97, 4 s clips", 30000, 1001, 30, 15, 16, 4, 6, true, {4, false, 4, 4}},
        {"29.97, clip time 3", 30000, 1001, 30, 15, 16, 3, 6, false, {0, false, 0, 0}},
        {"29.97, whole movie", 30000, 1001, 30, 15, 3, 0xFFFF, 6, true, {0xFFFF, true, 3, 1}},
        {"25 counts as 24, 2 s clips", 25000, 1000, 12, 12, 8, 2, 6, true, {2, false, 4, 2}},
        {"59.94, 8 s clips", 60000, 1001, 30, 15, 16, 8, 6, true, {8, false, 16, 1}},
        {"50 counts as 48, 4 s clips", 50000, 1000, 24, 12, 16, 4, 6, true, {4, false, 8, 2}},
        {"20, 2 s clips", 2000, 100, 10, 10, 4, 2, 6, true, {2, false, 4, 1}},
        {"frames per second not a multiple of the unit", 30000, 1001, 45, 15, 16, 4, 6, false, {0, false, 0, 0}},
        {"rate outside the table", 600, 20, 30, 15, 16, 4, 6, false, {0, false, 0, 0}},
        {"frames not a whole number of clips", 30000, 1001, 30, 15, 15, 4, 6, false, {0, false, 0, 0}},
        {"creator version 10", 30000, 1001, 30, 15, 16, 4, 10, false, {0, false, 0, 0}},
        {"creator version 7", 30000, 1001, 30, 15, 16, 4, 7, false, {0, false, 0, 0}},
        {"clip time 0", 30000, 1001, 30, 15, 16, 0, 6, false, {0, false, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec = SmallReelSpec();
        spec.timeScale = c.timeScale;
        spec.frameDuration = c.frameDuration;
        spec.framesPerUnit = c.framesPerUnit;
        spec.groupOfPicture = c.groupOfPicture;
        spec.units = c.units;
        spec.montagioTime = c.montagioTime;
        spec.creatorVersion = c.creatorVersion;
        spec.sound.present = false;
        spec.width = 16;
        spec.height = 16;
        const auto file = Open(spec);
        ASSERT_TRUE(file->IsValid());
        CZentiMovie::MontagioMovieInfo info{9, true, 9, 9};
        EXPECT_EQ(file->GetZentiMovie()->IsMontagioMovie(&info), c.montagio);
        EXPECT_EQ(info.montagioTime, c.expected.montagioTime);
        EXPECT_EQ(info.wholeMovie, c.expected.wholeMovie);
        EXPECT_EQ(info.unitsPerClip, c.expected.unitsPerClip);
        EXPECT_EQ(info.clipCount, c.expected.clipCount);
    }
}

TEST_F(MovieKindTest, MontagioMovieNeedsTheRecordedFileSize) {
    SampleMovieSpec spec = SmallReelSpec();
    spec.montagioTime = 0xFFFF;
    spec.breakage.wrongRecordedFileSize = true;
    const auto file = Open(spec);
    ASSERT_TRUE(file->IsValid());
    CZentiMovie::MontagioMovieInfo info{9, true, 9, 9};
    EXPECT_FALSE(file->GetZentiMovie()->IsMontagioMovie(&info));
    EXPECT_EQ(info.montagioTime, 0);
    EXPECT_FALSE(info.wholeMovie);
}

}
}
