#pragma once

#include <QImage>

// Exact pixel rules shared by the self-drawn controls, on 32-bit images.
namespace common {

// A line from (x1, y1) towards (x2, y2) with the end point left out, the way the controls'
// looks are defined. Pixels outside the image are clipped; the image must be 32-bit.
void drawLineWithoutEnd(QImage& image, int x1, int y1, int x2, int y2, QRgb rgb);

} // namespace common
