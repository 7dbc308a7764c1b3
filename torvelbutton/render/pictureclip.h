#pragma once

#include "torvelbutton/buttontypes.h"

#include <QImage>

#include <array>

namespace torvelbutton {

// Cuts an image strip into its eight equal cells, side by side in one row. Cell k is the
// k-th slice from the left, as wide as the strip's width / 8 and as high as the strip.
class PictureClip {
public:
    void setPicture(const QImage& strip);
    const QImage& picture() const { return m_strip; }

    // Cell `index` of the strip; a null image for an index outside 0..7 or no strip.
    QImage GraphicCell(int index) const;

private:
    QImage m_strip;
    std::array<QImage, kStripCells> m_cells;
};

// The 144 x 21 strip of eight 18 x 21 cells every button starts with.
QImage builtinStrip();

} // namespace torvelbutton
