#include "raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace torvelbutton::raster {

namespace {

// The pixel formats the copy loops read: opaque 32-bit or premultiplied 32-bit with alpha.
QImage readable(const QImage& src) {
    if (src.format() == QImage::Format_RGB32 ||
        src.format() == QImage::Format_ARGB32_Premultiplied) {
        return src;
    }
    return src.convertToFormat(src.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                     : QImage::Format_RGB32);
}

QRgb over(QRgb src, QRgb dst) {
    const int a = qAlpha(src);
    if (a == 255) {
        return src;
    }
    if (a == 0) {
        return dst;
    }
    // src is premultiplied: result = src + dst * (255 - a) / 255.
    auto channel = [a](int s, int d) { return s + (d * (255 - a) + 127) / 255; };
    return qRgb(channel(qRed(src), qRed(dst)), channel(qGreen(src), qGreen(dst)),
                channel(qBlue(src), qBlue(dst)));
}

// Source coordinate of destination offset i when n destination pixels show m source ones.
int sampleOf(int i, int n, int m) {
    return static_cast<int>((2LL * i + 1) * m / (2LL * n));
}

} // namespace

void paintPicture(QImage& dst, const QRect& dstRect, const QImage& srcImage, const QRect& srcRect) {
    if (dst.isNull() || srcImage.isNull() || dstRect.width() <= 0 || dstRect.height() <= 0 ||
        srcRect.width() <= 0 || srcRect.height() <= 0) {
        return;
    }
    const QImage src = readable(srcImage);
    const bool opaque = src.format() == QImage::Format_RGB32;
    const QRect visible = dstRect & dst.rect();
    if (visible.isEmpty()) {
        return;
    }
    const bool oneToOne = dstRect.size() == srcRect.size();
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const int dy = y - dstRect.top();
        const int sy =
            srcRect.top() + (oneToOne ? dy : sampleOf(dy, dstRect.height(), srcRect.height()));
        if (sy < 0 || sy >= src.height()) {
            continue;
        }
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        if (oneToOne && opaque) {
            // Straight row copy of the part that lies inside the source.
            int x0 = visible.left();
            int x1 = visible.right();
            const int shift = srcRect.left() - dstRect.left();
            x0 = std::max(x0, -shift);
            x1 = std::min(x1, src.width() - 1 - shift);
            if (x0 <= x1) {
                std::memcpy(out + x0, in + x0 + shift,
                            static_cast<std::size_t>(x1 - x0 + 1) * sizeof(QRgb));
            }
            continue;
        }
        for (int x = visible.left(); x <= visible.right(); ++x) {
            const int dx = x - dstRect.left();
            const int sx =
                srcRect.left() + (oneToOne ? dx : sampleOf(dx, dstRect.width(), srcRect.width()));
            if (sx < 0 || sx >= src.width()) {
                continue;
            }
            out[x] = opaque ? in[sx] : (over(in[sx], out[x]) | 0xFF000000u);
        }
    }
}

void paintPicture(QImage& dst, QPoint pos, const QImage& src) {
    paintPicture(dst, QRect(pos, src.size()), src, src.rect());
}

void drawLine(QImage& dst, QPoint from, QPoint to, QRgb colour) {
    // Bresenham from `from`, stopping before `to`.
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1;
    const int sy = y < to.y() ? 1 : -1;
    int err = dx + dy;
    const QRgb pixel = colour | 0xFF000000u;
    while (x != to.x() || y != to.y()) {
        if (x >= 0 && y >= 0 && x < dst.width() && y < dst.height()) {
            reinterpret_cast<QRgb*>(dst.scanLine(y))[x] = pixel;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void fillRect(QImage& dst, const QRect& rect, QRgb colour) {
    const QRect r = rect & dst.rect();
    const QRgb pixel = colour | 0xFF000000u;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        std::fill(out + r.left(), out + r.right() + 1, pixel);
    }
}

void blendConstant(QImage& dst, const QRect& rect, QRgb colour, int a) {
    const QRect r = rect & dst.rect();
    const int cr = qRed(colour);
    const int cg = qGreen(colour);
    const int cb = qBlue(colour);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = out[x];
            out[x] = qRgb(blendChannel(cr, qRed(p), a), blendChannel(cg, qGreen(p), a),
                          blendChannel(cb, qBlue(p), a));
        }
    }
}

} // namespace torvelbutton::raster
