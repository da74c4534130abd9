#include "ZentiMovie.h"

#include "source/MovieTime.h"
#include "tests/source/SourceFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clipreel {
namespace {

using test::Build;
using test::BuiltMovie;
using test::FindAtom;
using test::U32At;
using test::ParseMovie;
using test::PutU32At;
using test::SmallReelSpec;

constexpr unsigned VideoTrack = 0;
constexpr unsigned SoundTrack = 1;

// The fixed answers of every sound query on a movie without usable sound.
void ExpectNoSoundAnswers(const CZentiMovie& movie) {
    EXPECT_FALSE(movie.HasSound());
    EXPECT_EQ(movie.GetSoundSampleCount(), 0u);
    EXPECT_EQ(movie.GetSoundChunkCount(), 0u);
    EXPECT_EQ(movie.GetSoundSamplesPerChunk(false), 0u);
    EXPECT_EQ(movie.GetSoundChunkSize(false), 0u);
    EXPECT_EQ(movie.GetSoundChunkFileOffset(0), 0u);
    EXPECT_EQ(MoviePrivateAccess::GetSoundDescription(movie), nullptr);
}

// Every video and sound query of a sample reel answers what the writer laid out.
TEST(ZentiMovie, QueriesAnswerTheWrittenLayout) {
    const BuiltMovie built = Build(SmallReelSpec());
    const sample::SampleMovieLayout& layout = built.layout;
    const auto movie = ParseMovie(built.MovieAtomBytes());
    ASSERT_TRUE(movie->IsValid());

    EXPECT_EQ(movie->GetTrackMediaCount(), 2u);
    EXPECT_EQ(movie->GetVideoMediaTimeScale(), 30000);
    EXPECT_EQ(movie->GetVideoFrameDuration(), 1001);
    EXPECT_EQ(movie->GetVideoMediaDuration(), 90 * 1001);
    EXPECT_EQ(movie->GetVideoFrameCount(), 90u);
    EXPECT_TRUE(movie->GetFrameRateInfo() == CFrameRateInfo2(30000, 1001));

    unsigned frame = 0;
    for (const sample::UnitLayout& unit : layout.units) {
        for (const sample::FrameLayout& written : unit.frames) {
            SCOPED_TRACE(frame);
            EXPECT_EQ(movie->GetVideoFrameFileOffset(frame), written.offset);
            EXPECT_EQ(movie->GetVideoFrameDataSize(frame), written.size);
            ++frame;
        }
    }
    EXPECT_EQ(frame, 90u);
    EXPECT_EQ(movie->GetVideoFrameFileOffset(90), 0u);
    EXPECT_EQ(movie->GetVideoFrameDataSize(90), 0u);
    EXPECT_EQ(movie->GetVideoFrameFileOffset(0xFFFFFFFFu), 0u);
    EXPECT_EQ(movie->GetVideoFrameDataSize(0xFFFFFFFFu), 0u);

    // 30 frames of 1001/30000 s at 48 kHz.
    ASSERT_EQ(layout.soundSamplesPerUnit, 48048u);
    EXPECT_TRUE(movie->HasSound());
    EXPECT_EQ(movie->GetSoundChunkCount(), 3u);
    EXPECT_EQ(movie->GetSoundSampleCount(), 3u * 48048u);
    EXPECT_EQ(movie->GetSoundSamplesPerChunk(false), 48048u);
    EXPECT_EQ(movie->GetSoundSamplesPerChunk(true), 0u);
    EXPECT_EQ(movie->GetSoundChunkSize(false), 48048u * 4u);
    EXPECT_EQ(movie->GetSoundChunkSize(true), 0u);
    for (unsigned k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(movie->GetSoundChunkFileOffset(k), layout.units[k].soundOffset);
        EXPECT_EQ(layout.units[k].soundSize, 48048u * 4u);
    }
    EXPECT_EQ(movie->GetSoundChunkFileOffset(3), 0u);
    ASSERT_NE(MoviePrivateAccess::GetSoundDescription(*movie), nullptr);
}

TEST(ZentiMovie, SoundDescriptionIsTheFirstEntryOfTheSoundTrack) {
    const BuiltMovie built = Build(SmallReelSpec());
    const auto movie = ParseMovie(built.MovieAtomBytes());
    const std::vector<std::uint8_t> moov = built.MovieAtomBytes();
    const std::size_t stsd = FindAtom(moov, 0, {"trak", "mdia", "minf", "stbl", "stsd"}, SoundTrack);
    const auto* description = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetSoundDescription(*movie));
    const auto* copy = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(*movie));
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description - copy, static_cast<std::ptrdiff_t>(stsd + 16));
    EXPECT_EQ(ByteReader::Decode<std::uint32_t>(description + 4, ByteOrder::Big), FourCC("sowt"));
}

TEST(ZentiMovie, VideoOnlyMovieHasFixedSoundAnswers) {
    sample::SampleMovieSpec spec = SmallReelSpec();
    spec.sound.present = false;
    const auto movie = ParseMovie(spec);
    ASSERT_TRUE(movie->IsValid());
    EXPECT_EQ(movie->GetTrackMediaCount(), 1u);
    ExpectNoSoundAnswers(*movie);
    EXPECT_EQ(MoviePrivateAccess::GetStoredSampleUnit(*movie)->soundSamplesPerUnit, 0u);
}

TEST(ZentiMovie, SoundWithAShorterLastChunkAnswersBothEntries) {
    sample::SampleMovieSpec spec = SmallReelSpec();
    spec.breakage.soundStscTwoEntries = true;
    const BuiltMovie built = Build(spec);
    const auto movie = ParseMovie(built.MovieAtomBytes());
    ASSERT_TRUE(movie->IsValid());
    const std::uint32_t lastSamples = built.layout.units.back().soundSize / built.layout.soundBytesPerFrame;
    ASSERT_NE(lastSamples, 48048u);
    EXPECT_EQ(movie->GetSoundSamplesPerChunk(false), 48048u);
    EXPECT_EQ(movie->GetSoundSamplesPerChunk(true), lastSamples);
    EXPECT_EQ(movie->GetSoundChunkSize(true), built.layout.units.back().soundSize);
}

// The media shapes the camera writes, and the ways out of them.
TEST(ZentiMovie, MediaCheckCases) {
    struct Case {
        std::string name;
        void (*change)(sample::SampleMovieSpec&);
        bool structure;
        bool media;
        bool valid;
    };
    const Case cases[] = {
        {"camera reel", [](sample::SampleMovieSpec&) {}, true, true, true},
        {"two samples per video chunk", [](sample::SampleMovieSpec& s) { s.breakage.twoSamplesPerVideoChunk = true; },
         true, false, false},
        {"two video data references", [](sample::SampleMovieSpec& s) { s.breakage.twoDataReferences = true; }, true,
         false, false},
        {"64-bit video chunk offsets", [](sample::SampleMovieSpec& s) { s.breakage.videoChunkOffsets64 = true; },
         false, false, false},
        {"no sync sample table", [](sample::SampleMovieSpec& s) { s.breakage.noSyncSample = true; }, true, true,
         true},
        {"frames after the last whole unit", [](sample::SampleMovieSpec& s) { s.breakage.extraFrames = 7; }, true,
         true, true},
        {"sound in another file", [](sample::SampleMovieSpec& s) { s.breakage.soundInOtherFile = true; }, true, true,
         true},
        {"movie-level free atoms and padding",
         [](sample::SampleMovieSpec& s) {
             s.movieFreeAtoms = 2;
             s.movieEndsWithFree = true;
         },
         true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec = SmallReelSpec();
        c.change(spec);
        const auto movie = ParseMovie(spec);
        EXPECT_EQ(MoviePrivateAccess::IsValidStructure(*movie), c.structure);
        EXPECT_EQ(MoviePrivateAccess::IsValidMedia(*movie), c.media);
        EXPECT_EQ(movie->IsValid(), c.valid);
        // A movie that fails either check never reads its creator version.
        EXPECT_EQ(movie->GetCreatorVersion(), c.structure && c.media ? 6u : 0u);
    }
}

// Damage inside the movie atom: each case makes the movie not valid, and an
// invalid movie answers 0 from every query.
TEST(ZentiMovie, DamagedMovieAtomsAreNotValidAndAnswerNothing) {
    struct Case {
        std::string name;
        void (*damage)(std::vector<std::uint8_t>&);
        bool structure;
    };
    const Case cases[] = {
        {"video chunk offset count past its atom",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stco"}, VideoTrack) + 12, 0x40000000u);
         },
         false},
        {"video sample size count past its atom",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stsz"}, VideoTrack) + 16, 0xFFFFFFFFu);
         },
         false},
        {"time-to-sample count past its atom",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stts"}, SoundTrack) + 12, 0x20000000u);
         },
         false},
        {"sample-to-chunk count past its atom",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stsc"}, VideoTrack) + 12, 2);
         },
         false},
        {"track header size below 8",
         [](std::vector<std::uint8_t>& m) { PutU32At(m, FindAtom(m, 0, {"trak", "tkhd"}, VideoTrack), 4); }, false},
        {"track header size 0",
         [](std::vector<std::uint8_t>& m) { PutU32At(m, FindAtom(m, 0, {"trak", "tkhd"}, SoundTrack), 0); }, false},
        {"media atom reaching past its track",
         [](std::vector<std::uint8_t>& m) {
             const std::size_t mdia = FindAtom(m, 0, {"trak", "mdia"}, VideoTrack);
             PutU32At(m, mdia, U32At(m, mdia) + 1);
         },
         false},
        {"movie header renamed",
         [](std::vector<std::uint8_t>& m) { m[FindAtom(m, 0, {"mvhd"}) + 4] = 'x'; }, false},
        {"video media handler renamed to text",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "hdlr"}, VideoTrack) + 16, FourCC("text"));
         },
         true},
        {"sound sample size not constant 1",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stsz"}, SoundTrack) + 12, 4);
         },
         true},
        {"sound sample duration 2",
         [](std::vector<std::uint8_t>& m) {
             PutU32At(m, FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stts"}, SoundTrack) + 20, 2);
         },
         true},
        {"video time-to-sample table empty",
         [](std::vector<std::uint8_t>& m) {
             const std::size_t stts = FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stts"}, VideoTrack);
             PutU32At(m, stts + 12, 0);
         },
         true},
        {"video frame count differs from its chunk count",
         [](std::vector<std::uint8_t>& m) {
             const std::size_t stsz = FindAtom(m, 0, {"trak", "mdia", "minf", "stbl", "stsz"}, VideoTrack);
             PutU32At(m, stsz + 16, U32At(m, stsz + 16) - 1);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> moov = Build(SmallReelSpec()).MovieAtomBytes();
        c.damage(moov);
        const auto movie = ParseMovie(moov);
        EXPECT_EQ(MoviePrivateAccess::IsValidStructure(*movie), c.structure);
        EXPECT_FALSE(movie->IsValid());
        EXPECT_EQ(movie->GetCreatorVersion(), 0u);
        EXPECT_EQ(MoviePrivateAccess::GetStoredSampleUnit(*movie), nullptr);
        EXPECT_EQ(movie->GetTrackMediaCount(), 0u);
        EXPECT_EQ(movie->GetVideoMediaTimeScale(), 0);
        EXPECT_EQ(movie->GetVideoMediaDuration(), 0);
        EXPECT_EQ(movie->GetVideoFrameDuration(), 0);
        EXPECT_EQ(movie->GetVideoFrameCount(), 0u);
        EXPECT_EQ(movie->GetVideoFrameFileOffset(0), 0u);
        EXPECT_EQ(movie->GetVideoFrameDataSize(0), 0u);
        ExpectNoSoundAnswers(*movie);
        EXPECT_FALSE(movie->GetFrameRateInfo().IsValid());
        EXPECT_FALSE(movie->IsClipreelMovie(nullptr));
        EXPECT_FALSE(movie->IsMontagioMovie(nullptr));
        // The copy itself is still there to be written out.
        EXPECT_EQ(MoviePrivateAccess::GetAtomSize(*movie), moov.size());
    }
}

TEST(ZentiMovie, MovieAtomSmallerThanItsHeaderHasNoCopy) {
    const std::vector<std::uint8_t> tiny = {0, 0, 0, 4, 'm', 'o', 'o', 'v'};
    const auto movie = ParseMovie(tiny);
    EXPECT_FALSE(movie->IsValid());
    EXPECT_EQ(MoviePrivateAccess::GetAtomHeader(*movie), nullptr);
    EXPECT_EQ(MoviePrivateAccess::GetAtomSize(*movie), 0u);
    EXPECT_FALSE(MoviePrivateAccess::IsValidStructure(*movie));
}

std::vector<std::uint32_t> ChunkOffsets(const std::vector<std::uint8_t>& moov, unsigned track) {
    const std::size_t stco = FindAtom(moov, 0, {"trak", "mdia", "minf", "stbl", "stco"}, track);
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t i = 0; i < U32At(moov, stco + 12); ++i) offsets.push_back(U32At(moov, stco + 16 + 4 * i));
    return offsets;
}

std::vector<std::uint8_t> CopyOf(const CZentiMovie& movie) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(movie));
    return std::vector<std::uint8_t>(first, first + MoviePrivateAccess::GetAtomSize(movie));
}

TEST(ZentiMovie, UpdateSampleChunkOffsetMovesEveryChunkOfEveryTrackModulo2To32) {
    std::vector<std::uint8_t> moov = Build(SmallReelSpec()).MovieAtomBytes();
    // The last video chunk near the top of the 32-bit range wraps.
    const std::size_t videoStco = FindAtom(moov, 0, {"trak", "mdia", "minf", "stbl", "stco"}, VideoTrack);
    const std::uint32_t last = U32At(moov, videoStco + 12) - 1;
    PutU32At(moov, videoStco + 16 + 4 * last, 0xFFFFFF80u);
    const auto movie = ParseMovie(moov);
    ASSERT_TRUE(movie->IsValid());

    MoviePrivateAccess::UpdateSampleChunkOffset(*movie, 0x100);

    const std::vector<std::uint8_t> after = CopyOf(*movie);
    for (unsigned track : {VideoTrack, SoundTrack}) {
        SCOPED_TRACE(track);
        const std::vector<std::uint32_t> before = ChunkOffsets(moov, track);
        const std::vector<std::uint32_t> moved = ChunkOffsets(after, track);
        ASSERT_EQ(moved.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(moved[i], before[i] + 0x100u) << i;
    }
    EXPECT_EQ(movie->GetVideoFrameFileOffset(last), 0x80u);
    EXPECT_EQ(movie->GetSoundChunkFileOffset(0), ChunkOffsets(moov, SoundTrack)[0] + 0x100u);
    // Nothing else changed.
    std::vector<std::uint8_t> expected = moov;
    for (unsigned track : {VideoTrack, SoundTrack}) {
        const std::size_t stco = FindAtom(moov, 0, {"trak", "mdia", "minf", "stbl", "stco"}, track);
        for (std::uint32_t i = 0; i < U32At(moov, stco + 12); ++i) {
            PutU32At(expected, stco + 16 + 4 * i, U32At(moov, stco + 16 + 4 * i) + 0x100u);
        }
    }
    EXPECT_EQ(after, expected);
}

TEST(ZentiMovie, UpdateMovieResourceModificationTimeStampsEveryHeader) {
    const std::vector<std::uint8_t> moov = Build(SmallReelSpec()).MovieAtomBytes();
    const auto movie = ParseMovie(moov);
    const std::uint32_t before = CurrentMovieTime();
    MoviePrivateAccess::UpdateMovieResourceModificationTime(*movie);
    const std::uint32_t after = CurrentMovieTime();
    const std::vector<std::uint8_t> stamped = CopyOf(*movie);

    std::vector<std::size_t> headers = {FindAtom(moov, 0, {"mvhd"})};
    for (unsigned track : {VideoTrack, SoundTrack}) {
        headers.push_back(FindAtom(moov, 0, {"trak", "tkhd"}, track));
        headers.push_back(FindAtom(moov, 0, {"trak", "mdia", "mdhd"}, track));
    }
    std::vector<std::uint8_t> expected = moov;
    for (std::size_t header : headers) {
        SCOPED_TRACE(header);
        const std::uint32_t stamp = U32At(stamped, header + 16);
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
        EXPECT_EQ(U32At(stamped, header + 12), U32At(moov, header + 12));  // creation time kept
        PutU32At(expected, header + 16, stamp);
    }
    EXPECT_EQ(stamped, expected);
}

}
}
