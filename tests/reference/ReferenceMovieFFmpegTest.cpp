// Outside truth: FFmpeg follows the alias record of a reference movie to
// the source file and decodes every kept frame from there.
#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/Commands.h"
#include "tests/support/SampleReel.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

TEST(ReferenceMovieFFmpegTest, FFprobeDecodesTheKeptFramesFromTheSource) {
#if defined(_WIN32)
    GTEST_SKIP() << "FFmpeg's tools are run on the POSIX build";
#else
    if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not on the PATH";
    if (!sample::HaveH264()) GTEST_SKIP() << "this build writes no real H.264 frames";
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.units = 3;
    spec.frames = sample::FrameContent::H264;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.layout.h264);
    ASSERT_TRUE(source.reel->SetEditingState({2, 0}));
    const std::filesystem::path reference = dir.File("reference.mov");
    CClipreelMovFileEditor editor(*source.file);
    ASSERT_EQ(editor.CreateReferenceMovFile(FileLocator(reference.wstring().c_str()), source.reel.get()),
              CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);

    const std::string probe = "ffprobe -v error -enable_drefs 1 -use_absolute_path 1 -select_streams v:0 ";
    const std::string input = " -of csv=p=0 '" + reference.string() + "' 2>&1";

    // Each video packet is read where the kept units lie in the source.
    int status = 0;
    const std::string packets = RunCommand(probe + "-show_entries packet=pos" + input, status);
    ASSERT_EQ(status, 0) << packets;
    std::vector<std::string> expectedPositions;
    for (const unsigned unit : {2u, 0u})
        for (const sample::FrameLayout& frame : source.layout.units[unit].frames)
            expectedPositions.push_back(std::to_string(frame.offset));
    EXPECT_EQ(NonEmptyLines(packets), expectedPositions);

    // Every kept frame decodes, without an error line.
    const std::string frames = RunCommand(probe + "-count_frames -show_entries stream=nb_read_frames" + input, status);
    ASSERT_EQ(status, 0) << frames;
    EXPECT_EQ(NonEmptyLines(frames), std::vector<std::string>{std::to_string(2 * spec.framesPerUnit)});
#endif
}

}
}
}
