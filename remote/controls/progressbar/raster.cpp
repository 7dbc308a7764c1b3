#include "raster.h"

#include "common/olecolor.h"
#include "common/raster.h"

namespace remote::controls::progressbar {

namespace {

QRect toRect(const Box& box) {
    // An empty box stays empty; a non-empty one has right - 1 and bottom - 1 in range.
    if (box.isEmpty()) {
        return {};
    }
    return QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1));
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
    common::setPixel(image, x, y, toRgb(colour));
}

void fillBox(QImage& image, const Box& box, OleColor colour) {
    common::fillRect(image, toRect(box), toRgb(colour));
}

void frameBox(QImage& image, const Box& box, OleColor colour) {
    common::frameRect(image, toRect(box), toRgb(colour));
}

void drawLine(QImage& image, int x1, int y1, int x2, int y2, OleColor colour) {
    common::drawLineWithoutEnd(image, x1, y1, x2, y2, toRgb(colour));
}

void drawEdge(QImage& image, const Box& box, Edge edge) {
    if (box.isEmpty()) {
        return;
    }
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

void hatchBox(QImage& image, const Box& box, int pattern, OleColor fore, OleColor back) {
    common::fillHatched(image, toRect(box), pattern, toRgb(fore), toRgb(back));
}

void patternBox(QImage& image, const Box& box, const QImage& pattern) {
    common::fillTiled(image, toRect(box), pattern);
}

} // namespace remote::controls::progressbar
