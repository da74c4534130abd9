#ifndef CLIPREEL_CLI_CONTACT_SHEET_H
#define CLIPREEL_CLI_CONTACT_SHEET_H

#include "MovieFrames.h"

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// One picture of the sheet and the line written under it.
struct SheetCell {
    CRgbPicture picture;
    std::string label;
};

// The sheet's geometry: cells of CellWidth x CellHeight pictures in a grid,
// each with a label strip of LabelHeight under it, Margin pixels around and
// between them, on a dark background; labels are white at LabelScale.
struct SheetLayout {
    static constexpr unsigned CellWidth = CMovieFrames::THUMBNAIL_WIDTH;
    static constexpr unsigned CellHeight = CMovieFrames::THUMBNAIL_HEIGHT;
    static constexpr unsigned LabelScale = 2;
    static constexpr unsigned LabelHeight = 20;  // 7 * 2 pixels of text and padding
    static constexpr unsigned LabelTop = 3;      // from the top of the strip
    static constexpr unsigned Margin = 8;
    static constexpr std::uint8_t Background[3] = {32, 32, 32};
    static constexpr std::uint8_t LabelColour[3] = {255, 255, 255};

    unsigned columns;
    unsigned rows;

    SheetLayout(unsigned cellCount, unsigned columnsWanted);
    unsigned Width() const;
    unsigned Height() const;
    unsigned CellLeft(unsigned cell) const;
    unsigned CellTop(unsigned cell) const;
};

// The label of a unit: "#<index> <seconds>s" with two decimals.
std::string UnitLabel(unsigned index, double seconds);

// Lays the cells out row by row. A picture that is not CellWidth x CellHeight
// is drawn cut or padded with the background from its top-left corner.
CRgbPicture ComposeContactSheet(const std::vector<SheetCell>& cells, unsigned columns);

}
}

#endif
