#pragma once

#include "common/olecolor.h"

#include <QImage>

// Pixel-exact drawing on a 32-bit QImage with the rules the bar's look is defined by:
// rectangles include their left/top and exclude their right/bottom, a rectangle whose right
// is not past its left (or bottom past its top) is empty, lines leave out their end point.
// Colours are plain 0x00BBGGRR values; anything outside the image is clipped.
namespace remote::progressbar {

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

// The image every drawing helper accepts: 32-bit, opaque.
constexpr QImage::Format kSurfaceFormat = QImage::Format_RGB32;

QRgb toRgb(OleColor c);
OleColor fromRgb(QRgb rgb);

// Colour of one pixel as 0x00BBGGRR (0 outside the image).
OleColor pixelAt(const QImage& image, int x, int y);

void setPixel(QImage& image, int x, int y, OleColor colour);
void fillBox(QImage& image, const Box& box, OleColor colour);
void frameBox(QImage& image, const Box& box, OleColor colour);
void drawLine(QImage& image, int x1, int y1, int x2, int y2, OleColor colour);
void drawEdge(QImage& image, const Box& box, Edge edge);

// Fills box with hatch pattern 0 to 5 (horizontal, vertical, falling diagonal, rising
// diagonal, cross, diagonal cross) on an 8 x 8 grid anchored at the image's origin: pattern
// pixels in fore, the rest in back. Any other pattern draws nothing.
void hatchBox(QImage& image, const Box& box, int pattern, OleColor fore, OleColor back);
bool isHatchPixel(int pattern, int x, int y);

// Fills box with pattern tiled from the image's origin.
void patternBox(QImage& image, const Box& box, const QImage& pattern);

} // namespace remote::progressbar
