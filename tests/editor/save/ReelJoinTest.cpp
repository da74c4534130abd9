// Join: reels of one shape become one reel of their kept units in order,
// which FFmpeg decodes to the very frames and sound of those units; a reel
// of another shape is refused with the first difference named.
#include "ClipreelReelOperations.h"
#include "tests/editor/save/DecodedMedia.h"
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {
namespace {

sample::SampleMovieSpec Spec(unsigned units, unsigned contentOffset) {
    sample::SampleMovieSpec spec;
    spec.units = units;
    spec.frames = sample::FrameContent::H264;
    spec.contentOffset = contentOffset;
    return spec;
}

TEST(ReelJoin, JoinsTheChosenUnitsOfReelsOfOneShapeInOrder) {
    // A new first unit gets a thumbnail grabbed from its frames: dummy
    // frame bytes cannot give one.
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 sample frames in this build";
    TempDir dir;
    SampleReel a(dir, "a.mov", Spec(3, 0));
    SampleReel b(dir, "b.mov", Spec(2, 5));
    CClipreelReelJoiner joiner;
    ASSERT_TRUE(joiner.AddReel(*a.file, {2, 0})) << joiner.GetRefusalReason();
    ASSERT_TRUE(joiner.AddReel(*b.file, {})) << joiner.GetRefusalReason();
    ASSERT_TRUE(joiner.AddReel(*a.file, {1})) << joiner.GetRefusalReason();
    EXPECT_EQ(3u, joiner.GetReelCount());
    EXPECT_EQ(5u, joiner.GetShootingUnitCount());
    ProgressRecorder log;
    joiner.SetProgressCallback(&ProgressRecorder::Callback, &log);
    const std::filesystem::path out = dir.File("joined.mov");
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              joiner.CreateJoinedMovFile(FileLocator(out.wstring().c_str())));
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(PROGRESS_MESSAGE_START, log.calls.front().first);
    EXPECT_EQ(PROGRESS_MESSAGE_END, log.calls.back().first);

    ExpectCameraReel(out, 5, a.spec.framesPerUnit, a.layout.thumbnail);
    // The joined media data is the kept blocks end to end.
    const Bytes joined = ReadFileBytes(out);
    const Bytes aBytes = ReadFileBytes(a.path);
    const Bytes bBytes = ReadFileBytes(b.path);
    Bytes expected;
    auto append = [&expected](const Bytes& file, const sample::UnitLayout& unit) {
        const Bytes block = Slice(file, unit.offset, unit.size);
        expected.insert(expected.end(), block.begin(), block.end());
    };
    append(aBytes, a.layout.units[2]);
    append(aBytes, a.layout.units[0]);
    append(bBytes, b.layout.units[0]);
    append(bBytes, b.layout.units[1]);
    append(aBytes, a.layout.units[1]);
    const Atom mdat = FindTopAtom(joined, "mdat");
    EXPECT_EQ(expected.size() + 8, mdat.size);
    EXPECT_TRUE(expected == Slice(joined, mdat.offset + 8, mdat.size - 8));

    if (RunningOnWindows() || !a.layout.h264) GTEST_SKIP() << "FFmpeg decodes on the POSIX build with H.264 frames";
    // The thumbnail is made again from the new first unit, A's unit 2.
    ExpectThumbnailShowsUnit(out, 2);
    const unsigned samples = a.layout.soundSamplesPerUnit;
    const DecodedMedia decodedA = DecodeWithFfmpeg(a.path, samples);
    const DecodedMedia decodedB = DecodeWithFfmpeg(b.path, samples);
    ASSERT_TRUE(decodedA.decoded && decodedB.decoded) << decodedA.errors << decodedB.errors;
    // The two reels differ in content, so the order is visible.
    ASSERT_NE(decodedA.frames.front(), decodedB.frames.front());
    const unsigned frames = a.spec.framesPerUnit;
    const DecodedMedia expectedMedia = Concatenated(
        {UnitsOf(decodedA, {2, 0}, frames), UnitsOf(decodedB, {0, 1}, frames), UnitsOf(decodedA, {1}, frames)});
    const DecodedMedia decoded = DecodeWithFfmpeg(out, samples);
    ASSERT_TRUE(decoded.decoded) << decoded.errors;
    EXPECT_EQ(expectedMedia.frames, decoded.frames);
    EXPECT_EQ(expectedMedia.soundUnits, decoded.soundUnits);
    EXPECT_EQ(5u, decoded.soundUnits.size());
}

// Each property of a reel's shape, changed on its own in the second reel,
// is named in the refusal; the joiner keeps only the first reel.
TEST(ReelJoin, RefusesAReelOfAnotherShapeNamingTheDifference) {
    struct Case {
        const char* what;
        void (*change)(sample::SampleMovieSpec&);
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"time scale", [](sample::SampleMovieSpec& s) { s.timeScale = 60000; s.frameDuration = 2002; },
         "video time scale 60000 differs from the first reel's 30000"},
        {"frame duration", [](sample::SampleMovieSpec& s) { s.frameDuration = 1000; },
         "video frame duration 1000 differs from the first reel's 1001"},
        {"frames per unit", [](sample::SampleMovieSpec& s) { s.framesPerUnit = 15; },
         "frames per shooting unit 15 differs from the first reel's 30"},
        {"group of pictures", [](sample::SampleMovieSpec& s) { s.groupOfPicture = 10; },
         "group of pictures 10 differs from the first reel's 15"},
        {"video description", [](sample::SampleMovieSpec& s) { s.width = 352; },
         "video sample description differs from the first reel's"},
        {"sound description", [](sample::SampleMovieSpec& s) { s.sound.channels = 1; },
         "sound sample description differs from the first reel's"},
        {"no sound", [](sample::SampleMovieSpec& s) { s.sound.present = false; },
         "no sound, while the first reel has sound"},
        {"creator version", [](sample::SampleMovieSpec& s) {
             s.creatorVersion = 10;
             s.recordKindFromVersion = false;
             s.recordKind = sample::RecordKind::Short;
         },
         "creator version 10 differs from the first reel's 6"},
        {"record kind", [](sample::SampleMovieSpec& s) {
             s.recordKindFromVersion = false;
             s.recordKind = sample::RecordKind::Long;
         },
         "LONG camera record differs from the first reel's SHORT record"},
    };
    TempDir dir;
    sample::SampleMovieSpec firstSpec;
    SampleReel first(dir, "first.mov", firstSpec);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sample::SampleMovieSpec spec;
        c.change(spec);
        SampleReel other(dir, std::string("other-") + c.what + ".mov", spec);
        ASSERT_TRUE(other.reel->IsValid());
        CClipreelReelJoiner joiner;
        ASSERT_TRUE(joiner.AddReel(*first.file, {}));
        EXPECT_FALSE(joiner.AddReel(*other.file, {}));
        EXPECT_EQ(c.reason, joiner.GetRefusalReason());
        EXPECT_EQ(1u, joiner.GetReelCount());
    }
}

TEST(ReelJoin, RefusesEditingListsNamingMissingOrRepeatedUnits) {
    TempDir dir;
    SampleReel a(dir, "a.mov", sample::SampleMovieSpec());
    CClipreelReelJoiner joiner;
    const std::vector<std::pair<std::vector<unsigned>, std::string>> lists = {
        {{0, 3}, "no shooting unit 3 (the reel has 3)"},
        {{1, 2, 1}, "shooting unit 1 is listed twice"},
    };
    for (const auto& list : lists) {
        EXPECT_FALSE(joiner.AddReel(*a.file, list.first));
        EXPECT_EQ(list.second, joiner.GetRefusalReason());
        EXPECT_EQ(0u, joiner.GetReelCount());
    }
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR,
              joiner.CreateJoinedMovFile(FileLocator(dir.WideFile("out.mov").c_str())));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.mov")));
    // Over one of its own sources the join writes nothing.
    ASSERT_TRUE(joiner.AddReel(*a.file, {1}));
    const Bytes before = ReadFileBytes(a.path);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR,
              joiner.CreateJoinedMovFile(FileLocator(a.path.wstring().c_str())));
    EXPECT_EQ(before, ReadFileBytes(a.path));
}

}
}
}
