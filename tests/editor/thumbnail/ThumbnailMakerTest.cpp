#include "editor/JpegImageData.h"
#include "editor/ThumbnailMaker.h"
#include "platform/JpegEncoder.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/JpegDecoding.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace clipreel {
namespace {

using platform::Image;

struct MallocFree {
    void operator()(void* p) const { std::free(p); }
};

// The unit's number is drawn in the middle half of each frame and a moving
// marker along its bottom: the top quarter shows the unit's colour alone.
constexpr unsigned CleanTop = 2;
constexpr unsigned CleanBottom = 26;

// The frame that begins unit `unit` counted over the whole movie.
unsigned FirstFrameOfUnit(const sample::SampleMovieLayout& layout, unsigned unit) {
    unsigned frame = 0;
    for (unsigned u = 0; u < unit; ++u) frame += static_cast<unsigned>(layout.units[u].frames.size());
    return frame;
}

TEST(FrameMiddleTime, IsTheMiddleOfTheFrameInHundredsOfNanoseconds) {
    struct Case {
        unsigned frame;
        std::int32_t timeScale;
        std::int32_t frameDuration;
        std::int64_t expected;
    };
    const Case cases[] = {
        {150, 30000, 1000, 50166666},   // (150.5) * 10^7 / 30, truncated
        {0, 30000, 1001, 166833},       // half of 1001/30000 s
        {30, 30000, 1001, 10176833},    // 30.5 * 10^7 * 1001 / 30000 = 10176833.3
        {0, 600, 20, 166666},
        {7, 25, 1, 3000000},
        {5, 0, 1001, 0},
        {5, 30000, 0, 0},
        {5, -30000, 1001, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.frame) + " @ " + std::to_string(c.timeScale) + "/" +
                     std::to_string(c.frameDuration));
        EXPECT_EQ(c.expected, FrameMiddleTime(c.frame, c.timeScale, c.frameDuration));
    }
}

class ThumbnailFromMovie : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sample::HaveH264()) GTEST_SKIP() << "this build writes no H.264 sample frames";
    }

    sample::SampleMovieLayout WriteReel(const std::string& name, unsigned units, unsigned width, unsigned height) {
        sample::SampleMovieSpec spec;
        spec.units = units;
        spec.width = width;
        spec.height = height;
        spec.frames = sample::FrameContent::H264;
        return sample::WriteSampleMovie(dir.File(name), spec);
    }

    // Makes the thumbnail through the public entry and decodes it.
    Image Thumbnail(const std::string& name, std::int64_t time) {
        void* raw = nullptr;
        unsigned size = 0;
        const HResult result = makeThumbnailFromMovie(dir.WideFile(name).c_str(), time, &raw, &size);
        std::unique_ptr<void, MallocFree> jpeg(raw);
        EXPECT_EQ(HResultOk, result);
        Image decoded;
        if (raw != nullptr) {
            EXPECT_TRUE(test::DecodeJpeg(raw, size, decoded));
        }
        return decoded;
    }

    test::TempDir dir;
};

// Each unit's frames carry the unit's own colour: a grab in the middle of a
// unit's first frame shows that unit, not its neighbour nor the key frame
// the decoder started from.
TEST_F(ThumbnailFromMovie, ShowsTheFrameAtTheGivenTime) {
    const sample::SampleMovieLayout layout = WriteReel("reel.mov", 3, 320, 240);
    ASSERT_TRUE(layout.h264);
    const sample::SampleMovieSpec spec;
    for (unsigned unit = 0; unit < 3; ++unit) {
        SCOPED_TRACE("unit " + std::to_string(unit));
        const std::int64_t time = FrameMiddleTime(FirstFrameOfUnit(layout, unit), spec.timeScale, spec.frameDuration);
        const Image thumbnail = Thumbnail("reel.mov", time);
        ASSERT_EQ(160u, thumbnail.width);
        ASSERT_EQ(120u, thumbnail.height);
        std::uint8_t colour[3];
        sample::UnitColour(unit, colour);
        EXPECT_LE(test::ColourDistance(test::AverageRows(thumbnail, CleanTop, CleanBottom), colour), 12.0);
        // The neighbours' colours must be told apart from this one.
        for (unsigned other = 0; other < 3; ++other) {
            if (other == unit) continue;
            std::uint8_t otherColour[3];
            sample::UnitColour(other, otherColour);
            EXPECT_GT(test::ColourDistance(test::AverageRows(thumbnail, CleanTop, CleanBottom), otherColour), 24.0) << other;
        }
    }
}

// The last frame of a unit still shows that unit: decoding forward stops at
// the frame whose interval holds the time.
TEST_F(ThumbnailFromMovie, StopsAtTheLastFrameBeforeTheNextUnit) {
    const sample::SampleMovieLayout layout = WriteReel("reel.mov", 2, 320, 240);
    const sample::SampleMovieSpec spec;
    const unsigned lastOfFirst = FirstFrameOfUnit(layout, 1) - 1;
    const Image thumbnail = Thumbnail("reel.mov", FrameMiddleTime(lastOfFirst, spec.timeScale, spec.frameDuration));
    std::uint8_t colour[3];
    sample::UnitColour(0, colour);
    EXPECT_LE(test::ColourDistance(test::AverageRows(thumbnail, CleanTop, CleanBottom), colour), 12.0);
}

TEST_F(ThumbnailFromMovie, DrawsAFullHdFrameIntoTheWideBand) {
    WriteReel("hd.mov", 1, 1920, 1080);
    const Image thumbnail = Thumbnail("hd.mov", FrameMiddleTime(0, 30000, 1001));
    ASSERT_EQ(120u, thumbnail.height);
    std::uint8_t colour[3];
    sample::UnitColour(0, colour);
    const std::uint8_t black[3] = {0, 0, 0};
    // Rows next to the band's edges are left out: the JPEG's 8 x 8 blocks
    // blur across them.
    EXPECT_LE(test::ColourDistance(test::AverageRows(thumbnail, 0, 12), black), 4.0);
    EXPECT_LE(test::ColourDistance(test::AverageRows(thumbnail, 18, 36), colour), 12.0);
    EXPECT_LE(test::ColourDistance(test::AverageRows(thumbnail, 108, 120), black), 4.0);
}

// Every failure is a negative result with empty outputs, on every backend.
TEST(ThumbnailFromMovieFailure, FailsWithEmptyOutputsWhenNoFrameCanBeGrabbed) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("text.mov"), std::vector<std::uint8_t>(4096, 'x'));
    // A reel whose frames are dummy bytes has no picture to decode.
    sample::SampleMovieSpec dummy;
    dummy.units = 1;
    sample::WriteSampleMovie(dir.File("dummy.mov"), dummy);
    struct Case {
        std::string name;
        std::int64_t time;
    };
    const Case cases[] = {{"missing.mov", 0}, {"text.mov", 0}, {"dummy.mov", 0}, {"dummy.mov", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " @ " + std::to_string(c.time));
        void* raw = &dir;
        unsigned size = 99;
        test::DebugLineCapture lines;
        const HResult result = makeThumbnailFromMovie(dir.WideFile(c.name).c_str(), c.time, &raw, &size);
        EXPECT_TRUE(Failed(result)) << result;
        EXPECT_EQ(nullptr, raw);
        EXPECT_EQ(0u, size);
        // The decoder's result is one debug line, which --verbose shows.
        char expected[64];
        std::snprintf(expected, sizeof expected, "Frame grab Error : 0x%08X \n", static_cast<unsigned>(result));
        EXPECT_NE(std::find(lines.lines().begin(), lines.lines().end(), expected), lines.lines().end());
    }
}

class EncodeThumbnailToFit : public ::testing::Test {
protected:
    void SetUp() override {
        picture.Reset(160, 120);
        std::uint32_t state = 99;
        for (auto& byte : picture.pixels) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
    }
    static unsigned ImageData(const void* jpeg, unsigned size) {
        unsigned remaining = 0;
        EXPECT_NE(nullptr, findJpegImageData(jpeg, size, &remaining));
        return remaining;
    }
    Image picture;
};

TEST_F(EncodeThumbnailToFit, KeepsTheDefaultQualityWhenItFits) {
    std::vector<std::uint8_t> defaultJpeg;
    ASSERT_EQ(HResultOk, platform::encodeJpeg(picture, defaultJpeg));
    const void* defaultRaw = defaultJpeg.data();
    const auto defaultSize = static_cast<unsigned>(defaultJpeg.size());
    const unsigned room = ImageData(defaultRaw, defaultSize);

    void* raw = nullptr;
    unsigned size = 0;
    ASSERT_EQ(HResultOk, encodeThumbnailToFit(picture, room, &raw, &size));
    std::unique_ptr<void, MallocFree> jpeg(raw);
    ASSERT_EQ(defaultSize, size);
    EXPECT_EQ(0, std::memcmp(defaultRaw, raw, size));
}

TEST_F(EncodeThumbnailToFit, EncodesAgainSmallerUntilTheImageDataFits) {
    if (test::RunningUnderWine()) GTEST_SKIP() << "wine's WIC JPEG encoder ignores the quality";
    std::vector<std::uint8_t> defaultJpeg;
    ASSERT_EQ(HResultOk, platform::encodeJpeg(picture, defaultJpeg));
    const unsigned room = ImageData(defaultJpeg.data(), static_cast<unsigned>(defaultJpeg.size())) / 2;

    void* raw = nullptr;
    unsigned size = 0;
    ASSERT_EQ(HResultOk, encodeThumbnailToFit(picture, room, &raw, &size));
    std::unique_ptr<void, MallocFree> jpeg(raw);
    EXPECT_LE(ImageData(raw, size), room);
    Image decoded;
    ASSERT_TRUE(test::DecodeJpeg(raw, size, decoded));
    EXPECT_EQ(160u, decoded.width);
    EXPECT_EQ(120u, decoded.height);
}

TEST_F(EncodeThumbnailToFit, ReportsThatEvenTheLowestQualityDoesNotFit) {
    void* raw = &picture;
    unsigned size = 5;
    EXPECT_EQ(ThumbnailDoesNotFit, encodeThumbnailToFit(picture, 300, &raw, &size));
    EXPECT_EQ(nullptr, raw);
    EXPECT_EQ(0u, size);
}

}
}
