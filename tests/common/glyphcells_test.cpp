#include "common/glyphcells.h"
#include "common/raster.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr QRgb kPaper = 0xFFFFFFFF;
constexpr QRgb kInk = 0xFF000000;

QFont screenFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    font.setPointSizeF(14);
    return font;
}

// An image of cells cells on paper, with text drawn from its first cell.
QImage drawn(const common::GlyphCells& glyphs, QStringView text, int cells, QPoint at = {}) {
    QImage image(glyphs.cellWidth() * cells, glyphs.cellHeight(), common::kSurfaceFormat);
    image.fill(kPaper);
    glyphs.drawText(image, at, text, kInk);
    return image;
}

QImage cell(const common::GlyphCells& glyphs, const QImage& image, int index) {
    return image.copy(index * glyphs.cellWidth(), 0, glyphs.cellWidth(), glyphs.cellHeight());
}

bool blank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kPaper) {
                return false;
            }
        }
    }
    return true;
}

TEST(GlyphCells, EachCharacterIsDrawnInItsOwnCellAlikeWhereverItStands) {
    const common::GlyphCells glyphs(screenFont());
    ASSERT_GT(glyphs.cellWidth(), 0);
    const QImage text = drawn(glyphs, u"W.W@", 4);
    const QImage alone = drawn(glyphs, u"W", 1);
    EXPECT_FALSE(blank(alone));
    EXPECT_EQ(cell(glyphs, text, 0), alone);
    EXPECT_EQ(cell(glyphs, text, 2), alone) << "the same character, the same pixels";
    EXPECT_EQ(cell(glyphs, text, 1), drawn(glyphs, u".", 1)) << "no ink crosses a cell edge";
    EXPECT_EQ(cell(glyphs, text, 3), drawn(glyphs, u"@", 1));

    // Every pixel is the ink over the paper at some coverage: grey on white.
    for (int y = 0; y < text.height(); ++y) {
        for (int x = 0; x < text.width(); ++x) {
            const QRgb p = text.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
        }
    }
}

TEST(GlyphCells, BlanksControlsAndCharactersBeyondLatin1) {
    const common::GlyphCells glyphs(screenFont());
    struct Case {
        const char16_t* text;
        const char16_t* shownAs;
    } cases[] = {
        {u" ", u" "},           {u"\u0001", u" "}, {u"\u001f", u" "}, {u"\u007f", u" "},
        {u"\u0085", u" "},      {u"\u4e2d", u"?"}, {u"\u20ac", u"?"}, {u"\u00e9", u"\u00e9"},
        {u"\U0001F600", u"??"}, // a surrogate pair is two characters
    };
    for (const Case& c : cases) {
        const QStringView text(c.text);
        const QStringView shownAs(c.shownAs);
        EXPECT_EQ(drawn(glyphs, text, 2), drawn(glyphs, shownAs, 2))
            << text.toString().toStdString();
    }
    EXPECT_FALSE(blank(drawn(glyphs, u"\u00e9", 1))) << "Latin-1 letters have their own glyphs";
}

TEST(GlyphCells, OnlyTheCellsOverTheImageAreDrawnWhereverTheTextStarts) {
    const common::GlyphCells glyphs(screenFont());
    const int cw = glyphs.cellWidth();
    const QString text = QStringLiteral("ABCDEFGH");
    const QImage whole = drawn(glyphs, text, 8);
    // Started two cells to the left, the image shows the text from its third character.
    EXPECT_EQ(drawn(glyphs, text, 6, QPoint(-2 * cw, 0)), drawn(glyphs, u"CDEFGH", 6));
    // Started half a cell to the left, the first character is cut.
    const QImage half = drawn(glyphs, text, 8, QPoint(-cw / 2, 0));
    EXPECT_EQ(half.copy(0, 0, 7 * cw - cw / 2, half.height()),
              whole.copy(cw / 2, 0, 7 * cw - cw / 2, whole.height()));

    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    // A very long text far to the left or right, or above or below, draws nothing and
    // visits only what meets the image.
    const QString longText(1 << 20, QLatin1Char('W'));
    for (const QPoint at : {QPoint(lo, 0), QPoint(hi, 0), QPoint(0, lo), QPoint(0, hi),
                            QPoint(-longText.size() * cw, 0)}) {
        EXPECT_TRUE(blank(drawn(glyphs, longText, 3, at))) << at.x() << "," << at.y();
    }
    QImage null;
    glyphs.drawText(null, QPoint(0, 0), text, kInk);
    EXPECT_TRUE(null.isNull());
}

} // namespace
