#pragma once

#include "common/olecolor.h"
#include "common/raster.h"

#include <QImage>

// The bar's drawing vocabulary over the shared pixel rules of common/raster.h: boxes by their
// edges (left/top included, right/bottom excluded; a box whose right is not past its left, or
// bottom past its top, is empty) and colours as plain 0x00BBGGRR values. Images, clipping and
// line rules are those of common/raster.h.
namespace remote::controls::progressbar {

using common::OleColor;

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool isEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Box&, const Box&) = default;
};

// Two-tone bevels drawn around a box: an outer ring on the box's edge and, for the double
// kinds, an inner ring one pixel in.
enum class Edge {
    Etched,      // sunken outer ring, raised inner ring
    Bump,        // raised outer ring, sunken inner ring
    SunkenOuter, // one sunken ring
};

using common::isHatchPixel;
using common::kSurfaceFormat;

QRgb toRgb(OleColor c);
OleColor fromRgb(QRgb rgb);

// Colour of one pixel as 0x00BBGGRR (0 outside the image).
OleColor pixelAt(const QImage& image, int x, int y);

void setPixel(QImage& image, int x, int y, OleColor colour);
void fillBox(QImage& image, const Box& box, OleColor colour);
void frameBox(QImage& image, const Box& box, OleColor colour);
void drawLine(QImage& image, int x1, int y1, int x2, int y2, OleColor colour);
void drawEdge(QImage& image, const Box& box, Edge edge);

// Hatch pattern pixels (see common::isHatchPixel) in fore, the rest in back.
void hatchBox(QImage& image, const Box& box, int pattern, OleColor fore, OleColor back);

// Fills box with pattern tiled from the image's origin.
void patternBox(QImage& image, const Box& box, const QImage& pattern);

} // namespace remote::controls::progressbar
