// The uncoded H.264 stream of builds without an encoder, checked against
// FFmpeg's decoder: its pictures are uncoded, so the decode must give back
// exactly the pictures painted, repeats included, at every picture size.
#include "sample/PcmH264Stream.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace clipreel {
namespace test {
namespace {

using sample::Picture420;
using sample::PcmH264Stream;

void Append(std::string& out, const std::vector<std::uint8_t>& bytes) { out.append(bytes.begin(), bytes.end()); }

struct SizeCase {
    unsigned width;
    unsigned height;
};

// Whole macroblocks, a crop on one side and on both, one macroblock.
const SizeCase SizeCases[] = {{64, 48}, {100, 48}, {64, 58}, {100, 60}, {16, 16}, {320, 240}};

TEST(PcmH264StreamTest, FfmpegDecodesThePaintedPicturesExactly) {
    if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not on the PATH";
    const TempDir dir;
    for (const SizeCase& size : SizeCases) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        PcmH264Stream stream(size.width, size.height);
        std::string annexB, expected;
        const std::vector<std::uint8_t> startCode{0, 0, 0, 1};
        for (const auto* parameters : {&stream.SequenceParameterSet(), &stream.PictureParameterSet()}) {
            Append(annexB, startCode);
            Append(annexB, *parameters);
        }
        Picture420 picture;
        picture.width = size.width;
        picture.height = size.height;
        // Three groups of a key frame and its repeats; more frames than the
        // frame number counts before it wraps.
        for (unsigned frame = 0; frame < 3 * 20; ++frame) {
            Append(annexB, startCode);
            if (frame % 20 == 0) {
                sample::PaintUnitPicture(frame / 20, 0, picture);
                Append(annexB, stream.KeyFrame(picture));
            } else {
                Append(annexB, stream.RepeatFrame());
            }
            Append(expected, picture.y);
            Append(expected, picture.cb);
            Append(expected, picture.cr);
        }
        const auto path = dir.File("stream.h264");
        std::ofstream(path, std::ios::binary).write(annexB.data(), static_cast<std::streamsize>(annexB.size()));
        const CommandResult decoded = RunCommand("ffmpeg -nostdin -v error -xerror -f h264 -i " +
                                                 ShellQuoted(path.string()) +
                                                 " -f rawvideo -pix_fmt yuv420p - 2>/dev/null");
        EXPECT_EQ(decoded.status, 0);
        EXPECT_TRUE(decoded.output == expected) << "decoded " << decoded.output.size() << " bytes, painted "
                                                << expected.size();
    }
}

TEST(PcmH264StreamTest, RefusesPicturesItCannotCrop) {
    for (const SizeCase& size : {SizeCase{0, 48}, SizeCase{64, 0}, SizeCase{63, 48}, SizeCase{64, 47}}) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        EXPECT_THROW(PcmH264Stream(size.width, size.height), std::invalid_argument);
    }
}

}
}
}
