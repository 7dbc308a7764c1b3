#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QStringView>

#include <array>

namespace common {

// Text in a fixed-pitch font, drawn cell by cell through the raster rules: character i of a
// run sits in the cell whose left edge is cellWidth() * i from the run's start, and is drawn
// from its coverage mask (drawMask), made the first time the character is drawn and kept.
// Nothing is shaped or laid out per call, so drawing a run costs the pixels it covers: a line
// that changes several times a second stays cheap.
//
// Latin-1 characters have a mask each; control characters (0-31, 127-159) are blank; any
// other character is drawn as '?'. Masks are made on the thread that draws; share one
// instance between controls of the same font on that thread.
class GlyphCells {
public:
    explicit GlyphCells(const QFont& font);

    int cellWidth() const { return m_cellWidth; }
    int cellHeight() const { return m_cellHeight; }
    const QFont& font() const { return m_font; }

    // Draws text with its first cell's top-left corner at pos, in rgb over what is there.
    // Only the cells that meet the image are visited.
    void drawText(QImage& image, QPoint pos, QStringView text, QRgb rgb) const;

private:
    // A character's coverage (QImage::Format_Alpha8), cut to the pixels it covers at all, and
    // where that part sits in the cell: the blank rest of a cell is never visited.
    struct Glyph {
        QImage mask; // null for a blank
        QPoint offset;
        bool made = false;
    };
    const Glyph& glyph(QChar c) const;

    static constexpr int kSlots = 257; // Latin-1, then the replacement
    QFont m_font;
    int m_cellWidth;
    int m_cellHeight;
    int m_ascent;
    mutable std::array<Glyph, kSlots> m_glyphs;
};

} // namespace common
