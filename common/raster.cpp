#include "raster.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace common {

namespace {

void fillRow(QImage& image, int y, int x0, int x1, QRgb rgb) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(line + x0, line + x1, rgb);
}

void fillColumn(QImage& image, int x, int y0, int y1, QRgb rgb) {
    // One detach check for the whole column, then a plain stride walk.
    const qsizetype stride = image.bytesPerLine();
    uchar* at = image.bits() + qsizetype(y0) * stride + qsizetype(x) * qsizetype(sizeof(QRgb));
    for (int y = y0; y < y1; ++y, at += stride) {
        *reinterpret_cast<QRgb*>(at) = rgb;
    }
}

} // namespace

void drawLineWithoutEnd(QImage& image, int x1, int y1, int x2, int y2, QRgb rgb) {
    if (y1 == y2) {
        if (y1 < 0 || y1 >= image.height() || x1 == x2) {
            return;
        }
        const int from = x2 > x1 ? x1 : x2 + 1;
        const int to = x2 > x1 ? x2 : x1 + 1;
        const int x0 = std::max(from, 0);
        const int xe = std::min(to, image.width());
        if (x0 < xe) {
            fillRow(image, y1, x0, xe, rgb);
        }
        return;
    }
    if (x1 == x2) {
        if (x1 < 0 || x1 >= image.width()) {
            return;
        }
        const int from = y2 > y1 ? y1 : y2 + 1;
        const int to = y2 > y1 ? y2 : y1 + 1;
        const int y0 = std::max(from, 0);
        const int ye = std::min(to, image.height());
        if (y0 < ye) {
            fillColumn(image, x1, y0, ye, rgb);
        }
        return;
    }
    // A slanted line: Bresenham, in 64 bits so far-off coordinates cannot overflow. Lines
    // that miss the image entirely are not walked.
    if (std::max(x1, x2) < 0 || std::min(x1, x2) >= image.width() || std::max(y1, y2) < 0 ||
        std::min(y1, y2) >= image.height()) {
        return;
    }
    const std::int64_t dx = std::llabs(std::int64_t{x2} - x1);
    const std::int64_t dy = -std::llabs(std::int64_t{y2} - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    std::int64_t err = dx + dy;
    std::int64_t x = x1;
    std::int64_t y = y1;
    while (x != x2 || y != y2) {
        if (image.valid(static_cast<int>(x), static_cast<int>(y))) {
            reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)))[x] = rgb;
        }
        const std::int64_t e2 = 2 * err;
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

} // namespace common
