// Split: every kept unit of a reel becomes its own one-unit camera reel,
// which FFmpeg decodes to the very frames and sound of that unit.
#include "ClipreelReelOperations.h"
#include "tests/editor/save/DecodedMedia.h"
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {
namespace {

sample::SampleMovieSpec ThreeUnits() {
    sample::SampleMovieSpec spec;
    spec.units = 3;
    spec.frames = sample::FrameContent::H264;
    return spec;
}

std::vector<FileLocator> Locators(const TempDir& dir, const std::vector<std::string>& names) {
    std::vector<FileLocator> locators;
    for (const std::string& name : names) locators.emplace_back(dir.WideFile(name).c_str());
    return locators;
}

TEST(ReelSplit, EachKeptUnitBecomesAOneUnitReelThatDecodesLikeItsUnit) {
    // A new first unit gets a thumbnail grabbed from its frames: dummy
    // frame bytes cannot give one.
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 sample frames in this build";
    TempDir dir;
    SampleReel source(dir, "source.mov", ThreeUnits());
    const std::vector<unsigned> kept = {2, 0, 1};
    ASSERT_TRUE(source.reel->SetEditingState(kept));
    const std::vector<std::string> names = {"u2.mov", "u0.mov", "u1.mov"};
    CClipreelReelSplitter splitter(*source.file);
    ProgressRecorder log;
    splitter.SetProgressCallback(&ProgressRecorder::Callback, &log);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              splitter.SplitShootingUnits(*source.reel, Locators(dir, names)));

    // One start, progress that never falls back across the units, one end.
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ(PROGRESS_MESSAGE_START, log.calls.front().first);
    EXPECT_EQ(PROGRESS_MESSAGE_END, log.calls.back().first);
    double last = 0.0;
    for (std::size_t i = 1; i + 1 < log.calls.size(); ++i) {
        EXPECT_EQ(PROGRESS_MESSAGE_PROGRESS, log.calls[i].first);
        EXPECT_GE(log.calls[i].second, last);
        last = log.calls[i].second;
    }
    EXPECT_DOUBLE_EQ(1.0, last);

    for (const std::string& name : names) ExpectCameraReel(dir.File(name), 1, source.spec.framesPerUnit, source.layout.thumbnail);

    if (RunningOnWindows() || !source.layout.h264) GTEST_SKIP() << "FFmpeg decodes on the POSIX build with H.264 frames";
    const DecodedMedia whole = DecodeWithFfmpeg(source.path, source.layout.soundSamplesPerUnit);
    ASSERT_TRUE(whole.decoded) << whole.errors;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const DecodedMedia part = DecodeWithFfmpeg(dir.File(names[i]), source.layout.soundSamplesPerUnit);
        ASSERT_TRUE(part.decoded) << part.errors;
        ExpectThumbnailShowsUnit(dir.File(names[i]), kept[i]);
        const DecodedMedia expected = UnitsOf(whole, {kept[i]}, source.spec.framesPerUnit);
        EXPECT_EQ(expected.frames, part.frames);
        EXPECT_EQ(expected.soundUnits, part.soundUnits);
        ASSERT_EQ(1u, part.soundUnits.size());
    }
}

// A one-unit reel splits into a copy of itself.
TEST(ReelSplit, AOneUnitReelSplitsIntoOneReel) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.units = 1;
    SampleReel source(dir, "one.mov", spec);
    CClipreelReelSplitter splitter(*source.file);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              splitter.SplitShootingUnits(*source.reel, Locators(dir, {"u0.mov"})));
    ExpectCameraReel(dir.File("u0.mov"), 1, spec.framesPerUnit, {});
}

// Requests that cannot be met are refused before a file is created.
TEST(ReelSplit, RefusesBadRequestsBeforeWriting) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    SampleReel source(dir, "source.mov", spec);
    sample::SampleMovieSpec otherSpec;
    otherSpec.units = 2;
    SampleReel other(dir, "other.mov", otherSpec);
    const Bytes before = ReadFileBytes(source.path);
    struct Case {
        const char* what;
        const CClipreelMovie* reel;
        std::vector<std::string> names;
        CClipreelMovFileEditor::ERROR_CREATEMOVFILE result;
    };
    const std::vector<Case> cases = {
        {"fewer destinations than units", source.reel.get(), {"a.mov"}, CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR},
        {"a reel of another file", other.reel.get(), {"a.mov", "b.mov", "c.mov"},
         CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR},
        {"the source among the destinations", source.reel.get(), {"a.mov", "source.mov", "c.mov"},
         CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CClipreelReelSplitter splitter(*source.file);
        EXPECT_EQ(c.result, splitter.SplitShootingUnits(*c.reel, Locators(dir, c.names)));
        EXPECT_FALSE(std::filesystem::exists(dir.File("a.mov")));
        EXPECT_EQ(before, ReadFileBytes(source.path));
    }
}

TEST(ReelSplit, CancelStopsTheJob) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    SampleReel source(dir, "source.mov", spec);
    CClipreelReelSplitter splitter(*source.file);
    ProgressRecorder log;
    log.cancelAtCall = 0;
    splitter.SetProgressCallback(&ProgressRecorder::Callback, &log);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_CANCELED,
              splitter.SplitShootingUnits(*source.reel, Locators(dir, {"a.mov", "b.mov", "c.mov"})));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.mov")));
}

}
}
}
