#include "glyphcells.h"

#include "raster.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace common {

namespace {

constexpr int kReplacementSlot = 256;

bool isControl(int code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

} // namespace

GlyphCells::GlyphCells(const QFont& font)
    : m_font(font) {
    const QFontMetrics metrics(font);
    // Every cell is as wide as the widest letter, so a font that is not quite fixed-pitch
    // still keeps each character in its own cell.
    m_cellWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('W')));
    m_cellHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
}

const GlyphCells::Glyph& GlyphCells::glyph(QChar c) const {
    const int code = c.unicode() < 256 ? c.unicode() : kReplacementSlot;
    Glyph& glyph = m_glyphs[static_cast<std::size_t>(code)];
    if (glyph.made) {
        return glyph;
    }
    glyph.made = true;
    if (isControl(code) || code == ' ') {
        return glyph;
    }
    QImage cell(m_cellWidth, m_cellHeight, QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::transparent);
    {
        QPainter painter(&cell);
        painter.setFont(m_font);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(0, m_ascent),
                         code == kReplacementSlot ? QString(QLatin1Char('?')) : QString(c));
    }
    const QImage coverage = cell.convertToFormat(QImage::Format_Alpha8);
    QRect ink;
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar* line = coverage.constScanLine(y);
        for (int x = 0; x < coverage.width(); ++x) {
            if (line[x] != 0) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    if (!ink.isEmpty()) {
        glyph.mask = coverage.copy(ink);
        glyph.offset = ink.topLeft();
    }
    return glyph;
}

void GlyphCells::drawText(QImage& image, QPoint pos, QStringView text, QRgb rgb) const {
    if (pos.y() >= image.height() || std::int64_t{pos.y()} + m_cellHeight <= 0) {
        return;
    }
    // The first cell whose right edge is inside the image, then on until the image ends.
    std::int64_t i = pos.x() < 0 ? (-std::int64_t{pos.x()}) / m_cellWidth : 0;
    for (std::int64_t x = pos.x() + i * m_cellWidth; i < text.size() && x < image.width();
         ++i, x += m_cellWidth) {
        const Glyph& g = glyph(text[i]);
        if (!g.mask.isNull()) {
            drawMask(image, QPoint(static_cast<int>(x), pos.y()) + g.offset, g.mask, rgb);
        }
    }
}

} // namespace common
