#include "cli/BitmapFont.h"
#include "cli/ContactSheet.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace cli {
namespace {

CRgbPicture SolidPicture(unsigned width, unsigned height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    CRgbPicture picture;
    picture.width = width;
    picture.height = height;
    for (unsigned i = 0; i < width * height; ++i) {
        picture.pixels.push_back(r);
        picture.pixels.push_back(g);
        picture.pixels.push_back(b);
    }
    return picture;
}

std::vector<std::uint8_t> PixelAt(const CRgbPicture& picture, unsigned x, unsigned y) {
    const std::size_t at = (static_cast<std::size_t>(y) * picture.width + x) * 3;
    return {picture.pixels[at], picture.pixels[at + 1], picture.pixels[at + 2]};
}

const std::vector<std::uint8_t> Background = {32, 32, 32};
const std::vector<std::uint8_t> White = {255, 255, 255};

TEST(ContactSheet, LayoutGrowsRowByRow) {
    struct Case {
        unsigned cells;
        unsigned columnsWanted;
        unsigned columns;
        unsigned rows;
        unsigned width;
        unsigned height;
    };
    const Case cases[] = {
        {5, 4, 4, 2, 8 + 4 * 168, 8 + 2 * 148},
        {3, 4, 3, 1, 8 + 3 * 168, 8 + 148},
        {1, 4, 1, 1, 176, 156},
        {6, 2, 2, 3, 344, 8 + 3 * 148},
        {2, 0, 1, 2, 176, 8 + 2 * 148},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cells << " cells, " << c.columnsWanted << " columns");
        const SheetLayout layout(c.cells, c.columnsWanted);
        EXPECT_EQ(layout.columns, c.columns);
        EXPECT_EQ(layout.rows, c.rows);
        EXPECT_EQ(layout.Width(), c.width);
        EXPECT_EQ(layout.Height(), c.height);
    }
}

TEST(ContactSheet, PicturesLandInTheirCellsWithTheirLabelsBelow) {
    std::vector<SheetCell> cells;
    cells.push_back({SolidPicture(160, 120, 200, 0, 0), "#0 1.00s"});
    cells.push_back({SolidPicture(160, 120, 0, 200, 0), "#1 1.00s"});
    cells.push_back({SolidPicture(160, 120, 0, 0, 200), "#2 0.50s"});
    const CRgbPicture sheet = ComposeContactSheet(cells, 2);
    const SheetLayout layout(3, 2);
    ASSERT_EQ(sheet.width, layout.Width());
    ASSERT_EQ(sheet.height, layout.Height());
    ASSERT_EQ(sheet.pixels.size(), static_cast<std::size_t>(sheet.width) * sheet.height * 3);

    const std::vector<std::vector<std::uint8_t>> colours = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}};
    for (unsigned cell = 0; cell < 3; ++cell) {
        SCOPED_TRACE(cell);
        const unsigned left = layout.CellLeft(cell);
        const unsigned top = layout.CellTop(cell);
        EXPECT_EQ(PixelAt(sheet, left, top), colours[cell]);
        EXPECT_EQ(PixelAt(sheet, left + 159, top + 119), colours[cell]);
        EXPECT_EQ(PixelAt(sheet, left - 1, top), Background);
        EXPECT_EQ(PixelAt(sheet, left + 160, top + 119), Background);
        // The label strip: every font pixel of every character, and nothing else.
        const std::string& label = cells[cell].label;
        const unsigned labelTop = top + SheetLayout::CellHeight + SheetLayout::LabelTop;
        for (unsigned y = 0; y < GlyphHeight * SheetLayout::LabelScale; ++y) {
            for (unsigned x = 0; x < TextWidth(label, SheetLayout::LabelScale); ++x) {
                const unsigned character = x / (GlyphAdvance * SheetLayout::LabelScale);
                const unsigned column = (x % (GlyphAdvance * SheetLayout::LabelScale)) / SheetLayout::LabelScale;
                const bool lit = GlyphPixel(label[character], column, y / SheetLayout::LabelScale);
                ASSERT_EQ(PixelAt(sheet, left + x, labelTop + y), lit ? White : Background)
                    << "x " << x << " y " << y;
            }
        }
    }
    // The fourth place of the grid stays empty.
    EXPECT_EQ(PixelAt(sheet, layout.CellLeft(3) + 80, layout.CellTop(3) + 60), Background);
}

TEST(ContactSheet, APictureOfAnotherSizeIsCutToItsCell) {
    std::vector<SheetCell> cells;
    cells.push_back({SolidPicture(200, 150, 10, 20, 30), ""});
    cells.push_back({SolidPicture(80, 60, 40, 50, 60), ""});
    const CRgbPicture sheet = ComposeContactSheet(cells, 2);
    const SheetLayout layout(2, 2);
    EXPECT_EQ(PixelAt(sheet, layout.CellLeft(0) + 159, layout.CellTop(0) + 119), (std::vector<std::uint8_t>{10, 20, 30}));
    EXPECT_EQ(PixelAt(sheet, layout.CellLeft(0) + 160, layout.CellTop(0)), Background);
    EXPECT_EQ(PixelAt(sheet, layout.CellLeft(1) + 79, layout.CellTop(1) + 59), (std::vector<std::uint8_t>{40, 50, 60}));
    EXPECT_EQ(PixelAt(sheet, layout.CellLeft(1) + 80, layout.CellTop(1) + 59), Background);
}

TEST(ContactSheet, LabelsNameIndexAndDuration) {
    EXPECT_EQ(UnitLabel(0, 1.001), "#0 1.00s");
    EXPECT_EQ(UnitLabel(12, 0.5), "#12 0.50s");
    for (char c : std::string("#0123456789.s")) {
        SCOPED_TRACE(c);
        bool anyLit = false;
        for (unsigned y = 0; y < GlyphHeight; ++y) {
            for (unsigned x = 0; x < GlyphWidth; ++x) anyLit = anyLit || GlyphPixel(c, x, y);
        }
        EXPECT_TRUE(anyLit);
    }
    EXPECT_FALSE(GlyphPixel('0', GlyphWidth, 0));
    EXPECT_FALSE(GlyphPixel('?', 2, 3));
}

}
}
}
