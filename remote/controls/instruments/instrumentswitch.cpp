#include "instrumentswitch.h"

#include "common/raster.h"

#include <QPainter>

#include <algorithm>

namespace remote::controls {

namespace {

using common::fillRect;
using common::frameRect;

bool drawable(QImage& image, const QRect& rect) {
    return rect.width() >= 3 && rect.height() >= 3 && common::prepareSurface(image);
}

} // namespace

InstrumentSwitch::InstrumentSwitch(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::toggled, this, &InstrumentSwitch::valueChanged);
}

void InstrumentSwitch::setBackColor(const QColor& colour) {
    if (colour == m_backColor) {
        return;
    }
    m_backColor = colour;
    update();
}

void InstrumentSwitch::paintEvent(QPaintEvent*) {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(palette().color(backgroundRole()));
    drawInto(image);
    QPainter painter(this);
    painter.drawImage(0, 0, image);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : InstrumentSwitch(parent) {
    setFixedSize(sizeHint());
}

void ToggleSwitch::drawSwitch(QImage& image, const QRect& rect, bool on, const QColor& back) {
    if (!drawable(image, rect)) {
        return;
    }
    fillRect(image, rect, back.rgb());
    frameRect(image, rect, kFrameColor);
    // The slot: a third of the width, centred, inset by a quarter of the width.
    const int slotWidth = std::max(1, rect.width() / 3);
    const int inset = std::max(1, rect.width() / 4);
    const QRect slot(rect.left() + (rect.width() - slotWidth) / 2, rect.top() + inset, slotWidth,
                     std::max(1, rect.height() - 2 * inset));
    fillRect(image, slot, kSlotColor);
    const int half = slot.height() / 2;
    const QRect lever =
        on ? QRect(slot.left() - 2, slot.top(), slot.width() + 4, half)
           : QRect(slot.left() - 2, slot.bottom() - half + 1, slot.width() + 4, half);
    fillRect(image, lever, kLeverColor);
    frameRect(image, lever, kFrameColor);
}

void ToggleSwitch::drawInto(QImage& image) const {
    drawSwitch(image, image.rect(), isChecked(), backColor());
}

SlideSwitch::SlideSwitch(QWidget* parent)
    : InstrumentSwitch(parent) {
    setFixedSize(sizeHint());
}

void SlideSwitch::drawSwitch(QImage& image, const QRect& rect, bool on, const QColor& back) {
    if (!drawable(image, rect)) {
        return;
    }
    fillRect(image, rect, back.rgb());
    frameRect(image, rect, kFrameColor);
    const QRect track = rect.adjusted(2, 2, -2, -2);
    fillRect(image, track, kSlotColor);
    const int half = track.width() / 2;
    if (on) {
        fillRect(image, QRect(track.left(), track.top(), half, track.height()), kOnColor);
    }
    const QRect knob = on ? QRect(track.right() - half + 1, track.top(), half, track.height())
                          : QRect(track.left(), track.top(), half, track.height());
    fillRect(image, knob, kLeverColor);
    frameRect(image, knob, kFrameColor);
}

void SlideSwitch::drawInto(QImage& image) const {
    drawSwitch(image, image.rect(), isChecked(), backColor());
}

} // namespace remote::controls
