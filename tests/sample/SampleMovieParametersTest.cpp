// What the movie's parameters put into its camera data ('ZTCV' and the
// thumbnail's record), and the parameters the writer refuses.
#include "sample/SampleMovieWriter.h"
#include "tests/support/AtomWalk.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace clipreel {
namespace test {
namespace {

using sample::RecordKind;
using sample::SampleMovieLayout;
using sample::SampleMovieSpec;

std::uint32_t ReadOrdered(const std::vector<std::uint8_t>& bytes, std::size_t at, unsigned size, ByteOrder order) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < size; ++i) {
        const std::uint32_t byte = bytes.at(at + i);
        value |= order == ByteOrder::Big ? byte << (8 * (size - 1 - i)) : byte << (8 * i);
    }
    return value;
}

struct RecordCase {
    const char* name;
    std::function<void(SampleMovieSpec&)> change;
    const char* ztcv;
    RecordKind kind;
    unsigned movieMode;
    unsigned montagioTime;
    unsigned groupOfPicture;
    unsigned framePerUnit;
    unsigned frameCount;
};

const RecordCase RecordCases[] = {
    {"Default", [](SampleMovieSpec&) {}, "ZentiAVC0006", RecordKind::Short, 11, 0, 15, 30, 90},
    {"Version10TakesLongRecord", [](SampleMovieSpec& s) { s.creatorVersion = 10; }, "ZentiAVC0010", RecordKind::Long, 11, 0, 15, 30, 90},
    {"Version5", [](SampleMovieSpec& s) { s.creatorVersion = 5; }, "ZentiAVC0005", RecordKind::Short, 11, 0, 15, 30, 90},
    {"KindChosenByHand", [](SampleMovieSpec& s) {
         s.creatorVersion = 10; s.recordKindFromVersion = false; s.recordKind = RecordKind::Short;
     }, "ZentiAVC0010", RecordKind::Short, 11, 0, 15, 30, 90},
    {"NoFramePerUnitInRecord", [](SampleMovieSpec& s) { s.recordFramePerUnit = false; }, "ZentiAVC0006", RecordKind::Short, 11, 0, 15, 0, 90},
    {"NoGroupOfPictureInRecord", [](SampleMovieSpec& s) { s.recordGroupOfPicture = false; s.creatorVersion = 10; },
     "ZentiAVC0010", RecordKind::Long, 11, 0, 0, 30, 90},
    {"MontagioWholeMovie", [](SampleMovieSpec& s) { s.movieMode = 9; s.montagioTime = 0xFFFF; }, "ZentiAVC0006", RecordKind::Short, 9, 0xFFFF, 15, 30, 90},
    {"MontagioLongRecord", [](SampleMovieSpec& s) { s.montagioTime = 4; s.creatorVersion = 10; s.units = 4; },
     "ZentiAVC0010", RecordKind::Long, 11, 4, 15, 30, 120},
    {"ExtraFramesCounted", [](SampleMovieSpec& s) { s.breakage.extraFrames = 5; }, "ZentiAVC0006", RecordKind::Short, 11, 0, 15, 30, 95},
    {"MediaDataFirst", [](SampleMovieSpec& s) { s.breakage.mdatBeforeMoov = true; s.makerNoteOrder = ByteOrder::Big; },
     "ZentiAVC0006", RecordKind::Short, 11, 0, 15, 30, 90},
};

class MovieRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(MovieRecordTest, CameraDataDescribesTheFinalFile) {
    const RecordCase& c = GetParam();
    SampleMovieSpec spec;
    c.change(spec);
    SampleMovieLayout layout;
    const std::vector<std::uint8_t> bytes = sample::BuildSampleMovie(spec, &layout);
    const AtomWalk walk(bytes, AtomWalk::MisfitEnds);
    const Atom ztcv = walk.Path(walk.Movie(), {"udta", "ZTCV"});
    ASSERT_EQ(ztcv.size, 20U);
    EXPECT_EQ(walk.Text(ztcv.PayloadOffset(), 12), c.ztcv);

    const std::vector<std::uint8_t>& t = layout.thumbnail;
    const std::size_t r = layout.thumbnailLayout.recordOffset;
    const ByteOrder o = spec.makerNoteOrder;
    const std::uint32_t firstOffset = static_cast<std::uint32_t>(layout.units.at(0).frames.at(0).offset);
    const std::uint32_t firstSize = layout.units.at(0).frames.at(0).size;
    const std::uint32_t durationMs = static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(c.frameCount) * spec.frameDuration * 1000 / spec.timeScale);
    if (c.kind == RecordKind::Long) {
        ASSERT_EQ(layout.thumbnailLayout.recordSize, 132U);
        EXPECT_EQ(ReadOrdered(t, r, 4, o), 132U);
        std::map<unsigned, unsigned> tagged;
        for (std::uint32_t i = 0; i < ReadOrdered(t, r + 4, 4, o); ++i) {
            const std::uint32_t value = ReadOrdered(t, r + 8 + 4 * i, 4, o);
            tagged[value >> 24] = value & 0xFFFF;
        }
        EXPECT_EQ(tagged[1], c.movieMode);
        EXPECT_EQ(tagged[2], c.montagioTime);
        EXPECT_EQ(ReadOrdered(t, r + 84, 4, o), c.frameCount);
        EXPECT_EQ(ReadOrdered(t, r + 104, 4, o), firstOffset);
        EXPECT_EQ(ReadOrdered(t, r + 108, 4, o), firstSize);
        EXPECT_EQ(ReadOrdered(t, r + 112, 4, o), bytes.size());
        EXPECT_EQ(ReadOrdered(t, r + 116, 4, o), c.groupOfPicture);
        EXPECT_EQ(ReadOrdered(t, r + 120, 4, o), c.framePerUnit);
        EXPECT_EQ(ReadOrdered(t, r + 128, 4, o), durationMs);
    } else {
        ASSERT_EQ(layout.thumbnailLayout.recordSize, 262U);
        EXPECT_EQ(ReadOrdered(t, r, 2, o), 262U);
        EXPECT_EQ(ReadOrdered(t, r + 4, 2, o), c.frameCount);
        EXPECT_EQ(ReadOrdered(t, r + 8, 4, o), c.frameCount);
        EXPECT_EQ(ReadOrdered(t, r + 16, 2, o), c.movieMode);
        EXPECT_EQ(ReadOrdered(t, r + 40, 4, o), firstOffset);
        EXPECT_EQ(ReadOrdered(t, r + 44, 4, o), firstSize);
        EXPECT_EQ(ReadOrdered(t, r + 212, 4, o), durationMs);
        EXPECT_EQ(ReadOrdered(t, r + 240, 4, o), bytes.size());
        EXPECT_EQ(ReadOrdered(t, r + 244, 2, o), c.groupOfPicture);
        EXPECT_EQ(ReadOrdered(t, r + 256, 2, o), c.framePerUnit);
        EXPECT_EQ(ReadOrdered(t, r + 258, 2, o), c.montagioTime);
    }
}

INSTANTIATE_TEST_SUITE_P(Parameters, MovieRecordTest, ::testing::ValuesIn(RecordCases),
                         [](const ::testing::TestParamInfo<RecordCase>& param) { return std::string(param.param.name); });

TEST(SampleMovieParametersTest, ThumbnailHasRoomForAnotherImage) {
    for (const unsigned room : {4096U, 16384U}) {
        SCOPED_TRACE(room);
        SampleMovieSpec spec;
        spec.thumbnailRoom = room;
        SampleMovieLayout layout;
        sample::BuildSampleMovie(spec, &layout);
        EXPECT_EQ(layout.thumbnail.size(), room);
        // Zeros after the image leave the room a re-encoded image may fill.
        const auto end = std::find_if(layout.thumbnail.rbegin(), layout.thumbnail.rend(), [](std::uint8_t b) { return b != 0; });
        ASSERT_NE(end, layout.thumbnail.rend());
        EXPECT_EQ(*end, 0xD9);
        EXPECT_GE(static_cast<std::size_t>(end - layout.thumbnail.rbegin()), room / 2);
    }
}

TEST(SampleMovieParametersTest, RefusesSpecsItCannotWrite) {
    struct Case {
        std::function<void(SampleMovieSpec&)> change;
        const char* message;
    };
    const Case cases[] = {
        {[](SampleMovieSpec& s) { s.framesPerUnit = 0; }, "frames per unit must be 1 to 65535"},
        {[](SampleMovieSpec& s) { s.framesPerUnit = 0x10000; }, "frames per unit must be 1 to 65535"},
        {[](SampleMovieSpec& s) { s.timeScale = 0; }, "time scale and frame duration must not be 0"},
        {[](SampleMovieSpec& s) { s.frameDuration = 0; }, "time scale and frame duration must not be 0"},
        {[](SampleMovieSpec& s) { s.sound.sampleRate = 44100; }, "a unit's time does not hold a whole number of sound samples"},
        {[](SampleMovieSpec& s) { s.sound.format = FourCC("lpcm"); }, "sound format must be 'sowt', 'twos' or 'raw '"},
        {[](SampleMovieSpec& s) { s.sound.bitsPerSample = 12; }, "sound samples must be 8, 16, 24 or 32 bits"},
        {[](SampleMovieSpec& s) { s.sound.channels = 0; }, "sound needs at least one channel"},
        {[](SampleMovieSpec& s) { s.sound.sampleRate = 96000; }, "sound sample rate must be 1 to 65535"},
        {[](SampleMovieSpec& s) { s.width = 0; }, "picture size must be 1 to 65535 each way"},
        {[](SampleMovieSpec& s) { s.groupOfPicture = 0x10000; }, "group of pictures must fit 16 bits"},
        // About 4.8 GB of full HD frames: beyond what 32-bit offsets can state.
        {[](SampleMovieSpec& s) { s.width = 1920; s.height = 1080; s.framesPerUnit = 120; s.units = 1000; },
         "a camera movie must stay below 4 GiB"},
        {[](SampleMovieSpec& s) { s.shortRecordSize = 261; }, "record sizes must hold their size field and whole values"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SampleMovieSpec spec;
        c.change(spec);
        try {
            sample::BuildSampleMovie(spec);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    // Without sound the rate does not matter.
    SampleMovieSpec silent;
    silent.sound.present = false;
    silent.sound.sampleRate = 44100;
    EXPECT_NO_THROW(sample::BuildSampleMovie(silent));
    if (sample::HaveH264()) {
        SampleMovieSpec odd;
        odd.frames = sample::FrameContent::H264;
        odd.width = 321;
        EXPECT_THROW(sample::BuildSampleMovie(odd), std::invalid_argument);
    }
}

TEST(SampleMovieParametersTest, UnitColoursDifferBetweenNeighbours) {
    for (unsigned unit = 0; unit < 24; ++unit) {
        SCOPED_TRACE(unit);
        std::uint8_t a[3];
        std::uint8_t b[3];
        sample::UnitColour(unit, a);
        sample::UnitColour(unit + 1, b);
        const int distance = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
        EXPECT_GT(distance, 60);
    }
}

}
}
}
