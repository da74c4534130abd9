#include "MovieFrames.h"
#include "ZentiMovFile.h"
#include "editor/MovieFrameGrabber.h"
#include "editor/ThumbnailMaker.h"
#include "platform/ImageScaler.h"
#include "platform/FrameGrabber.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace clipreel {
namespace {

using platform::Image;

// How far apart two pictures of the same size are: the largest and the
// mean difference of one colour component.
struct Difference {
    int largest = 0;
    double mean = 0;
};

Difference Compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    Difference d;
    if (a.size() != b.size() || a.empty()) return {255, 255};
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int delta = std::abs(int(a[i]) - int(b[i]));
        d.largest = std::max(d.largest, delta);
        sum += delta;
    }
    d.mean = sum / static_cast<double>(a.size());
    return d;
}

class GrabbedFrames : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sample::HaveH264()) GTEST_SKIP() << "this build writes no H.264 sample frames";
        if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    }

    // Three units of 30 frames, a key frame every 15.
    void WriteReel(const std::string& name, bool listsKeyFrames) {
        sample::SampleMovieSpec spec;
        spec.units = 3;
        spec.width = 320;
        spec.height = 240;
        spec.frames = sample::FrameContent::H264;
        spec.breakage.noSyncSample = !listsKeyFrames;
        sample::WriteSampleMovie(dir.File(name), spec);
    }

    // FFmpeg's own reading and decoding of frame `frame` (counted from 0),
    // converted to RGB with the conversion the grab uses.
    Image FFmpegFrame(const std::string& name, unsigned frame) {
        const std::filesystem::path raw = dir.File("ffmpeg.rgb");
        const std::string command = "ffmpeg -v error -y -i " + test::ShellQuoted(dir.File(name).string()) +
                                    " -vf 'select=eq(n\\," + std::to_string(frame) +
                                    ")' -sws_flags bicubic+accurate_rnd+full_chroma_int -frames:v 1 -f rawvideo "
                                    "-pix_fmt rgb24 " +
                                    test::ShellQuoted(raw.string()) + " 2>&1";
        const test::CommandResult result = test::RunCommand(command);
        EXPECT_EQ(0, result.status) << result.output;
        Image image;
        image.width = 320;
        image.height = 240;
        image.pixels = test::ReadFileBytes(raw);
        return image;
    }

    // A copy of the reel that only the grabber's own decoding can show once
    // the copy is parsed: its movie atom is then renamed on disk, so the
    // system's reading of the file, which the grab falls back to, finds no
    // movie in it.
    std::string CopyHiddenFromTheFallback(const std::string& name) {
        const std::string copy = "hidden-" + name;
        std::filesystem::copy_file(dir.File(name), dir.File(copy));
        return copy;
    }
    void HideMovieAtom(const std::string& copy) {
        std::vector<std::uint8_t> bytes = test::ReadFileBytes(dir.File(copy));
        const test::Atom movie = test::FindTopAtom(bytes, "moov");
        test::PutU32At(bytes, static_cast<std::size_t>(movie.offset + 4), test::Code("junk"));
        test::WriteFileBytes(dir.File(copy), bytes);
        Image image;
        ASSERT_NE(HResultOk, platform::grabMovieFrame(dir.WideFile(copy).c_str(), 0, image))
            << "the fallback still reads " << copy;
    }

    test::TempDir dir;
};

// Each grab goes to the frame's own bytes and decodes from the key frame
// before it (the system's reading of the file cannot stand in: the grabbed
// copy hides its movie from it): the picture is FFmpeg's decode of that
// very frame, whether the
// key frames are listed or found from the group length (no sync table), at
// a key frame, inside a group, at a unit's end, and past the movie's end.
TEST_F(GrabbedFrames, AreFFmpegsDecodeOfTheSameFrame) {
    struct Case {
        unsigned frame;  // asked for at its middle
        unsigned shown;  // the frame expected
    };
    const Case cases[] = {{0, 0}, {7, 7}, {15, 15}, {29, 29}, {44, 44}, {89, 89}, {200, 89}};
    for (const bool listsKeyFrames : {true, false}) {
        const std::string name = listsKeyFrames ? "reel.mov" : "no-sync-table.mov";
        WriteReel(name, listsKeyFrames);
        const std::string hidden = CopyHiddenFromTheFallback(name);
        const CZentiMovFile file(FileLocator(dir.WideFile(hidden).c_str()));
        ASSERT_TRUE(file.IsValid());
        MovieFrameGrabber grabber(*file.GetZentiMovie(), file.GetFileLocator());
        HideMovieAtom(hidden);
        // In an order that goes back and forth, as the studio's requests do.
        for (const Case& c : cases) {
            SCOPED_TRACE(name + ", frame " + std::to_string(c.frame));
            const std::int64_t time = FrameMiddleTime(c.frame, 30000, 1001);
            Image grabbed;
            ASSERT_EQ(HResultOk, grabber.Grab(time, grabbed));
            ASSERT_EQ(320u, grabbed.width);
            ASSERT_EQ(240u, grabbed.height);
            const Image expected = FFmpegFrame(name, c.shown);
            const Difference frame = Compare(grabbed.pixels, expected.pixels);
            EXPECT_LE(frame.largest, 2);
            EXPECT_LE(frame.mean, 0.1);

            // The thumbnail is scaled straight from the decoder's output: the
            // same picture as scaling FFmpeg's frame, but for rounding and
            // the chroma at the edges of the unit's number.
            Image thumbnail;
            ASSERT_EQ(HResultOk, grabber.GrabThumbnail(time, thumbnail));
            Image scaled;
            ASSERT_EQ(HResultOk, platform::scaleToThumbnail(expected, scaled));
            const Difference small = Compare(thumbnail.pixels, scaled.pixels);
            EXPECT_LE(small.largest, 24);
            EXPECT_LE(small.mean, 1.0);
        }
    }
}

// The tools' entry grabs on several threads at once, each through its own
// decoder: every picture is the one a single thread grabs.
TEST_F(GrabbedFrames, AreTheSameFromSeveralThreadsAtOnce) {
    WriteReel("reel.mov", true);
    const CMovieFrames frames(FileLocator(dir.WideFile("reel.mov").c_str()));
    std::vector<CRgbPicture> serial(90);
    for (unsigned frame = 0; frame < serial.size(); ++frame) {
        ASSERT_TRUE(frames.GrabThumbnail(FrameMiddleTime(frame, 30000, 1001), serial[frame]));
    }
    std::vector<CRgbPicture> parallel(serial.size());
    std::vector<char> grabbed(serial.size(), 0);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            // Each thread takes every fourth frame, backwards.
            for (unsigned frame = static_cast<unsigned>(serial.size()) - 1 - t; frame < serial.size(); frame -= 4) {
                grabbed[frame] = frames.GrabThumbnail(FrameMiddleTime(frame, 30000, 1001), parallel[frame]) ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (unsigned frame = 0; frame < serial.size(); ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        ASSERT_TRUE(grabbed[frame]);
        EXPECT_EQ(serial[frame].pixels, parallel[frame].pixels);
    }
}

}
}
