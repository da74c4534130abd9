// The conversion of the pictures a system decoder hands out (NV12, YUY2) to
// RGB: colours as BT.601's video range defines them, the shown area cropped
// out of padded planes, and views that do not fit their bytes refused.
#include "platform/VideoPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace clipreel {
namespace platform {
namespace {

struct ColourCase {
    int y, cb, cr;
};

// Black, white, grey, the primaries and their mixes, and values past the
// video range that must clamp.
const ColourCase ColourCases[] = {{16, 128, 128}, {235, 128, 128}, {126, 128, 128}, {82, 90, 240},
                                  {145, 54, 34},  {41, 240, 110},  {210, 16, 146},  {170, 166, 16},
                                  {0, 0, 0},      {255, 255, 255}, {106, 202, 222}};

// The reference: BT.601's equations in floating point.
std::vector<int> ExpectedRgb(const ColourCase& c) {
    const double luma = 1.164 * (c.y - 16);
    const auto clamp = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
    return {clamp(luma + 1.596 * (c.cr - 128)), clamp(luma - 0.392 * (c.cb - 128) - 0.813 * (c.cr - 128)),
            clamp(luma + 2.017 * (c.cb - 128))};
}

void ExpectPixel(const Image& image, unsigned x, unsigned y, const std::vector<int>& rgb) {
    const std::uint8_t* pixel = image.Pixel(x, y);
    ASSERT_NE(pixel, nullptr);
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(pixel[channel], rgb[static_cast<std::size_t>(channel)], 1) << "channel " << channel;
    }
}

// A padded NV12 buffer whose shown 4x4 area at (left, top) holds a 2x2
// grid of colours, one per chroma sample; the padding holds junk.
struct Nv12Buffer {
    static constexpr unsigned Pitch = 16, CodedHeight = 10, Left = 2, Top = 4;
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(Pitch * CodedHeight * 3 / 2, 0xA5);
    VideoPictureView View() const {
        VideoPictureView view;
        view.data = bytes.data();
        view.size = bytes.size();
        view.pitch = Pitch;
        view.codedHeight = CodedHeight;
        view.left = Left;
        view.top = Top;
        view.width = 4;
        view.height = 4;
        return view;
    }
    void Paint(unsigned gridX, unsigned gridY, const ColourCase& c) {
        for (unsigned y = 0; y < 2; ++y) {
            for (unsigned x = 0; x < 2; ++x) {
                bytes[(Top + gridY * 2 + y) * Pitch + Left + gridX * 2 + x] = static_cast<std::uint8_t>(c.y);
            }
        }
        const std::size_t chroma = Pitch * CodedHeight + (Top / 2 + gridY) * Pitch + Left + gridX * 2;
        bytes[chroma] = static_cast<std::uint8_t>(c.cb);
        bytes[chroma + 1] = static_cast<std::uint8_t>(c.cr);
    }
};

TEST(VideoPictureTest, Nv12ColoursFollowTheVideoRangeAndTheShownAreaIsCropped) {
    for (std::size_t first = 0; first + 4 <= std::size(ColourCases); ++first) {
        SCOPED_TRACE("colours from " + std::to_string(first));
        Nv12Buffer buffer;
        for (unsigned cell = 0; cell < 4; ++cell) buffer.Paint(cell % 2, cell / 2, ColourCases[first + cell]);
        Image image;
        ASSERT_TRUE(ConvertNv12Picture(buffer.View(), image));
        ASSERT_EQ(image.width, 4U);
        ASSERT_EQ(image.height, 4U);
        for (unsigned y = 0; y < 4; ++y) {
            for (unsigned x = 0; x < 4; ++x) {
                SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
                ExpectPixel(image, x, y, ExpectedRgb(ColourCases[first + (y / 2) * 2 + x / 2]));
            }
        }
    }
}

TEST(VideoPictureTest, Yuy2ColoursFollowTheVideoRange) {
    for (const ColourCase& c : ColourCases) {
        SCOPED_TRACE(std::to_string(c.y) + " " + std::to_string(c.cb) + " " + std::to_string(c.cr));
        // Two rows of four pixels, 12 bytes apart; the second pixel pair of
        // each row has its own luma.
        std::vector<std::uint8_t> bytes(24, 0x5A);
        for (unsigned row = 0; row < 2; ++row) {
            for (unsigned group = 0; group < 2; ++group) {
                std::uint8_t* g = bytes.data() + row * 12 + group * 4;
                g[0] = g[2] = static_cast<std::uint8_t>(c.y);
                g[1] = static_cast<std::uint8_t>(c.cb);
                g[3] = static_cast<std::uint8_t>(c.cr);
            }
        }
        VideoPictureView view;
        view.data = bytes.data();
        view.size = bytes.size();
        view.pitch = 12;
        view.width = 4;
        view.height = 2;
        Image image;
        ASSERT_TRUE(ConvertYuy2Picture(view, image));
        for (unsigned x = 0; x < 4; ++x) ExpectPixel(image, x, 1, ExpectedRgb(c));
    }
}

TEST(VideoPictureTest, ViewsThatDoNotFitTheirBytesAreRefused) {
    struct Case {
        const char* name;
        void (*change)(VideoPictureView&);
        bool nv12Planes;  // about the chroma plane that YUY2 does not have
    };
    const Case cases[] = {
        {"no data", [](VideoPictureView& v) { v.data = nullptr; }, false},
        {"no pitch", [](VideoPictureView& v) { v.pitch = 0; }, false},
        {"odd width", [](VideoPictureView& v) { v.width = 3; }, false},
        {"odd height", [](VideoPictureView& v) { v.height = 3; }, false},
        {"empty", [](VideoPictureView& v) { v.width = 0; }, false},
        {"wider than a row", [](VideoPictureView& v) { v.width = 16; }, false},
        {"below the coded rows", [](VideoPictureView& v) { v.top = 8; }, true},
        // The shown area's last chroma row needs 6 bytes of the fourth row.
        {"chroma cut short",
         [](VideoPictureView& v) { v.size = Nv12Buffer::Pitch * Nv12Buffer::CodedHeight + 3 * Nv12Buffer::Pitch + 5; },
         true},
        {"luma alone", [](VideoPictureView& v) { v.size = v.pitch * v.codedHeight; }, true},
        {"a huge coded height", [](VideoPictureView& v) { v.codedHeight = 0xFFFFFFFFU; }, true},
    };
    const Nv12Buffer buffer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoPictureView view = buffer.View();
        c.change(view);
        Image image;
        image.Reset(2, 2);
        EXPECT_FALSE(ConvertNv12Picture(view, image));
        EXPECT_TRUE(image.IsEmpty());
        if (c.nv12Planes) continue;
        image.Reset(2, 2);
        EXPECT_FALSE(ConvertYuy2Picture(view, image));
        EXPECT_TRUE(image.IsEmpty());
    }
}

}
}
}
