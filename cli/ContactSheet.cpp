#include "cli/ContactSheet.h"

#include "cli/BitmapFont.h"

#include <algorithm>
#include <cstdio>

namespace clipreel {
namespace cli {

constexpr std::uint8_t SheetLayout::Background[3];
constexpr std::uint8_t SheetLayout::LabelColour[3];

SheetLayout::SheetLayout(unsigned cellCount, unsigned columnsWanted) {
    columns = std::max(1u, std::min(columnsWanted, std::max(1u, cellCount)));
    rows = cellCount == 0 ? 1 : (cellCount + columns - 1) / columns;
}

unsigned SheetLayout::Width() const {
    return Margin + columns * (CellWidth + Margin);
}

unsigned SheetLayout::Height() const {
    return Margin + rows * (CellHeight + LabelHeight + Margin);
}

unsigned SheetLayout::CellLeft(unsigned cell) const {
    return Margin + (cell % columns) * (CellWidth + Margin);
}

unsigned SheetLayout::CellTop(unsigned cell) const {
    return Margin + (cell / columns) * (CellHeight + LabelHeight + Margin);
}

std::string UnitLabel(unsigned index, double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "#%u %.2fs", index, seconds);
    return text;
}

CRgbPicture ComposeContactSheet(const std::vector<SheetCell>& cells, unsigned columns) {
    const SheetLayout layout(static_cast<unsigned>(cells.size()), columns);
    CRgbPicture sheet;
    sheet.width = layout.Width();
    sheet.height = layout.Height();
    sheet.pixels.resize(static_cast<std::size_t>(sheet.width) * sheet.height * 3);
    for (std::size_t i = 0; i < sheet.pixels.size(); i += 3) {
        sheet.pixels[i] = SheetLayout::Background[0];
        sheet.pixels[i + 1] = SheetLayout::Background[1];
        sheet.pixels[i + 2] = SheetLayout::Background[2];
    }
    for (unsigned cell = 0; cell < cells.size(); ++cell) {
        const CRgbPicture& picture = cells[cell].picture;
        const unsigned left = layout.CellLeft(cell);
        const unsigned top = layout.CellTop(cell);
        const bool consistent =
            picture.pixels.size() == static_cast<std::size_t>(picture.width) * picture.height * 3;
        if (consistent) {
            const unsigned width = std::min(picture.width, SheetLayout::CellWidth);
            const unsigned height = std::min(picture.height, SheetLayout::CellHeight);
            for (unsigned y = 0; y < height; ++y) {
                const std::uint8_t* from = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width * 3;
                std::uint8_t* to = sheet.pixels.data() + (static_cast<std::size_t>(top + y) * sheet.width + left) * 3;
                std::copy(from, from + static_cast<std::size_t>(width) * 3, to);
            }
        }
        DrawText(sheet, left, top + SheetLayout::CellHeight + SheetLayout::LabelTop, cells[cell].label,
                 SheetLayout::LabelScale, SheetLayout::LabelColour);
    }
    return sheet;
}

}
}
