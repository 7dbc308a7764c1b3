#include "pictureclip.h"

namespace torvelbutton {

void PictureClip::setPicture(const QImage& strip) {
    if (strip.cacheKey() == m_strip.cacheKey() && !m_strip.isNull()) {
        return; // the same picture again: the cells are already cut
    }
    m_strip = strip;
    const QImage readable = strip.hasAlphaChannel()
                                ? strip.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                : strip.convertToFormat(QImage::Format_RGB32);
    const int cellWidth = strip.width() / kStripCells;
    for (int k = 0; k < kStripCells; ++k) {
        m_cells[static_cast<std::size_t>(k)] =
            cellWidth > 0 ? readable.copy(k * cellWidth, 0, cellWidth, strip.height()) : QImage();
    }
}

QImage PictureClip::GraphicCell(int index) const {
    if (index < 0 || index >= kStripCells) {
        return {};
    }
    return m_cells[static_cast<std::size_t>(index)];
}

QImage builtinStrip() {
    return QImage(QStringLiteral(":/torvelbutton/builtin-strip.bmp"));
}

} // namespace torvelbutton
