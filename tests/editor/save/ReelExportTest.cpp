// The library's export as a program other than the tool calls it: the
// progress frame of the other reel operations, cancellation, the refusals
// that write nothing, and a build without an MP4 writer saying so. What
// FFmpeg finds in the file is checked through the tool (ExportCommandTest).
#include "ClipreelReelOperations.h"
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {
namespace {

using E = CClipreelMovFileEditor;

sample::SampleMovieSpec RealFrames(unsigned units) {
    sample::SampleMovieSpec spec;
    spec.units = units;
    spec.frames = sample::FrameContent::H264;
    return spec;
}

E::ERROR_CREATEMOVFILE Export(SampleReel& source, const std::filesystem::path& out, ProgressRecorder* log) {
    CClipreelReelExporter exporter(*source.file);
    if (log != nullptr) exporter.SetProgressCallback(&ProgressRecorder::Callback, log);
    return exporter.CreateExportedMp4File(*source.reel, FileLocator(out.wstring().c_str()));
}

TEST(ReelExport, AvailableWhereFFmpegIsAndNeverOnWindows) {
    EXPECT_EQ(!RunningOnWindows(), CClipreelReelExporter::IsAvailable());
    EXPECT_EQ(192000u, CClipreelReelExporter::GetDefaultSoundBitRate(2));
    EXPECT_EQ(96000u, CClipreelReelExporter::GetDefaultSoundBitRate(1));
}

// One start, rising fractions, one end; a cancel at any call stops it.
TEST(ReelExport, ReportsProgressAndStopsWhenCancelled) {
    TempDir dir;
    SampleReel source(dir, "reel.mov", RealFrames(4));
    ASSERT_TRUE(source.reel->SetEditingState({3, 1, 2}));
    const std::filesystem::path out = dir.File("shared.mp4");
    if (!CClipreelReelExporter::IsAvailable()) {
        EXPECT_EQ(E::CREATEMOVFILE_INTERNAL_ERROR, Export(source, out, nullptr));
        EXPECT_FALSE(std::filesystem::exists(out));
        GTEST_SKIP() << "this build cannot export";
    }

    ProgressRecorder log;
    ASSERT_EQ(E::CREATEMOVFILE_SUCCESS, Export(source, out, &log));
    ASSERT_GE(log.calls.size(), 4u);  // start, a fraction per unit, end
    EXPECT_EQ(PROGRESS_MESSAGE_START, log.calls.front().first);
    EXPECT_EQ(PROGRESS_MESSAGE_END, log.calls.back().first);
    EXPECT_DOUBLE_EQ(1.0, log.calls.back().second);
    for (std::size_t i = 1; i + 1 < log.calls.size(); ++i) {
        EXPECT_EQ(PROGRESS_MESSAGE_PROGRESS, log.calls[i].first);
        EXPECT_LE(log.calls[i - 1].second, log.calls[i].second);
    }
    EXPECT_GT(std::filesystem::file_size(out), 0u);

    for (const int cancelAt : {0, 1, 2}) {
        SCOPED_TRACE(cancelAt);
        ProgressRecorder cancelling;
        cancelling.cancelAtCall = cancelAt;
        const std::filesystem::path cancelled = dir.File("cancelled-" + std::to_string(cancelAt) + ".mp4");
        EXPECT_EQ(E::CREATEMOVFILE_CANCELED, Export(source, cancelled, &cancelling));
        EXPECT_EQ(static_cast<std::size_t>(cancelAt + 1), cancelling.calls.size());
        // A cancel at the start writes nothing at all.
        if (cancelAt == 0) {
            EXPECT_FALSE(std::filesystem::exists(cancelled));
        }
    }
}

// Refusals happen before the start message and write nothing.
TEST(ReelExport, RefusesWithoutWriting) {
    TempDir dir;
    SampleReel source(dir, "reel.mov", RealFrames(3));
    SampleReel other(dir, "other.mov", RealFrames(5));
    const std::filesystem::path out = dir.File("shared.mp4");
    struct Case {
        const char* what;
        const CZentiMovFile* file;
        const CClipreelMovie* reel;
        std::filesystem::path destination;
        E::ERROR_CREATEMOVFILE result;
    };
    const CZentiMovFile notAMovie(FileLocator(dir.WideFile("missing.mov").c_str()));
    const Case cases[] = {
        {"the destination is the source", source.file.get(), source.reel.get(), source.path,
         E::CREATEMOVFILE_WRITE_ERROR},
        {"the reel is another file's", source.file.get(), other.reel.get(), out, E::CREATEMOVFILE_INTERNAL_ERROR},
        {"the source is no movie", &notAMovie, source.reel.get(), out, E::CREATEMOVFILE_INVALID_SOURCE},
    };
    const std::vector<std::uint8_t> sourceBytes = source.Bytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgressRecorder log;
        CClipreelReelExporter exporter(*c.file);
        exporter.SetProgressCallback(&ProgressRecorder::Callback, &log);
        EXPECT_EQ(c.result, exporter.CreateExportedMp4File(*c.reel, FileLocator(c.destination.wstring().c_str())));
        EXPECT_TRUE(log.calls.empty());
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_EQ(sourceBytes, source.Bytes());
    }
}

}
}
}
