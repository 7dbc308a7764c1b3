#include "raster.h"

#include "common/olecolor.h"
#include "common/raster.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace remote::progressbar {

namespace {

// Bits of one 8 x 8 hatch cell, one byte a row, bit 7 the leftmost column.
using HatchCell = std::array<std::uint8_t, 8>;
constexpr std::array<HatchCell, 6> kHatchCells = {{
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}, // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // falling diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // rising diagonal
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08}, // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // diagonal cross
}};

// The part of box inside the image; empty when nothing is left.
Box clipped(const QImage& image, const Box& box) {
    return Box{std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, image.width()),
               std::min(box.bottom, image.height())};
}

QRgb* row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

void fillRow(QImage& image, int y, int x0, int x1, QRgb rgb) {
    // x0 and x1 already clipped, x1 exclusive.
    QRgb* line = row(image, y);
    std::fill(line + x0, line + x1, rgb);
}

// Two-tone ring on the edge of box: top and left in topLeft, then bottom and right in
// bottomRight, which therefore owns the top-right and bottom-left corners.
void ring(QImage& image, const Box& box, OleColor topLeft, OleColor bottomRight) {
    if (box.isEmpty()) {
        return;
    }
    fillBox(image, {box.left, box.top, box.right - 1, box.top + 1}, topLeft);
    fillBox(image, {box.left, box.top, box.left + 1, box.bottom - 1}, topLeft);
    fillBox(image, {box.left, box.bottom - 1, box.right, box.bottom}, bottomRight);
    fillBox(image, {box.right - 1, box.top, box.right, box.bottom}, bottomRight);
}

OleColor systemColour(common::SystemColorIndex index) {
    return common::translateOleColor(common::systemColor(index)).value_or(0);
}

} // namespace

QRgb toRgb(OleColor c) {
    return qRgb(common::redOf(c), common::greenOf(c), common::blueOf(c));
}

OleColor fromRgb(QRgb rgb) {
    return common::bgr(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

OleColor pixelAt(const QImage& image, int x, int y) {
    if (!image.valid(x, y)) {
        return 0;
    }
    return fromRgb(image.pixel(x, y));
}

void setPixel(QImage& image, int x, int y, OleColor colour) {
    if (image.valid(x, y)) {
        row(image, y)[x] = toRgb(colour);
    }
}

void fillBox(QImage& image, const Box& box, OleColor colour) {
    const Box c = clipped(image, box);
    if (c.isEmpty()) {
        return;
    }
    const QRgb rgb = toRgb(colour);
    for (int y = c.top; y < c.bottom; ++y) {
        fillRow(image, y, c.left, c.right, rgb);
    }
}

void frameBox(QImage& image, const Box& box, OleColor colour) {
    if (box.isEmpty()) {
        return;
    }
    fillBox(image, {box.left, box.top, box.right, box.top + 1}, colour);
    fillBox(image, {box.left, box.bottom - 1, box.right, box.bottom}, colour);
    fillBox(image, {box.left, box.top, box.left + 1, box.bottom}, colour);
    fillBox(image, {box.right - 1, box.top, box.right, box.bottom}, colour);
}

void drawLine(QImage& image, int x1, int y1, int x2, int y2, OleColor colour) {
    common::drawLineWithoutEnd(image, x1, y1, x2, y2, toRgb(colour));
}

void drawEdge(QImage& image, const Box& box, Edge edge) {
    using namespace common;
    const OleColor light = systemColour(Light3D);
    const OleColor darkShadow = systemColour(DarkShadow3D);
    const OleColor shadow = systemColour(ButtonShadow);
    const OleColor highlight = systemColour(ButtonHighlight);
    const Box inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    switch (edge) {
    case Edge::Etched:
        ring(image, box, shadow, highlight);
        ring(image, inner, highlight, shadow);
        break;
    case Edge::Bump:
        ring(image, box, light, darkShadow);
        ring(image, inner, darkShadow, light);
        break;
    case Edge::SunkenOuter:
        ring(image, box, shadow, highlight);
        break;
    }
}

bool isHatchPixel(int pattern, int x, int y) {
    if (pattern < 0 || pattern >= static_cast<int>(kHatchCells.size())) {
        return false;
    }
    const std::uint8_t bits = kHatchCells[static_cast<std::size_t>(pattern)][y & 7];
    return (bits & (0x80 >> (x & 7))) != 0;
}

void hatchBox(QImage& image, const Box& box, int pattern, OleColor fore, OleColor back) {
    if (pattern < 0 || pattern >= static_cast<int>(kHatchCells.size())) {
        return;
    }
    const Box c = clipped(image, box);
    if (c.isEmpty()) {
        return;
    }
    const QRgb foreRgb = toRgb(fore);
    const QRgb backRgb = toRgb(back);
    for (int y = c.top; y < c.bottom; ++y) {
        QRgb* line = row(image, y);
        for (int x = c.left; x < c.right; ++x) {
            line[x] = isHatchPixel(pattern, x, y) ? foreRgb : backRgb;
        }
    }
}

void patternBox(QImage& image, const Box& box, const QImage& pattern) {
    const Box c = clipped(image, box);
    if (c.isEmpty() || pattern.isNull()) {
        return;
    }
    const QImage tile =
        pattern.format() == kSurfaceFormat ? pattern : pattern.convertToFormat(kSurfaceFormat);
    const int tw = tile.width();
    const int th = tile.height();
    for (int y = c.top; y < c.bottom; ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(tile.constScanLine(y % th));
        QRgb* line = row(image, y);
        for (int x = c.left; x < c.right; ++x) {
            line[x] = src[x % tw] | 0xFF000000u;
        }
    }
}

} // namespace remote::progressbar
