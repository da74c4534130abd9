// Outside truth: the system's FFmpeg tools decode the sample reels we write
// (every frame and every sound sample, without error) and show each unit in
// its colour; exiftool reads the thumbnail's Exif.
#include "sample/SampleMovieWriter.h"
#include "sample/SolidColourJpeg.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace clipreel {
namespace test {
namespace {

using sample::SampleMovieSpec;

std::string Quoted(const std::filesystem::path& path) { return ShellQuoted(path.string()); }

#define SKIP_WITHOUT(tool)                                                   \
    do {                                                                     \
        if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not on the PATH"; \
    } while (0)

// The colour at a point of a decoded picture, as rgb24.
void ExpectColourNear(const std::string& rgb24, std::size_t width, std::size_t x, std::size_t y, const std::uint8_t expected[3]) {
    const std::size_t at = (y * width + x) * 3;
    ASSERT_GE(rgb24.size(), at + 3);
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_NEAR(static_cast<unsigned char>(rgb24[at + c]), expected[c], 12) << "channel " << c;
    }
}

struct ReelCase {
    const char* name;
    std::uint32_t timeScale;
    std::uint32_t frameDuration;
    unsigned framesPerUnit;
    unsigned groupOfPicture;
    std::uint32_t soundFormat;
    std::uint32_t sampleRate;
    std::uint16_t channels;
    std::uint16_t bits;
    std::uint32_t samplesPerUnit;
};

const ReelCase ReelCases[] = {
    {"Sowt48kStereoAt2997", 30000, 1001, 30, 15, FourCC("sowt"), 48000, 2, 16, 48048},
    {"Twos32kMonoAt25", 25000, 1000, 12, 12, FourCC("twos"), 32000, 1, 16, 15360},
    {"Raw8BitAt23976", 24000, 1001, 24, 12, FourCC("raw "), 24000, 1, 8, 24024},
};

class FfmpegDecodesReelTest : public ::testing::TestWithParam<ReelCase> {};

TEST_P(FfmpegDecodesReelTest, EveryFrameAndSoundSampleDecodes) {
    SKIP_WITHOUT("ffprobe");
    SKIP_WITHOUT("ffmpeg");
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 encoder in this build";
    const ReelCase& c = GetParam();
    SampleMovieSpec spec;
    spec.frames = sample::FrameContent::H264;
    spec.units = 3;
    spec.timeScale = c.timeScale;
    spec.frameDuration = c.frameDuration;
    spec.framesPerUnit = c.framesPerUnit;
    spec.groupOfPicture = c.groupOfPicture;
    spec.sound.format = c.soundFormat;
    spec.sound.sampleRate = c.sampleRate;
    spec.sound.channels = c.channels;
    spec.sound.bitsPerSample = c.bits;
    const TempDir dir;
    const auto path = dir.File("reel.mov");
    const sample::SampleMovieLayout layout = sample::WriteSampleMovie(path, spec);
    ASSERT_TRUE(layout.h264);
    ASSERT_EQ(layout.soundSamplesPerUnit, c.samplesPerUnit);

    const CommandResult frames = RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 " +
                                     Quoted(path) + " 2>&1");
    EXPECT_EQ(frames.status, 0);
    EXPECT_EQ(frames.output, std::to_string(spec.units * spec.framesPerUnit) + "\n");

    const CommandResult sound = RunCommand("ffprobe -v error -select_streams a:0 -show_entries frame=nb_samples -of csv=p=0 " +
                                    Quoted(path) + " 2>&1");
    EXPECT_EQ(sound.status, 0);
    std::istringstream lines(sound.output);
    std::uint64_t samples = 0;
    std::string line;
    while (std::getline(lines, line)) samples += std::stoull(line);
    EXPECT_EQ(samples, static_cast<std::uint64_t>(spec.units) * c.samplesPerUnit);

    const CommandResult decode = RunCommand("ffmpeg -nostdin -v error -xerror -i " + Quoted(path) + " -f null - 2>&1");
    EXPECT_EQ(decode.status, 0);
    EXPECT_EQ(decode.output, "");
}

INSTANTIATE_TEST_SUITE_P(Formats, FfmpegDecodesReelTest, ::testing::ValuesIn(ReelCases),
                         [](const ::testing::TestParamInfo<ReelCase>& param) { return std::string(param.param.name); });

TEST(FfmpegPicturesTest, EachUnitShowsItsColour) {
    SKIP_WITHOUT("ffmpeg");
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 encoder in this build";
    SampleMovieSpec spec;
    spec.frames = sample::FrameContent::H264;
    spec.units = 4;
    spec.framesPerUnit = 15;
    spec.sound.present = false;
    const TempDir dir;
    const auto path = dir.File("reel.mov");
    sample::WriteSampleMovie(path, spec);
    const CommandResult pictures =
        RunCommand("ffmpeg -nostdin -v error -i " + Quoted(path) + " -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    ASSERT_EQ(pictures.status, 0);
    const std::size_t pictureSize = std::size_t{spec.width} * spec.height * 3;
    ASSERT_EQ(pictures.output.size(), pictureSize * spec.units * spec.framesPerUnit);
    for (unsigned unit = 0; unit < spec.units; ++unit) {
        for (const unsigned frame : {0U, spec.framesPerUnit - 1}) {
            SCOPED_TRACE(testing::Message() << "unit " << unit << " frame " << frame);
            const std::size_t index = std::size_t{unit} * spec.framesPerUnit + frame;
            const std::string picture = pictures.output.substr(index * pictureSize, pictureSize);
            std::uint8_t colour[3];
            sample::UnitColour(unit, colour);
            ExpectColourNear(picture, spec.width, 4, 4, colour);
            ExpectColourNear(picture, spec.width, spec.width - 5, spec.height / 2, colour);
        }
    }
}

TEST(ThumbnailToolsTest, ExiftoolAndFfmpegReadTheThumbnail) {
    SKIP_WITHOUT("exiftool");
    SKIP_WITHOUT("ffmpeg");
    const TempDir dir;
    for (const ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        SCOPED_TRACE(order == ByteOrder::Little ? "II" : "MM");
        SampleMovieSpec spec;
        spec.tiffOrder = order;
        spec.makerNoteOrder = order;
        sample::SampleMovieLayout layout;
        sample::BuildSampleMovie(spec, &layout);
        const auto path = dir.File("thumbnail.jpg");
        WriteFileBytes(path, layout.thumbnail);

        const CommandResult make = RunCommand("exiftool -s3 -Make " + Quoted(path) + " 2>&1");
        EXPECT_EQ(make.status, 0);
        EXPECT_EQ(make.output, "Zenti\n");

        const CommandResult picture = RunCommand("ffmpeg -nostdin -v error -i " + Quoted(path) + " -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
        ASSERT_EQ(picture.status, 0);
        ASSERT_EQ(picture.output.size(), 160U * 120U * 3U);
        std::uint8_t colour[3];
        sample::UnitColour(0, colour);
        ExpectColourNear(picture.output, 160, 0, 0, colour);
        ExpectColourNear(picture.output, 160, 159, 119, colour);
    }
}

TEST(ThumbnailToolsTest, SolidColourJpegDecodesToItsColour) {
    SKIP_WITHOUT("ffmpeg");
    struct Case {
        unsigned width, height;
        std::uint8_t rgb[3];
    };
    const Case cases[] = {{160, 120, {0, 0, 0}}, {160, 120, {255, 255, 255}}, {13, 7, {200, 30, 90}}, {64, 48, {20, 220, 40}}};
    const TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.rgb[0]) << "," << int(c.rgb[1]) << "," << int(c.rgb[2]));
        const auto path = dir.File("solid.jpg");
        WriteFileBytes(path, sample::EncodeSolidColourJpeg(c.width, c.height, c.rgb));
        const CommandResult picture = RunCommand("ffmpeg -nostdin -v error -i " + Quoted(path) + " -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
        ASSERT_EQ(picture.status, 0);
        ASSERT_EQ(picture.output.size(), std::size_t{c.width} * c.height * 3);
        ExpectColourNear(picture.output, c.width, c.width - 1, c.height - 1, c.rgb);
        ExpectColourNear(picture.output, c.width, 0, 0, c.rgb);
    }
}

}
}
}
