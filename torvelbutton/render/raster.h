#pragma once

#include "torvelbutton/model/torvelbutton_export.h"

#include <QImage>
#include <QPoint>
#include <QRect>

// Exact pixel operations on the button's drawing surface. The surface is a
// QImage::Format_RGB32 image; every rule here is integer arithmetic, so a test can name the
// value of every pixel.
namespace torvelbutton::raster {

// Copies srcRect of src onto dstRect of dst. Equal sizes copy one to one; otherwise the
// source is stretched (or shrunk) by nearest sample: destination pixel i of n takes source
// pixel (2i + 1) * m / (2n) of m, so both end pixels map to both end pixels. Whatever falls
// outside dst or outside src is left out, and a rectangle with a size of zero or less draws
// nothing. Source pixels with alpha are blended over the destination.
TORVELBUTTON_EXPORT void paintPicture(QImage& dst, const QRect& dstRect, const QImage& src,
                                      const QRect& srcRect);

// Draws src at its own size with its top-left corner at pos.
TORVELBUTTON_EXPORT void paintPicture(QImage& dst, QPoint pos, const QImage& src);

// A one-pixel line from `from` towards `to` in colour; the end point itself is not drawn.
TORVELBUTTON_EXPORT void drawLine(QImage& dst, QPoint from, QPoint to, QRgb colour);

TORVELBUTTON_EXPORT void fillRect(QImage& dst, const QRect& rect, QRgb colour);

// One channel of a constant-alpha blend: colour * a / 255 + picture * (255 - a) / 255,
// rounded to the nearest whole value. a is 0..255.
constexpr int blendChannel(int colour, int picture, int a) {
    return (colour * a + picture * (255 - a) + 127) / 255;
}

// Blends a solid colour with constant alpha a (0..255) over rect of dst.
TORVELBUTTON_EXPORT void blendConstant(QImage& dst, const QRect& rect, QRgb colour, int a);

} // namespace torvelbutton::raster
