#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// Exact pixel rules shared by every self-drawn control. Every rule is integer arithmetic, so a
// test can name the value of every pixel.
//
// Every drawing function here follows the same conventions:
// - the image comes first, then the geometry, then the colour (a QRgb whose alpha is ignored:
//   what is drawn is opaque);
// - rectangles are QRect(left, top, width, height); one whose width or height is zero or less
//   draws nothing;
// - the image is drawn in kSurfaceFormat: an image in any other format is converted to it
//   once, in place, and stays in it; a null image draws nothing;
// - everything is clipped to the image before a pixel is visited, so the work is bounded by
//   the pixels drawn, whatever the coordinates.
namespace common {

constexpr QImage::Format kSurfaceFormat = QImage::Format_RGB32;

bool convertToSurface(QImage& image);

// Converts image to kSurfaceFormat in place unless it is in it already. False for a null
// image (or one that cannot be converted): there is nothing to draw on. Checked on every
// call, so the common case stays one comparison.
inline bool prepareSurface(QImage& image) {
    return image.format() == kSurfaceFormat || convertToSurface(image);
}

void setPixel(QImage& image, int x, int y, QRgb rgb);

// A one-pixel line from (x1, y1) towards (x2, y2), the end point left out. Slanted lines step
// like Bresenham's: of two equally near pixels the one further along the minor axis is taken.
void drawLineWithoutEnd(QImage& image, int x1, int y1, int x2, int y2, QRgb rgb);

void fillRect(QImage& image, const QRect& rect, QRgb rgb);

// The one-pixel outline just inside rect.
void frameRect(QImage& image, const QRect& rect, QRgb rgb);

// Hatch patterns 0 to 5 (horizontal, vertical, falling diagonal, rising diagonal, cross,
// diagonal cross) on an 8 x 8 grid anchored at the image's origin. Any other pattern has no
// pixels and draws nothing.
bool isHatchPixel(int pattern, int x, int y);
void fillHatched(QImage& image, const QRect& rect, int pattern, QRgb fore, QRgb back);

// Fills rect with tile repeated from the image's origin (a null tile draws nothing).
void fillTiled(QImage& image, const QRect& rect, const QImage& tile);

// One channel of a constant-alpha blend: colour * a / 255 + under * (255 - a) / 255,
// rounded to the nearest whole value. a is 0..255.
constexpr int blendChannel(int colour, int under, int a) {
    return (colour * a + under * (255 - a) + 127) / 255;
}

// Blends rgb with constant alpha a over rect; a is clamped to 0..255.
void blendRect(QImage& image, const QRect& rect, QRgb rgb, int a);

// Blends rgb over the image through mask, a coverage map in QImage::Format_Alpha8 whose
// top-left corner is at pos: a pixel under coverage c becomes blendChannel(rgb, under, c) in
// each channel, so 0 leaves it and 255 sets rgb. A mask in any other format draws nothing.
void drawMask(QImage& image, QPoint pos, const QImage& mask, QRgb rgb);

// Draws srcRect of picture onto dstRect of image. Equal sizes copy one to one; otherwise
// the source is stretched (or shrunk) by nearest sample: destination pixel i of n takes
// source pixel (2i + 1) * m / (2n) of m, so both end pixels map to both end pixels. Whatever
// falls outside the image or outside the picture is left out. Picture pixels with alpha are
// blended over the image.
void drawPicture(QImage& image, const QRect& dstRect, const QImage& picture, const QRect& srcRect);

// Draws picture at its own size with its top-left corner at pos.
void drawPicture(QImage& image, QPoint pos, const QImage& picture);

} // namespace common
