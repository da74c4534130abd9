#include "platform/ImageScaler.h"
#include "platform/JpegEncoder.h"
#include "platform/RandomGuid.h"
#include "tests/support/JpegDecoding.h"
#include "tests/support/WineCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace clipreel {
namespace {

using platform::Image;

Image SolidImage(unsigned width, unsigned height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Image image;
    image.Reset(width, height);
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
        image.pixels[i] = r;
        image.pixels[i + 1] = g;
        image.pixels[i + 2] = b;
    }
    return image;
}

bool RowIsBlack(const Image& image, unsigned y) {
    for (unsigned x = 0; x < image.width; ++x) {
        const std::uint8_t* p = image.Pixel(x, y);
        if (p[0] != 0 || p[1] != 0 || p[2] != 0) return false;
    }
    return true;
}

bool RowIsColour(const Image& image, unsigned y, const std::uint8_t rgb[3], int tolerance) {
    for (unsigned x = 0; x < image.width; ++x) {
        const std::uint8_t* p = image.Pixel(x, y);
        for (int c = 0; c < 3; ++c) {
            if (std::abs(int(p[c]) - int(rgb[c])) > tolerance) return false;
        }
    }
    return true;
}

struct PlacementCase {
    unsigned width;
    unsigned height;
    unsigned firstDrawnRow;
    unsigned lastDrawnRow;  // inclusive
};

// Which rows a source frame covers: a 16:9 frame (height == width / 16 * 9)
// goes into rows 15 to 104 over black, any other shape fills all 120 rows.
TEST(ScaleToThumbnail, DrawsWideFramesIntoTheBandAndOthersOverTheWholePicture) {
    const PlacementCase cases[] = {
        {1920, 1080, 15, 104}, {1280, 720, 15, 104}, {16, 9, 15, 104}, {1440, 1080, 0, 119},
        {320, 240, 0, 119},    {640, 480, 0, 119},   {1920, 1088, 0, 119}, {100, 56, 0, 119},
    };
    const std::uint8_t colour[3] = {200, 40, 90};
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Image destination;
        ASSERT_EQ(HResultOk, platform::scaleToThumbnail(SolidImage(c.width, c.height, 200, 40, 90), destination));
        ASSERT_EQ(160u, destination.width);
        ASSERT_EQ(120u, destination.height);
        for (unsigned y = 0; y < 120; ++y) {
            SCOPED_TRACE("row " + std::to_string(y));
            if (y >= c.firstDrawnRow && y <= c.lastDrawnRow) {
                EXPECT_TRUE(RowIsColour(destination, y, colour, 1));
            } else {
                EXPECT_TRUE(RowIsBlack(destination, y));
            }
        }
    }
}

// Area averaging: one-pixel stripes halved in width come out as their mean,
// where picking one source pixel per destination pixel would give black or
// white.
TEST(ScaleToThumbnail, AveragesTheSourcePixelsEachThumbnailPixelCovers) {
    if (test::RunningUnderWine()) GTEST_SKIP() << "wine's WIC scaler picks the nearest pixel in every mode";
    Image stripes;
    stripes.Reset(320, 240);
    for (unsigned y = 0; y < 240; ++y) {
        for (unsigned x = 0; x < 320; x += 2) {
            std::uint8_t* p = stripes.pixels.data() + y * stripes.Stride() + x * 3;
            p[0] = p[1] = p[2] = 255;
        }
    }
    Image destination;
    ASSERT_EQ(HResultOk, platform::scaleToThumbnail(stripes, destination));
    for (unsigned y = 0; y < 120; y += 7) {
        for (unsigned x = 0; x < 160; x += 5) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_NEAR(127.5, destination.Pixel(x, y)[0], 1.0);
        }
    }
}

TEST(ScaleToThumbnail, KeepsTheSourceOrientation) {
    // Top half red, bottom half blue; a 4:3 frame fills the picture.
    Image source = SolidImage(640, 480, 255, 0, 0);
    for (unsigned y = 240; y < 480; ++y) {
        for (unsigned x = 0; x < 640; ++x) {
            std::uint8_t* p = source.pixels.data() + y * source.Stride() + x * 3;
            p[0] = 0;
            p[2] = 255;
        }
    }
    Image destination;
    ASSERT_EQ(HResultOk, platform::scaleToThumbnail(source, destination));
    const std::uint8_t red[3] = {255, 0, 0};
    const std::uint8_t blue[3] = {0, 0, 255};
    EXPECT_TRUE(RowIsColour(destination, 0, red, 1));
    EXPECT_TRUE(RowIsColour(destination, 59, red, 1));
    EXPECT_TRUE(RowIsColour(destination, 60, blue, 1));
    EXPECT_TRUE(RowIsColour(destination, 119, blue, 1));
}

TEST(ScaleToThumbnail, FailsWithABlackThumbnailForAnUnusableSource) {
    Image broken = SolidImage(64, 48, 9, 9, 9);
    broken.pixels.resize(broken.pixels.size() - 1);
    const Image sources[] = {Image(), broken};
    for (const Image& source : sources) {
        Image destination = SolidImage(3, 3, 1, 2, 3);
        EXPECT_EQ(HResultFail, platform::scaleToThumbnail(source, destination));
        EXPECT_EQ(160u, destination.width);
        EXPECT_EQ(120u, destination.height);
        for (unsigned y = 0; y < 120; ++y) EXPECT_TRUE(RowIsBlack(destination, y));
    }
}

// The encoder's output is a baseline JFIF stream that an independent
// decoder reads back as the same picture.
TEST(EncodeJpeg, WritesABaselineJpegThatDecodesToThePicture) {
    const Image picture = SolidImage(160, 120, 30, 160, 220);
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(HResultOk, platform::encodeJpeg(picture, encoded));
    const std::size_t size = encoded.size();
    ASSERT_GE(size, 4u);
    EXPECT_EQ(0xFF, encoded[0]);
    EXPECT_EQ(0xD8, encoded[1]);
    EXPECT_EQ(0xFF, encoded[size - 2]);
    EXPECT_EQ(0xD9, encoded[size - 1]);
    const std::vector<std::uint16_t> markers = test::JpegMarkers(encoded);
    EXPECT_NE(markers.end(), std::find(markers.begin(), markers.end(), 0xFFC0)) << "baseline frame";
    EXPECT_EQ(markers.end(), std::find(markers.begin(), markers.end(), 0xFFC2)) << "no progressive frame";

    Image decoded;
    ASSERT_TRUE(test::DecodeJpeg(encoded.data(), size, decoded));
    EXPECT_EQ(160u, decoded.width);
    EXPECT_EQ(120u, decoded.height);
    const std::uint8_t expected[3] = {30, 160, 220};
    EXPECT_LE(test::ColourDistance(test::AverageRows(decoded, 0, 120), expected), 3.0);
}

// Lower qualities give smaller files of the same picture; the default is 75.
TEST(EncodeJpeg, QualityTradesSizeForFidelity) {
    if (test::RunningUnderWine()) GTEST_SKIP() << "wine's WIC JPEG encoder ignores the quality";
    Image noisy;
    noisy.Reset(160, 120);
    std::uint32_t state = 12345;
    for (auto& byte : noisy.pixels) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    std::vector<std::size_t> sizes;
    for (int quality : {100, 75, 40, 10, 1}) {
        std::vector<std::uint8_t> encoded;
        ASSERT_EQ(HResultOk, platform::encodeJpeg(noisy, encoded, quality)) << quality;
        sizes.push_back(encoded.size());
    }
    for (std::size_t i = 1; i < sizes.size(); ++i) EXPECT_LT(sizes[i], sizes[i - 1]) << i;

    std::vector<std::uint8_t> defaultJpeg;
    ASSERT_EQ(HResultOk, platform::encodeJpeg(noisy, defaultJpeg));
    std::vector<std::uint8_t> explicitJpeg;
    ASSERT_EQ(HResultOk, platform::encodeJpeg(noisy, explicitJpeg, 75));
    ASSERT_FALSE(defaultJpeg.empty());
    EXPECT_TRUE(explicitJpeg == defaultJpeg);
}

TEST(EncodeJpeg, RefusesBadArgumentsWithEmptyOutputs) {
    Image truncated = SolidImage(16, 16, 1, 1, 1);
    truncated.pixels.pop_back();
    struct Case {
        const char* name;
        Image image;
        int quality;
    };
    const Case cases[] = {
        {"empty image", Image(), 75},
        {"short pixel rows", truncated, 75},
        {"quality 0", SolidImage(16, 16, 1, 1, 1), 0},
        {"quality 101", SolidImage(16, 16, 1, 1, 1), 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> jpeg(77, 0xAB);
        EXPECT_TRUE(Failed(platform::encodeJpeg(c.image, jpeg, c.quality)));
        EXPECT_TRUE(jpeg.empty());
    }
}

TEST(CreateRandomGuid, MakesDistinctVersionFourGuidsInMemoryOrder) {
    std::set<std::vector<std::uint8_t>> seen;
    for (int i = 0; i < 64; ++i) {
        std::uint8_t guid[platform::GuidSize] = {};
        ASSERT_EQ(HResultOk, platform::CreateRandomGuid(guid));
        // Data3's high byte is stored second (little-endian): its top nibble
        // is the version. Data4[0] carries the RFC 4122 variant bits.
        EXPECT_EQ(0x40, guid[7] & 0xF0);
        EXPECT_EQ(0x80, guid[8] & 0xC0);
        seen.insert(std::vector<std::uint8_t>(guid, guid + platform::GuidSize));
    }
    EXPECT_EQ(64u, seen.size());
}

}
}
