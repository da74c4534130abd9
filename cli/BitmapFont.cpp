#include "cli/BitmapFont.h"

namespace clipreel {
namespace cli {

namespace {

struct Glyph {
    char character;
    std::uint8_t rows[GlyphHeight];  // bit 4 is the leftmost column
};

constexpr Glyph Glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
};

const Glyph* FindGlyph(char c) {
    for (const Glyph& glyph : Glyphs) {
        if (glyph.character == c) return &glyph;
    }
    return nullptr;
}

}

bool GlyphPixel(char c, unsigned x, unsigned y) {
    const Glyph* glyph = FindGlyph(c);
    if (glyph == nullptr || x >= GlyphWidth || y >= GlyphHeight) return false;
    return (glyph->rows[y] >> (GlyphWidth - 1 - x)) & 1u;
}

unsigned TextWidth(const std::string& text, unsigned scale) {
    return static_cast<unsigned>(text.size()) * GlyphAdvance * scale;
}

void DrawText(CRgbPicture& picture, unsigned left, unsigned top, const std::string& text, unsigned scale,
              const std::uint8_t colour[3]) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned glyphLeft = left + static_cast<unsigned>(i) * GlyphAdvance * scale;
        for (unsigned y = 0; y < GlyphHeight * scale; ++y) {
            for (unsigned x = 0; x < GlyphWidth * scale; ++x) {
                if (!GlyphPixel(text[i], x / scale, y / scale)) continue;
                const unsigned px = glyphLeft + x;
                const unsigned py = top + y;
                if (px >= picture.width || py >= picture.height) continue;
                std::uint8_t* pixel = picture.pixels.data() + (static_cast<std::size_t>(py) * picture.width + px) * 3;
                pixel[0] = colour[0];
                pixel[1] = colour[1];
                pixel[2] = colour[2];
            }
        }
    }
}

}
}
