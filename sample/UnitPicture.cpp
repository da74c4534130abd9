#include "sample/UnitPicture.h"

#include "sample/SampleMovieWriter.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace clipreel {
namespace sample {

namespace {

// 3×5 block digits, one row per entry, bit 2 the left column.
constexpr std::uint8_t DigitGlyphs[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

struct Yuv {
    std::uint8_t y, cb, cr;
};

std::uint8_t Clamp(double value) {
    const long rounded = std::lround(value);
    return static_cast<std::uint8_t>(std::min(255L, std::max(0L, rounded)));
}

Yuv ToYuv(const std::uint8_t rgb[3]) {
    const double r = rgb[0];
    const double g = rgb[1];
    const double b = rgb[2];
    return {Clamp(16.0 + 0.257 * r + 0.504 * g + 0.098 * b), Clamp(128.0 - 0.148 * r - 0.291 * g + 0.439 * b),
            Clamp(128.0 + 0.439 * r - 0.368 * g - 0.071 * b)};
}

void FillRect(Picture420& picture, unsigned x0, unsigned y0, unsigned w, unsigned h, Yuv colour) {
    const unsigned x1 = std::min(picture.width, x0 + w);
    const unsigned y1 = std::min(picture.height, y0 + h);
    for (unsigned y = y0; y < y1; ++y) {
        for (unsigned x = x0; x < x1; ++x) {
            picture.y[static_cast<std::size_t>(y) * picture.width + x] = colour.y;
            const std::size_t c = static_cast<std::size_t>(y / 2) * picture.ChromaWidth() + x / 2;
            picture.cb[c] = colour.cb;
            picture.cr[c] = colour.cr;
        }
    }
}

}

void PaintUnitPicture(unsigned unitIndex, unsigned frameInUnit, Picture420& picture) {
    std::uint8_t rgb[3];
    UnitColour(unitIndex, rgb);
    const Yuv background = ToYuv(rgb);
    picture.y.assign(static_cast<std::size_t>(picture.width) * picture.height, background.y);
    picture.cb.assign(static_cast<std::size_t>(picture.ChromaWidth()) * picture.ChromaHeight(), background.cb);
    picture.cr.assign(picture.cb.size(), background.cr);

    const Yuv ink = background.y > 128 ? Yuv{16, 128, 128} : Yuv{235, 128, 128};
    const std::string number = std::to_string(unitIndex);
    // Digits are 3 cells wide with a 1-cell gap; the number takes up to
    // three quarters of the width and half of the height.
    const unsigned columns = static_cast<unsigned>(number.size()) * 4 - 1;
    const unsigned cell = std::max(1U, std::min(picture.width * 3 / 4 / columns, picture.height / 2 / 5));
    const unsigned left = (picture.width - std::min(picture.width, columns * cell)) / 2;
    const unsigned top = (picture.height - std::min(picture.height, 5 * cell)) / 2;
    for (std::size_t d = 0; d < number.size(); ++d) {
        const std::uint8_t* rows = DigitGlyphs[number[d] - '0'];
        for (unsigned row = 0; row < 5; ++row) {
            for (unsigned col = 0; col < 3; ++col) {
                if (rows[row] & (4U >> col)) {
                    FillRect(picture, left + (static_cast<unsigned>(d) * 4 + col) * cell, top + row * cell, cell, cell, ink);
                }
            }
        }
    }
    const unsigned marker = std::max(2U, picture.height / 16);
    const unsigned travel = picture.width > marker ? picture.width - marker : 1;
    FillRect(picture, (frameInUnit * marker) % travel, picture.height - marker, marker, marker, ink);
}

}
}
