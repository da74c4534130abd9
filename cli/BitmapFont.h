#ifndef CLIPREEL_CLI_BITMAP_FONT_H
#define CLIPREEL_CLI_BITMAP_FONT_H

#include "MovieFrames.h"

#include <cstdint>
#include <string>

namespace clipreel {
namespace cli {

// A 5 x 7 pixel font for the contact sheet's labels: the digits, '#', '.',
// ':', '-', 's' and the space (any other character is drawn as a space).
// Each character takes GlyphAdvance columns, the glyph and one blank.
constexpr unsigned GlyphWidth = 5;
constexpr unsigned GlyphHeight = 7;
constexpr unsigned GlyphAdvance = GlyphWidth + 1;

// Whether the glyph of c has its pixel at column x, row y set.
bool GlyphPixel(char c, unsigned x, unsigned y);

// The width in pixels of text drawn at this scale (the last blank included).
unsigned TextWidth(const std::string& text, unsigned scale);

// Draws text with its top-left corner at (left, top), every font pixel a
// scale x scale square of colour; pixels outside the picture are skipped.
void DrawText(CRgbPicture& picture, unsigned left, unsigned top, const std::string& text, unsigned scale,
              const std::uint8_t colour[3]);

}
}

#endif
