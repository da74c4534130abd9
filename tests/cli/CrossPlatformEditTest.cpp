// The Windows build and this one make the same edit of the same reel: the
// movies differ only where they must (the modification times, and the new
// thumbnail's JPEG, which holds the camera record with its random image
// identifier), and both thumbnails show the new first unit. The Windows
// tool runs under wine; scripts/test names it in CLIPREEL_WINDOWS_TOOL after
// its Windows step, and without it the case is skipped.
#include "sample/SampleMovieWriter.h"
#include "tests/cli/ToolRunner.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/Commands.h"
#include "tests/support/JpegDecoding.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace clipreel {
namespace test {
namespace {

// The range of the thumbnail's data atom, header included.
Atom ThumbnailData(const Bytes& movie) {
    const AtomWalk walk(movie, AtomWalk::MisfitEnds);
    return walk.Path(walk.Movie(), {"udta", "ZTTH", "ZTDA"});
}

platform::Image DecodedThumbnail(const std::filesystem::path& jpeg) {
    const Bytes bytes = ReadFileBytes(jpeg);
    platform::Image image;
    EXPECT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), image)) << jpeg;
    return image;
}

TEST(CrossPlatformEditTest, TheWindowsToolMakesTheSameMovieWhereNothingMustDiffer) {
    const char* windowsTool = std::getenv("CLIPREEL_WINDOWS_TOOL");
    if (windowsTool == nullptr || *windowsTool == '\0') GTEST_SKIP() << "CLIPREEL_WINDOWS_TOOL names no Windows tool";
    if (!HaveTool("wine")) GTEST_SKIP() << "wine is not on the PATH";
    const TempDir dir;
    sample::SampleMovieSpec spec;
    spec.frames = sample::FrameContent::H264;
    spec.units = 5;
    spec.framesPerUnit = 15;
    sample::WriteSampleMovie(dir.File("reel.mov"), spec);

    const ToolRun thisBuild = RunTool({"edit", dir.File("reel.mov").string(), dir.File("linux.mov").string(), "--keep", "3,0,4"});
    ASSERT_EQ(thisBuild.exitCode, 0) << thisBuild.err;
    // Names relative to the folder, which wine maps as they are.
    const CommandResult windows = RunCommand("cd " + ShellQuoted(dir.path().string()) + " && wine " +
                                             ShellQuoted(windowsTool) +
                                             " edit reel.mov windows.mov --keep 3,0,4 --verbose 2>&1");
    ASSERT_EQ(windows.status, 0) << windows.output;

    const Bytes a = ReadFileBytes(dir.File("linux.mov"));
    const Bytes b = ReadFileBytes(dir.File("windows.mov"));
    ASSERT_EQ(a.size(), b.size());
    const Atom thumbnailA = ThumbnailData(a);
    const Atom thumbnailB = ThumbnailData(b);
    ASSERT_TRUE(thumbnailA.found);
    ASSERT_TRUE(thumbnailB.found);
    ASSERT_EQ(thumbnailA.offset, thumbnailB.offset);
    const std::vector<std::size_t> times =
        ModificationTimeFields(a, AtomWalk(a).At(AtomWalk(a, AtomWalk::MisfitEnds).Movie().offset));
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        const bool inThumbnail = i >= thumbnailA.offset && i < std::max(thumbnailA.End(), thumbnailB.End());
        const bool inTime = std::any_of(times.begin(), times.end(), [i](std::size_t field) { return i >= field && i < field + 4; });
        EXPECT_TRUE(inThumbnail || inTime) << "byte " << i << " differs outside the thumbnail and the times";
        if (!inThumbnail && !inTime && ++differing > 8) break;
    }

    // Both thumbnails show unit 3, as this build's grab of it does.
    ASSERT_EQ(RunTool({"thumbnail", dir.File("linux.mov").string(), dir.File("linux.jpg").string()}).exitCode, 0);
    ASSERT_EQ(RunTool({"thumbnail", dir.File("windows.mov").string(), dir.File("windows.jpg").string()}).exitCode, 0);
    const platform::Image linuxPicture = DecodedThumbnail(dir.File("linux.jpg"));
    const platform::Image windowsPicture = DecodedThumbnail(dir.File("windows.jpg"));
    ASSERT_EQ(linuxPicture.width, windowsPicture.width);
    ASSERT_EQ(linuxPicture.height, windowsPicture.height);
    for (unsigned band = 0; band < 4; ++band) {
        SCOPED_TRACE("rows of band " + std::to_string(band));
        const unsigned top = linuxPicture.height * band / 4;
        const unsigned bottom = linuxPicture.height * (band + 1) / 4;
        EXPECT_LE(ColourDistance(AverageRows(linuxPicture, top, bottom), AverageRows(windowsPicture, top, bottom)), 12.0);
    }
    std::uint8_t unitColour[3];
    sample::UnitColour(3, unitColour);
    EXPECT_LE(ColourDistance(AverageRows(windowsPicture, 0, 8), unitColour), 24.0);
}

}
}
}
