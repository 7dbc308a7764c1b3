#pragma once

#include "common/raster.h"

#include <QImage>
#include <QPoint>
#include <QRect>

// The button's names for the shared pixel rules of common/raster.h. The drawing surface is a
// common::kSurfaceFormat image.
namespace torvelbutton::raster {

using common::blendChannel;

inline void paintPicture(QImage& dst, const QRect& dstRect, const QImage& src,
                         const QRect& srcRect) {
    common::drawPicture(dst, dstRect, src, srcRect);
}

inline void paintPicture(QImage& dst, QPoint pos, const QImage& src) {
    common::drawPicture(dst, pos, src);
}

// A one-pixel line from `from` towards `to`; the end point itself is not drawn.
inline void drawLine(QImage& dst, QPoint from, QPoint to, QRgb colour) {
    common::drawLineWithoutEnd(dst, from.x(), from.y(), to.x(), to.y(), colour);
}

inline void blendConstant(QImage& dst, const QRect& rect, QRgb colour, int a) {
    common::blendRect(dst, rect, colour, a);
}

} // namespace torvelbutton::raster
